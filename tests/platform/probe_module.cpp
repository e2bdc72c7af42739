// Loaded by the shared-library tests; exports one function.
extern "C" {
__attribute__((visibility("default"))) int kestrel_probe_add(int a, int b);
}

int kestrel_probe_add(int a, int b) {
    return a + b;
}
