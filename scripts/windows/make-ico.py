#!/usr/bin/env python3
"""Packs PNG pictures into one Windows .ico (each image kept as PNG, as Windows Vista and
later read it): make-ico.py OUT.ico IN1.png IN2.png ..."""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("not a PNG picture")
    return struct.unpack(">II", data[16:24])


def main():
    out, pictures = sys.argv[1], [open(p, "rb").read() for p in sys.argv[2:]]
    header = struct.pack("<HHH", 0, 1, len(pictures))
    offset = len(header) + 16 * len(pictures)
    entries, blobs = b"", b""
    for data in pictures:
        width, height = png_size(data)
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data),
                               offset + len(blobs))
        blobs += data
    with open(out, "wb") as f:
        f.write(header + entries + blobs)


if __name__ == "__main__":
    main()
