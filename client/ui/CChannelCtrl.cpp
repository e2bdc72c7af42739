// Stub until the live page lands.
