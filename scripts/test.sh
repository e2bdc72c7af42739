#!/usr/bin/env bash
# Sets up the machine, builds the suite and runs every test through CTest.
# With CI=true warnings are errors, and two more builds run the tests again:
# one with AddressSanitizer and UndefinedBehaviorSanitizer, one with
# ThreadSanitizer (without the Qt programs, as Qt is not built for it).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

run_build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DKESTREL_WERROR=$werror "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
}

run_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo

if [ "${CI:-}" = "true" ] || [ "${KESTREL_SANITIZE_PASS:-0}" = "1" ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  # Line tables are enough for the sanitizers' reports and build much faster
  # than full debug information.
  run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=address -DKESTREL_BUILD_BENCH=OFF \
    "-DCMAKE_C_FLAGS_DEBUG=-g1" "-DCMAKE_CXX_FLAGS_DEBUG=-g1"
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  run_build build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_SANITIZE=thread -DKESTREL_BUILD_BENCH=OFF \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
fi
