#!/usr/bin/env python3
"""Writes the text service's icon: one 32x32 image with 16 colours (4 bits per pixel).

The picture is a blue tile with a white letter K and an orange bar, drawn from the
pixel map below so that the icon is reproducible from source.
Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

# The 16-colour palette (B, G, R, reserved), the classic VGA order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0x80), (0x00, 0x80, 0x00), (0x00, 0x80, 0x80),
    (0x80, 0x00, 0x00), (0x80, 0x00, 0x80), (0x80, 0x80, 0x00), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0x00, 0x00, 0xFF), (0x00, 0xFF, 0x00), (0x00, 0xFF, 0xFF),
    (0xFF, 0x00, 0x00), (0xFF, 0x00, 0xFF), (0xFF, 0xFF, 0x00), (0xFF, 0xFF, 0xFF),
]  # as (R, G, B)

SIZE = 32
TRANSPARENT = None
BLUE, WHITE, ORANGE, DARK = 4, 15, 11, 1


def pixel(x, y):
    # Rounded tile with a one-pixel transparent margin.
    if x < 1 or y < 1 or x > 30 or y > 30:
        return TRANSPARENT
    if (x in (1, 30)) and (y in (1, 30)):
        return TRANSPARENT
    if x in (1, 30) or y in (1, 30):
        return DARK
    # The letter K: a stem and two diagonal arms.
    if 8 <= x <= 11 and 6 <= y <= 21:
        return WHITE
    if 6 <= y <= 21:
        arm = 13 - y if y <= 13 else y - 14
        left = 12 + arm
        if 12 <= x and left <= x <= left + 3:
            return WHITE
    # A bar under the letter.
    if 24 <= y <= 26 and 6 <= x <= 25:
        return ORANGE
    return BLUE


def build():
    rows = []
    mask_rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up DIB rows
        xor = bytearray()
        for x in range(0, SIZE, 2):
            a, b = pixel(x, y), pixel(x + 1, y)
            xor.append(((a or 0) << 4) | (b or 0))
        rows.append(bytes(xor))
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if pixel(x, y) is TRANSPARENT else 0)
        mask_rows.append(struct.pack(">I", bits))
    xor_bytes = b"".join(rows)
    and_bytes = b"".join(mask_rows)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor_bytes) + len(and_bytes), 0, 0, 16, 0)
    image = header + palette + xor_bytes + and_bytes
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return icondir + entry + image


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_icon.py OUTPUT.ico\n")
        return 2
    with open(sys.argv[1], "wb") as f:
        f.write(build())
    return 0


if __name__ == "__main__":
    sys.exit(main())
