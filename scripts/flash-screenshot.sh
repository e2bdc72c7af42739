#!/usr/bin/env bash
# A screenshot of KestrelFlash uploading to 20 simulated recorders, for
# people to look at: the fleet runs on 127.0.0.2.. and answers the search
# broadcast on 127.255.255.255; nothing leaves the loopback interface.
# Writes build/screenshots/flash-upload.png and prints its path.
# BUILD_DIR chooses the build tree (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
if [ ! -d "$build" ]; then
  cmake -S . -B "$build" >/dev/null
fi
cmake --build "$build" -j2 --target kestrel-dvrsim KestrelFlash >/dev/null

out="$PWD/build/screenshots"
mkdir -p "$out"
work=$(mktemp -d)
fleet_pid=""
cleanup() {
  if [ -n "$fleet_pid" ]; then
    kill "$fleet_pid" 2>/dev/null || true
    wait "$fleet_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# Two free ports on loopback, one for the search and one for the uploads.
read -r udp_port tcp_port < <(python3 - <<'PY'
import socket
u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); u.bind(("127.0.0.1", 0))
t = socket.socket(socket.AF_INET, socket.SOCK_STREAM); t.bind(("127.0.0.1", 0))
print(u.getsockname()[1], t.getsockname()[1])
PY
)
export KESTREL_FLASH_UDP_PORT=$udp_port KESTREL_FLASH_TCP_PORT=$tcp_port
# Its own single-instance name, so a window the operator has open stays out of it.
export KESTREL_FLASH_INSTANCE=kestrel-flash-screenshot-$$
export KESTREL_BROADCAST_ADDR=127.255.255.255

"$build/bin/kestrel-dvrsim" --flash-fleet 20 --flash-chunk-delay 5 >"$work/fleet.log" 2>&1 &
fleet_pid=$!
for _ in $(seq 1 100); do
  [ "$(grep -c '^kestrel-dvrsim flash .* search' "$work/fleet.log" || true)" -ge 20 ] && break
  if ! kill -0 "$fleet_pid" 2>/dev/null; then
    echo "simulator did not start:" >&2
    cat "$work/fleet.log" >&2
    exit 1
  fi
  sleep 0.1
done

image="$work/Qw6100V100R003B010_T091128T091128T091128T091128T091129.sw"
head -c $((3 * 1024 * 1024 + 4321)) /dev/urandom >"$image"

xvfb-run -a -s "-screen 0 1280x800x24" "$build/bin/KestrelFlash" --open "$image" \
  --host 127.0.0.1 --search --upgrade-all --screenshot "$out/flash-upload.png" \
  --quit-after 6000 >/dev/null
echo "$out/flash-upload.png"
