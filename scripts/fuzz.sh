#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer and ASan+UBSan in build-fuzz
# and runs each for a bounded time.
#
#   scripts/fuzz.sh [seconds-per-target [target...]]   (default 60, all targets)
#
# Every fuzz/fuzz_*.cpp is a target. FUZZ_JOBS=N runs N targets at a time
# (default 1). Each target starts from a scratch copy of its seed corpus, so
# the committed corpus stays small; inputs that crash, leak or hang land in
# fuzz/findings/ (git-ignored). Prints one line per target: executions,
# final coverage and the result. Exits non-zero when any target found
# something.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "usage: $0 [seconds-per-target [target...]]" >&2
    exit 2
fi
jobs=${FUZZ_JOBS:-1}
if ! [[ "$jobs" =~ ^[1-9][0-9]*$ ]]; then
    echo "FUZZ_JOBS must be a positive number" >&2
    exit 2
fi
if [ $# -gt 1 ]; then
    targets=("${@:2}")
else
    targets=()
    for source in fuzz/fuzz_*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

# Only the fuzz targets are built here, so the tests are not configured.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKESTREL_FUZZ=ON \
    -DKESTREL_SANITIZE=address -DKESTREL_BUILD_BENCH=OFF -DKESTREL_BUILD_TESTS=OFF \
    -DKESTREL_BUILD_QT=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]}"

mkdir -p fuzz/findings
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Runs one target; its summary line goes to $scratch/<target>.line.
run_target() {
    local target=$1
    local log="$scratch/$target.log"
    mkdir -p "$scratch/$target"
    cp fuzz/corpus/"$target"/* "$scratch/$target/"
    local result=clean
    # -timeout: an input that runs this long counts as a hang.
    if ! build-fuzz/bin/"$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="fuzz/findings/$target-" \
            "$scratch/$target" >"$log" 2>&1; then
        result=FINDING
    fi
    local runs coverage
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    printf '%-28s %10s executions  coverage %6s  %s\n' "$target" "${runs:-?}" \
        "${coverage:-?}" "$result" >"$scratch/$target.line"
}

running=0
for target in "${targets[@]}"; do
    run_target "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait

status=0
for target in "${targets[@]}"; do
    cat "$scratch/$target.line"
    if grep -q 'FINDING$' "$scratch/$target.line"; then
        status=1
        tail -n 30 "$scratch/$target.log"
    fi
done
if [ "$status" -ne 0 ]; then
    echo "findings in fuzz/findings/" >&2
fi
exit "$status"
