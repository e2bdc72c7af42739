#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer and ASan+UBSan in build-fuzz
# and runs each for a bounded time.
#
#   scripts/fuzz.sh [seconds-per-target [target...]]   (default 60, all targets)
#
# Each target starts from a scratch copy of its seed corpus, so the committed
# corpus stays small; inputs that crash, leak or hang land in fuzz/findings/
# (git-ignored). Exits non-zero when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "usage: $0 [seconds-per-target]" >&2
    exit 2
fi
targets=(fuzz_mctp_message fuzz_hdp_body fuzz_mctp_answer fuzz_transfer_receive
         fuzz_stream_parser fuzz_recording_file fuzz_record_writer)
if [ $# -gt 1 ]; then
    targets=("${@:2}")
fi

# Only the fuzz targets are built here, so the tests are not configured.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKESTREL_FUZZ=ON \
    -DKESTREL_SANITIZE=address -DKESTREL_BUILD_BENCH=OFF -DKESTREL_BUILD_TESTS=OFF
cmake --build build-fuzz --target "${targets[@]}"

mkdir -p fuzz/findings
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
summary=()
for target in "${targets[@]}"; do
    mkdir -p "$scratch/$target"
    cp fuzz/corpus/"$target"/* "$scratch/$target/"
    echo "== $target: ${seconds}s"
    if ! build-fuzz/bin/"$target" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="fuzz/findings/$target-" "$scratch/$target" \
            >"$scratch/$target.log" 2>&1; then
        status=1
        tail -n 40 "$scratch/$target.log"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$target.log" | tail -n 1)
    corpus=$(find "$scratch/$target" -type f | wc -l)
    summary+=("$target: ${runs:-?} executions, corpus ${corpus} inputs")
done

printf '%s\n' "${summary[@]}"
if [ "$status" -ne 0 ]; then
    echo "findings in fuzz/findings/" >&2
fi
exit "$status"
