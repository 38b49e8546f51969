#!/usr/bin/env python3
"""Builds main_icon.ico (one 32x32 image, 16 colours) from main_icon.txt."""
import struct
import sys

PALETTE = [0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
           0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF]


def main(src, dst):
    rows = [l.rstrip('\n') for l in open(src, encoding='ascii') if l.strip() and not l.startswith('#')]
    if len(rows) != 32 or any(len(r) != 32 for r in rows):
        sys.exit(f"{src}: need 32 rows of 32 pixels")
    xor, mask = bytearray(), bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        nibbles = [0 if c == '.' else int(c, 16) for c in row]
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, 32, 2))
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c == '.' else 0)
        mask += struct.pack('>I', bits)
    palette = b''.join(struct.pack('<BBBB', c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0) for c in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    icondir = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    with open(dst, 'wb') as f:
        f.write(icondir + entry + image)


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
