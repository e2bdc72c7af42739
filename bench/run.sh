#!/usr/bin/env bash
# Builds the benchmarks in an optimised tree and runs each one.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target bench_live_stream bench_config_call bench_download bench_stream_parse \
  bench_decode_present bench_live_channels bench_audio_sync bench_live_latency bench_file_playback \
  bench_record_writer bench_view_fullscreen bench_view_live bench_view_login bench_flash_upload \
  bench_replay kestrel-dvrsim
start=$SECONDS
./build-bench/bin/bench_live_stream
./build-bench/bin/bench_config_call
./build-bench/bin/bench_download
./build-bench/bin/bench_stream_parse
./build-bench/bin/bench_decode_present
./build-bench/bin/bench_live_channels 60
./build-bench/bin/bench_audio_sync
./build-bench/bin/bench_live_latency
./build-bench/bin/bench_file_playback
./build-bench/bin/bench_record_writer
./build-bench/bin/bench_view_fullscreen
./build-bench/bin/bench_view_live 60
./build-bench/bin/bench_view_login
./build-bench/bin/bench_flash_upload
./build-bench/bin/bench_replay
echo "benchmarks ran for $((SECONDS - start)) s"
