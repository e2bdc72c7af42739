#!/usr/bin/env bash
# The main job: builds the suite, starts a simulated 16-channel recorder on
# loopback and opens KestrelView logged in to it, live page in the 16-pane
# grid. With a display the window stays until it is closed. Without one (or
# with --headless) it runs under xvfb-run, saves a screenshot of the live
# page after a few seconds to build/demo-live.png and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."

headless=0
[ -z "${DISPLAY:-}" ] && headless=1
[ "${1:-}" = "--headless" ] && headless=1

bash scripts/setup-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target kestrel-dvrsim KestrelView

work=$(mktemp -d)
source scripts/start-recorder.sh
cleanup() {
  stop_recorder
  rm -rf "$work"
}
trap cleanup EXIT
start_recorder "$work/sim.log" --channels 16 --model 0x14 --duration 3600
port=$recorder_port
head -n1 "$work/sim.log"

# The password goes through a file, never the command line.
printf 'admin\n' >"$work/password"
args=(--connect "admin@127.0.0.1:$port" --password-file "$work/password"
  --setup-port "$recorder_mctp_port" --layout 16)

if [ "$headless" = 1 ]; then
  shot="$PWD/build/demo-live.png"
  rm -f "$shot"
  xvfb-run -a -s "-screen 0 1280x800x24" \
    ./build/bin/KestrelView "${args[@]}" --screenshot "$shot" --quit-after 8
  grep ' PTZ ' "$work/sim.log" || true
  echo "live page screenshot: $shot"
else
  ./build/bin/KestrelView "${args[@]}"
  grep ' PTZ ' "$work/sim.log" || true
fi
