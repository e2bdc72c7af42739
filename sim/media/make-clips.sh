#!/usr/bin/env bash
# Generates the simulator's test clips in this folder (run from anywhere):
#   clip_d1.h264, clip_cif.h264  H.264 Annex B, 25 fps, 100 frames, baseline,
#                                no B-frames, GOP 25, an access unit delimiter
#                                before every access unit, yuv420p
#   clip_d1.framemd5, clip_cif.framemd5   reference checksums of the decoded frames
#   tone.ul                      G.711 mu-law, 8000 Hz mono, 4 s of a 1000 Hz sine
#                                at amplitude 0.5 of full scale (-6.02 dBFS peak,
#                                -9.03 dBFS RMS)
# The picture is ffmpeg's test pattern: a moving colour gradient and a time
# read-out with two decimals, so every frame (40 ms) shows a new number.
set -euo pipefail
cd "$(dirname "$0")"

frames=100
rate=25

make_clip() {  # name, size, bitrate
    local name=$1 size=$2 bitrate=$3
    ffmpeg -hide_banner -loglevel error -y \
        -f lavfi -i "testsrc=size=${size}:rate=${rate}:decimals=2" \
        -frames:v "$frames" -pix_fmt yuv420p \
        -c:v libx264 -profile:v baseline -preset medium \
        -b:v "$bitrate" -maxrate "$bitrate" -bufsize "$bitrate" \
        -g 25 -keyint_min 25 -sc_threshold 0 -bf 0 \
        -x264-params "aud=1:scenecut=0" \
        -fflags +bitexact -flags +bitexact \
        -f h264 "${name}.h264"
    ffmpeg -hide_banner -loglevel error -y -i "${name}.h264" -fflags +bitexact -f framemd5 "${name}.framemd5"
}

make_clip clip_d1 704x576 320k
make_clip clip_cif 352x288 160k

ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "aevalsrc=0.5*sin(2*PI*1000*t):sample_rate=8000:channel_layout=mono:duration=4" \
    -c:a pcm_mulaw -f mulaw tone.ul

ls -l clip_d1.h264 clip_cif.h264 tone.ul clip_d1.framemd5 clip_cif.framemd5
