#!/usr/bin/env bash
# The console demo: builds the suite, starts a simulated recorder on loopback
# and runs a short console session against it with the protocol library, then
# shows a live channel of an embedded recorder through the media library.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target kestrel-dvrsim kestrel-netdemo kestrel-mediacheck

log=$(mktemp)
source scripts/start-recorder.sh
trap 'stop_recorder; rm -f "$log"' EXIT
start_recorder "$log" --duration 60
port=$recorder_port
head -n1 "$log"
./build/bin/kestrel-netdemo 127.0.0.1 "$port" admin admin "${1:-4}"

echo
echo "live channel through the media library (first and last pictures, summary):"
out=$(mktemp)
status=0
./build/bin/kestrel-mediacheck --seconds 3 --stream 1 >"$out" || status=$?
head -n 3 "$out"
echo "..."
grep -v '^frame ' "$out" || true
rm -f "$out"
exit $status
