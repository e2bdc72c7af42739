#!/usr/bin/env bash
# Screenshots of KestrelView's pages for people to look at: the login page,
# the live page in 1, 4, 9 and 16 panes and full screen, the REPLAY page
# (marked calendar and today's list, a playback under way, a download under
# way), every page of the remote settings window and the local settings
# page, in English and Simplified Chinese,
# against a simulated 16-channel recorder on loopback, each from a real run
# under xvfb-run.
# Writes build/screenshots/*.png and prints their paths.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-deps.sh >/dev/null
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target kestrel-dvrsim KestrelView SimplifiedChinese >/dev/null

out="$PWD/build/screenshots"
mkdir -p "$out"
work=$(mktemp -d)
source scripts/start-recorder.sh
cleanup() {
  stop_recorder
  rm -rf "$work"
}
trap cleanup EXIT
# Three-minute recordings, served slowly enough that a playback's download
# is still under way when the picture is taken.
start_recorder "$work/sim.log" --channels 16 --model 0x14 --duration 900 \
  --recording-frames 4500 --download-rate 400000
port=$recorder_port
printf 'admin\n' >"$work/password"

shoot() {  # language, name, seconds, program arguments...
  local language=$1 name=$2 seconds=$3; shift 3
  local home="$work/home-$language"
  mkdir -p "$home"
  # The language comes from the configuration file, as the login page leaves it.
  if [ ! -f "$home/DvrUserCfg.ini" ]; then
    printf '[Language]\nLang=%s\n[Delete]\nIsDelete=1033\n' "$language" >"$home/DvrUserCfg.ini"
  fi
  KESTREL_HOME="$home/" KESTREL_DRIVE_ROOT="$work/drive/" xvfb-run -a -s "-screen 0 1280x800x24" \
    ./build/bin/KestrelView "$@" --screenshot "$out/$name.png" --quit-after "$seconds" \
    >/dev/null 2>&1 || true
  echo "$out/$name.png"
}

connect=(--connect "admin@127.0.0.1:$port" --password-file "$work/password"
  --setup-port "$recorder_mctp_port")
for language in 0 1; do
  suffix=$([ "$language" = 0 ] && echo en || echo zh)
  shoot "$language" "login-$suffix" 2
  for panes in 1 4 9 16; do
    shoot "$language" "live-$panes-$suffix" 5 "${connect[@]}" --layout "$panes"
  done
  shoot "$language" "live-fullscreen-$suffix" 5 "${connect[@]}" --layout 4 --fullscreen
  shoot "$language" "local-setting-$suffix" 3 "${connect[@]}" --page local-setting
  shoot "$language" "replay-list-$suffix" 4 "${connect[@]}" --page replay
  shoot "$language" "replay-playing-$suffix" 9 "${connect[@]}" --play-row 2
  shoot "$language" "replay-download-$suffix" 7 "${connect[@]}" --download-row 3
  for page in video audio binding record channel-alarm device-alarm network mobile email \
    system disks ptz version upgrade users rights; do
    shoot "$language" "settings-$page-$suffix" 3 "${connect[@]}" --settings-page "$page"
  done
done
