#!/usr/bin/env python3
"""Pads the linked stub image with zero bytes to its fixed size, or fails
when it is larger. The PE checksum covers every byte of the file and its
length, so a padded image gets it anew (where the linker wrote one).

    pad_stub.py IMAGE STUB SIZE
"""
import struct
import sys

image_path, stub_path, size = sys.argv[1], sys.argv[2], int(sys.argv[3])
with open(image_path, "rb") as f:
    image = bytearray(f.read())
if len(image) > size:
    sys.exit(f"The stub image is {len(image)} bytes, {len(image) - size} more "
             f"than the {size} a stub must have.")
print(f"-- Stub image: {len(image)} bytes linked, padded to {size}.")
image += bytes(size - len(image))

# The optional header's CheckSum field; the sum is taken as if it were 0.
checksum_at = struct.unpack_from("<I", image, 0x3C)[0] + 24 + 64
if struct.unpack_from("<I", image, checksum_at)[0] != 0:
    struct.pack_into("<I", image, checksum_at, 0)
    total = 0
    for (word,) in struct.iter_unpack("<H", image):  # the size is even
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    struct.pack_into("<I", image, checksum_at, total + len(image))
with open(stub_path, "wb") as f:
    f.write(image)
