#!/usr/bin/env python3
"""Runs kestrel-mediacheck against its embedded recorder and checks what it
printed and wrote against the clip's per-frame checksums: every picture in
order from the clip's first frame, the raw file holding the same pictures,
a summary that adds up, and a refusal of a host outside loopback."""
import hashlib
import os
import re
import subprocess
import sys

WIDTH, HEIGHT = 352, 288
MIN_PICTURES = 50  # 3 s at 25 fps leaves room for a slow start
TAIL_SLACK = 3  # frames received just before the stop may still be queued


def reference_md5s(path):
    md5s = []
    with open(path) as lines:
        for line in lines:
            if not line.startswith("#"):
                md5s.append(line.rsplit(",", 1)[1].strip())
    return md5s


def yuyv_as_yuv420_md5(picture):
    rows = [picture[y * 2 * WIDTH:(y + 1) * 2 * WIDTH] for y in range(HEIGHT)]
    digest = hashlib.md5()
    for row in rows:
        digest.update(row[0::2])
    for offset in (1, 3):
        for row in rows[0::2]:
            digest.update(row[offset::4])
    return digest.hexdigest()


def fail(message, output=""):
    print("FAIL:", message)
    if output:
        print(output)
    sys.exit(1)


def check_cif_run(program, reference, work_dir):
    raw_path = os.path.join(work_dir, "mediacheck_cif.yuyv")
    run = subprocess.run([program, "--stream", "1", "--seconds", "3", "--out", raw_path],
                         capture_output=True, text=True, timeout=60)
    if run.returncode != 0:
        fail("exit status %d: %s" % (run.returncode, run.stderr), run.stdout)
    frames = re.findall(r"^frame (\d+) (\d+)x(\d+) ([0-9a-f]{32})$", run.stdout, re.M)
    if len(frames) < MIN_PICTURES:
        fail("only %d pictures" % len(frames), run.stdout)
    for index, (number, width, height, md5) in enumerate(frames):
        if int(number) != index or (int(width), int(height)) != (WIDTH, HEIGHT):
            fail("line %d reads frame %s %sx%s" % (index, number, width, height))
        if md5 != reference[index % len(reference)]:
            fail("picture %d is not frame %d of the clip" % (index, index % len(reference)))

    summary = dict(re.findall(r"^summary: ([a-z ]+?) (\d+)", run.stdout, re.M))
    presented = int(summary.get("pictures presented", -1))
    received = int(summary.get("frames received", -1))
    if presented != len(frames):
        fail("summary says %d pictures, %d lines" % (presented, len(frames)), run.stdout)
    if not 0 <= received - presented <= TAIL_SLACK:
        fail("%d frames received, %d presented" % (received, presented), run.stdout)
    if summary.get("renderer clears") != "1":
        fail("the stop should clear the window once", run.stdout)

    picture_bytes = 2 * WIDTH * HEIGHT
    with open(raw_path, "rb") as raw:
        data = raw.read()
    os.remove(raw_path)
    if len(data) != presented * picture_bytes:
        fail("raw file holds %d bytes for %d pictures" % (len(data), presented))
    for index in range(presented):
        picture = data[index * picture_bytes:(index + 1) * picture_bytes]
        if yuyv_as_yuv420_md5(picture) != reference[index % len(reference)]:
            fail("raw picture %d differs from frame %d of the clip" % (index, index % 100))
    print("%d pictures match the clip, %d frames received" % (presented, received))


def check_refuses_outside_loopback(program):
    run = subprocess.run([program, "--host", "192.168.1.10", "--port", "5000"],
                         capture_output=True, text=True, timeout=10)
    if run.returncode != 2 or "127.0.0.0/8" not in run.stderr or "frame" in run.stdout:
        fail("a host outside loopback was not refused (status %d)" % run.returncode,
             run.stdout + run.stderr)


def main():
    program, framemd5, work_dir = sys.argv[1:4]
    reference = reference_md5s(framemd5)
    if len(reference) != 100:
        fail("%s holds %d checksums" % (framemd5, len(reference)))
    check_refuses_outside_loopback(program)
    check_cif_run(program, reference, work_dir)


if __name__ == "__main__":
    main()
