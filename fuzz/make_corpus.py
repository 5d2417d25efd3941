#!/usr/bin/env python3
"""Writes the small seed corpus of the imager file fuzzers and the OpenIGTLink
receiver's fuzzer into fuzz/corpus/.

The seeds are built here from the byte layouts, not by the program, so that
they also serve as an independent check of what a valid file looks like.
Run from anywhere: python3 fuzz/make_corpus.py
"""
import math
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"
SIGNATURE = bytes.fromhex("268FF2D2B438944F857A98E16BF75A93")


def header(name, frames, has_pain, units):
    return (name.ljust(64, b"\0") + struct.pack("<idi", 1, 45000.5, frames) +
            bytes([1 if has_pain else 0]) + units.ljust(16, b"\0"))


def frame3(count, kind):
    rec = bytearray(651)
    struct.pack_into("<Hf", rec, 0, count, 0.009)
    for i in range(count):
        rec[6 + i] = 0xFF
        struct.pack_into("<3f", rec, 22 + 12 * i, 0.01 * i, 0.0, 0.1)
        struct.pack_into("<3f", rec, 214 + 12 * i, 0.0, 0.0, 1.0)
    for i in range(max(count - 1, 0)):
        struct.pack_into("<f", rec, 406 + 4 * i, 0.02)
    rec[466] = 0xFF
    struct.pack_into("<3f", rec, 472, 0.1, 0.2, 0.3)
    rec[616] = 0xFF
    struct.pack_into("<dB", rec, 642, 1.0 / 86400, kind)
    return bytes(rec)


def format3(frames, has_pain):
    out = SIGNATURE + header(b"Seed", len(frames), has_pain, b"mmHg")
    for count, kind in frames:
        out += frame3(count, kind)
        if has_pain:
            out += struct.pack("<Bd", 0xFF, 2.5)
        if kind == 1:
            out += struct.pack("<ffB3f", 0.1, 0.3, 0xFF, 1, 2, 3)
        elif kind == 2:
            out += struct.pack("<fffB3f", 0.1, 0.2, 0.3, 0xFF, 1, 2, 3)
    return out


def format2(counts):
    out = struct.pack("<IHH", 0x7149331A, 0, 0) + header(b"Old", len(counts), True, b"kPa")
    for count in counts:
        rec = bytearray(654)
        struct.pack_into("<H", rec, 0, count)
        for i in range(count):
            rec[2 + i] = 1
            struct.pack_into("<3f", rec, 18 + 12 * i, 0.01 * i, 0.0, 0.1)
            struct.pack_into("<3f", rec, 210 + 12 * i, 0.0, 0.0, -1.0)
        struct.pack_into("<dd", rec, 638, 0.0, 1.5)
        out += bytes(rec)
    return out


def format1(num_sensors, tip, frames, with_type):
    img = struct.pack("<IB", 0xF1290001, 5) + b"Smith".ljust(32, b"\0")
    img += struct.pack("<H", num_sensors) + struct.pack("<18d", tip, *([0.02] * 17))
    if with_type:
        img += bytes([2])
    end = b""
    for n in range(frames):
        rec = bytearray(380)
        packed = (25 << 25) | (3 << 21) | (14 << 16) | (10 << 11) | (30 << 5) | n
        struct.pack_into("<I", rec, 0, packed)
        for j in range(16):
            struct.pack_into("<5fB", rec, 4 + 21 * j, 0.01 * j, 0, 0, math.pi, 0, 1)
        struct.pack_into("<H", rec, 340, 1 if n % 2 == 0 else 0)
        struct.pack_into("<5fB", rec, 342, 0.5, 0.5, 0.5, 0, 0, 1)
        end += bytes(rec)
    mar = bytes(41) + b"".join(struct.pack("<5dB", m, m, m, 0.5, 0.5, 0xFF) for m in range(6))
    mar += bytes(410 - len(mar))
    return struct.pack("<HH", len(img), len(end)) + img + end + mar


def display_frame(flags, spoil=None):
    """A frame in display_frame_fuzz's layout: an arc of 16 sensors under the
    three body markers of a colonoscopy, the hand, pain and an overtube."""
    f = {"time": 12.0 / 86400, "count": 16, "radius": 0.009,
         "valid": [1] * 16,
         "pos": [(0.3 * math.sin(0.12 * i), 0.1, 0.3 * (1 - math.cos(0.12 * i)) - 0.2)
                 for i in range(16)],
         "dir": [(math.cos(0.12 * i), 0.0, math.sin(0.12 * i)) for i in range(16)],
         "seg": [0.036] * 15}
    if spoil:
        spoil(f)
    out = struct.pack("<BB", 0, flags) + struct.pack("<dif", f["time"], f["count"], f["radius"])
    out += bytes(f["valid"])
    out += b"".join(struct.pack("<3d", *p) for p in f["pos"])
    out += b"".join(struct.pack("<3d", *d) for d in f["dir"])
    out += struct.pack("<15d", *f["seg"]) + bytes([1])
    out += bytes([1, 1, 1, 0, 0, 0])
    out += struct.pack("<18d", -0.15, 0.12, 0.25, 0.15, 0.12, 0.25, 0.0, 0.15, -0.05, *([0.0] * 9))
    out += bytes(6 * 24)
    out += bytes([1]) + struct.pack("<6d", 0.2, 0.2, 0.2, 0, 0, 1)
    out += bytes([1]) + struct.pack("<d", 2.5)
    out += struct.pack("<i", 2) + bytes(4 * 2 + 1 + 12)
    out += struct.pack("<fffB3f", 0.1, 0.2, 0.3, 1, 0.1, 0.1, 0.1)
    return out


def coincide(f):
    f["pos"][5] = f["pos"][4]
    f["seg"][4] = 0.0


def not_a_number(f):
    f["pos"][3] = (math.nan, 0.0, 0.0)


CRC64_POLYNOMIAL = 0x42F0E1EBA9EA3693  # ECMA-182, as OpenIGTLink checks bodies


def crc64(data):
    crc = 0
    for byte in data:
        crc ^= byte << 56
        for _ in range(8):
            crc = ((crc << 1) ^ CRC64_POLYNOMIAL) if crc & (1 << 63) else crc << 1
            crc &= (1 << 64) - 1
    return crc


def igtl_message(kind, device, body, version=1):
    return (struct.pack(">H", version) + kind.ljust(12, b"\0") + device.ljust(20, b"\0") +
            struct.pack(">QQQ", 0, len(body), crc64(body)) + body)


def igtl_transform(x, y, z):
    # Rotation columns (identity), then the translation in millimetres.
    return struct.pack(">12f", 1, 0, 0, 0, 1, 0, 0, 0, 1, x, y, z)


def igtl_stream():
    """The receiver's input: the first byte picks the piece size, the rest is
    what a server sends."""
    tdata = b"".join(name.ljust(20, b"\0") + bytes([4, 0]) + igtl_transform(i, 2 * i, 3 * i)
                     for i, name in enumerate([b"Probe0", b"Stylus", b"TwentyCharacterName1"]))
    string = struct.pack(">HH", 3, 9) + b"12.5 mmHg"
    extended = struct.pack(">HHII", 12, 2, 0, 7) + igtl_transform(4, 5, 6) + b"\0\0"
    return {
        "transform": bytes([7]) + igtl_message(b"TRANSFORM", b"Probe0", igtl_transform(1, 2, 3)),
        "tdata_and_pain": bytes([58]) + igtl_message(b"TDATA", b"Tracker", tdata) +
                          igtl_message(b"STRING", b"PatientPain", string),
        "version2": bytes([1]) + igtl_message(b"TRANSFORM", b"Stylus", extended, version=2),
        "skipped": bytes([0]) + igtl_message(b"STATUS", b"Kestrava", bytes(30)) +
                   igtl_message(b"TRANSFORM", b"Probe0", bytes(48)),
    }


def main():
    seeds = {
        "format3": {"empty": format3([], False),
                    "pain_kinds": format3([(3, 0), (2, 1), (16, 2)], True),
                    "no_pain": format3([(1, 2)], False)},
        "format2": {"empty": format2([]), "two": format2([3, 16])},
        "format1": {"tip": format1(4, 0.025, 2, True), "no_tip": format1(16, 0.0, 3, False)},
        "display": {"arc": display_frame(0x0F), "lateral_no_cutoff": display_frame(0x06),
                    "coincident": display_frame(0x0D, coincide),
                    "not_a_number": display_frame(0x0D, not_a_number)},
        "igtlink": igtl_stream(),
    }
    for reader, files in seeds.items():
        folder = ROOT / reader
        folder.mkdir(parents=True, exist_ok=True)
        for name, data in files.items():
            (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
