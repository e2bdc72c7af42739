#!/usr/bin/env python3
"""Writes the seed corpora of the MCTP and recording-file fuzz targets into fuzz/corpus/.

Each seed is a small, named example of a valid message or body or of one
edge case the parsers must refuse. Run it again after changing the list; it
replaces the files it owns and leaves others alone.
"""
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent / "fuzz" / "corpus"


def hdp(*segments, extra=None):
    """HDP body text; extra maps a 1-based segment index to extra lines."""
    extra = extra or {}
    out = b"Segment-Num:%d\r\n" % len(segments)
    for i, data in enumerate(segments, 1):
        out += b"Segment-Seq:%d\r\nData-Length:%d\r\n" % (i, len(data))
        for line in extra.get(i, []):
            out += line + b"\r\n"
        out += b"\r\n" + data
    return out


def request(name, cseq, version, body):
    header = (b"REMOTE %s MCTP/1.0\r\nCSeq:%d\r\nAccept:text/HDP\r\nContent-Type:text/HDP\r\n"
              b"Func-Version:%s\r\nContent-Length:%d\r\n\r\n"
              % (name, cseq, version, len(body)))
    return header + body


def response(status_line, fields, body=b""):
    lines = [status_line] + fields + [b"Content-Length:%d" % len(body)]
    return b"\r\n".join(lines) + b"\r\n\r\n" + body


WORD = b"\x02\x00\x00\x00"

MESSAGE_SEEDS = {
    "request_no_args": request(b"QW_SRDK_NET_GetWebServerPort", 1, b"0x10", hdp()),
    "request_two_args": request(b"QW_SRDK_MEDIA_GetVideoAttr", 2, b"0", hdp(WORD, b"")),
    "response_ok": response(b"MCTP/1.0 200 OK",
                            [b"CSeq:1", b"Return-Code:0", b"AddedData-Length:0",
                             b"Content-Type:text/HDP"], hdp(b"\x50\x00")),
    "response_error_code": response(b"MCTP/1.0 200 OK", [b"Return-Code:0x80F00009"], hdp()),
    "response_404": response(b"MCTP/1.0 404 Not Found Here", [b"CSeq:3"]),
    "spaces_and_empty_value": b"  MCTP/1.0   200   OK\r\n Return-Code :  012 \r\nX-Empty:\r\n\r\n",
    "no_terminator": b"MCTP/1.0 200 OK\r\nCSeq:1",
    "bad_start_line": b"HTTP/1.1 200 OK\r\nCSeq:1\r\n\r\n",
    "field_without_colon": b"MCTP/1.0 200 OK\r\nContent-Length 12\r\n\r\n",
    "huge_return_code": b"MCTP/1.0 200 OK\r\nReturn-Code:0x1234567890\r\n\r\n",
    # 2044 bytes without line end: serialising it again crosses the header limit.
    "header_near_limit": b"MCTP/1.0 200 OK\r\nX-Long:" + b"a" * 2020,
}

HDP_SEEDS = {
    "empty": hdp(),
    "two_args": hdp(WORD, b""),
    "binary_data": hdp(b"a\r\n\r\nb\x00c", bytes(range(32))),
    "extra_lines": hdp(b"A", b"B", extra={1: [b"X-Name:one", b"X-Flag:"], 2: [b"X-Name:two"]}),
    "fewer_segments": b"Segment-Num:3\r\n" + hdp(b"A")[len(b"Segment-Num:1\r\n"):],
    "length_past_end": b"Segment-Num:1\r\nSegment-Seq:1\r\nData-Length:9\r\n\r\nabc",
    "negative_length": b"Segment-Num:1\r\nSegment-Seq:1\r\nData-Length:-1\r\n\r\n",
    "huge_count": b"Segment-Num:2147483647\r\nSegment-Seq:1\r\n\r\n",
    "no_length_line": b"Segment-Num:1\r\nSegment-Seq:1\r\n\r\n",
}

# fuzz_mctp_answer: a layout byte (bit 0 allocate mode, bits 1-2 the number
# of outputs), one length byte per output, then the answer.
def answer_seed(outputs, text, allocate=False):
    return bytes([len(outputs) << 1 | int(allocate)] + list(outputs)) + text


OK_TWO = response(b"MCTP/1.0 200 OK", [b"CSeq:1", b"Return-Code:0"], hdp(b"\x01" * 72, WORD))
ANSWER_SEEDS = {
    "two_outputs": answer_seed([72, 4], OK_TWO),
    "short_outputs": answer_seed([10, 2], OK_TWO),
    "allocate": answer_seed([], OK_TWO, allocate=True),
    "count_mismatch": answer_seed([72], OK_TWO),
    "no_segments": answer_seed([8, 4], response(b"MCTP/1.0 200 OK", [b"Return-Code:0x80F00009"],
                                                 hdp())),
    "not_found": answer_seed([4], response(b"MCTP/1.0 404 Not Found", [b"CSeq:2"])),
    "other_status": answer_seed([4], response(b"MCTP/1.0 503 Busy", [])),
    "bad_body": answer_seed([4], response(b"MCTP/1.0 200 OK", [], b"Segment-Num:1\r\n")),
}

# fuzz_transfer_receive: bytes of the stream that start in the leftover
# entry (the first byte times 8), the peer's piece size ((second byte + 1)
# times 16), then the stream.
def stream_seed(leftover_units, piece_units, stream):
    return bytes([leftover_units, piece_units]) + stream


RECEIVE_SEEDS = {
    "whole_in_socket": stream_seed(0, 255, OK_TWO),
    "header_in_leftover": stream_seed(8, 0, OK_TWO),
    "two_messages": stream_seed(0, 0, OK_TWO + OK_TWO),
    "no_body": stream_seed(0, 0, response(b"MCTP/1.0 404 Not Found", [])),
    "body_short": stream_seed(2, 1, b"MCTP/1.0 200 OK\r\nContent-Length:50\r\n\r\nabc"),
    "bad_length": stream_seed(0, 3, b"MCTP/1.0 200 OK\r\nContent-Length:1x\r\n\r\n"),
    "header_too_long": stream_seed(0, 7, b"MCTP/1.0 200 OK\r\nX:" + b"a" * 2100 + b"\r\n\r\n"),
    "surplus_too_big": stream_seed(0, 255, response(b"MCTP/1.0 200 OK", []) + b"z" * 1100),
}


# fuzz_recording_file: small recording files in both header layouts.
def le(value, size):
    return value.to_bytes(size, "little")


def current_header(model_number, model_code, channels):
    header = bytearray(512)
    header[37:43] = bytes([24, 3, 14, 8, 0, 0])
    header[43:49] = bytes([24, 3, 14, 8, 10, 0])
    header[53] = 1
    header[76:78] = le(model_number, 2)
    header[80:80 + len(model_code)] = model_code
    for i, (number, rate) in enumerate(channels):
        header[100 + 40 * i] = number
        header[101 + 40 * i] = rate
    return bytes(header)


def video_record(sub, pts, payload):
    record = (b"0" + (b"1" if sub else b"0") + b"dcH264" + le(len(payload), 4) + le(0, 2)
              + b"\0\0" + le(pts, 8) + payload)
    return record + b"\0" * (-len(record) % 8)


def old_header(model_number, model_code):
    header = bytearray(512)
    header[132] = 1
    header[136] = ord("0")
    header[140:142] = le(model_number, 2)
    header[144:144 + len(model_code)] = model_code
    return bytes(header)


def old_record(channel, kind, time, payload):
    bcd = bytes((v // 10) << 4 | v % 10 for v in time)
    return bytes([0x30 + channel]) + kind + le(len(payload), 3) + bcd + b"\0" * 3 + payload


UNIT = b"\0\0\0\x01\x09\xf0" + b"\x55" * 40
RECORDING_SEEDS = {
    "current": current_header(0x9602, b"KSR9602-04CH", [(1, 25)])
    + b"".join(video_record(n % 3 == 2, 1000000 + 40000 * n, UNIT) for n in range(6)),
    "current_cut": (current_header(0x2232, b"KSR2232-04CH", [(1, 2), (3, 0)])
                    + video_record(False, 5, UNIT) + b"zz" + video_record(False, 9, UNIT))[:-40],
    "first_generation": old_header(0x2061, b"KSR2061-04CH")
    + b"".join(old_record(c, k, (24, 2, 29, 7, 0, c), UNIT)
               for c, k in [(0, b"1wb"), (1, b"0dc"), (2, b"1dc"), (5, b"0dc"), (3, b"0dc")]),
    "short": b"\0" * 300,
}


def write(target, seeds):
    folder = ROOT / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    write("fuzz_mctp_message", MESSAGE_SEEDS)
    write("fuzz_hdp_body", HDP_SEEDS)
    write("fuzz_mctp_answer", ANSWER_SEEDS)
    write("fuzz_transfer_receive", RECEIVE_SEEDS)
    write("fuzz_recording_file", RECORDING_SEEDS)
