# Sourced by the demo scripts: start_recorder LOG ARGS... starts kestrel-dvrsim
# on 127.0.0.1 with the extra arguments, writing to LOG, and sets recorder_pid
# recorder_port and recorder_mctp_port once it listens (it ends the script when it does not
# start within 10 s). The caller stops it with stop_recorder.
recorder_pid=""
recorder_port=""
recorder_mctp_port=""

start_recorder() {
  local log=$1; shift
  ./build/bin/kestrel-dvrsim --address 127.0.0.1 --port 0 "$@" >"$log" 2>&1 &
  recorder_pid=$!
  for _ in $(seq 1 100); do
    recorder_port=$(sed -n 's/^kestrel-dvrsim listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log" | head -n1)
    if [ -n "$recorder_port" ]; then
      recorder_mctp_port=$(sed -n 's/^kestrel-dvrsim listening on .*(mctp \([0-9]*\)).*/\1/p' "$log" | head -n1)
      return 0
    fi
    sleep 0.1
  done
  echo "simulator did not start:" >&2
  cat "$log" >&2
  exit 1
}

stop_recorder() {
  if [ -n "$recorder_pid" ]; then
    kill "$recorder_pid" 2>/dev/null || true
  fi
}
