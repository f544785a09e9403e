#!/usr/bin/env python3
"""Draws Kelbrook's application icon, a white "T" on a blue rounded square, at 16, 32 and 48
pixels into one .ico file (32-bit images with an AND mask)."""
import struct
import sys


def pixel(size, x, y):
    """BGRA of one pixel; y counts from the top."""
    radius = max(2, size // 6)
    inside = True
    for cx, cy in ((radius, radius), (size - 1 - radius, radius), (radius, size - 1 - radius),
                   (size - 1 - radius, size - 1 - radius)):
        if (x < radius and cx == radius or x > size - 1 - radius and cx != radius) and \
           (y < radius and cy == radius or y > size - 1 - radius and cy != radius):
            inside = (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    if not inside:
        return (0, 0, 0, 0)
    bar_top, bar_bottom = size * 3 // 16, size * 3 // 16 + max(2, size * 3 // 16)
    bar_left, bar_right = size * 3 // 16, size - size * 3 // 16
    stem_left, stem_right = size // 2 - max(1, size * 3 // 32), size // 2 + max(1, size * 3 // 32)
    stem_bottom = size - size * 3 // 16
    in_t = (bar_top <= y < bar_bottom and bar_left <= x < bar_right) or \
           (bar_top <= y < stem_bottom and stem_left <= x < stem_right)
    if in_t:
        return (255, 255, 255, 255)
    shade = 200 - (y * 60) // size  # a little lighter at the top
    return (shade, 90 + (y * 20) // size, 20, 255)  # blue (B, G, R, A)


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(bytes(pixel(size, x, y)) for x in range(size)))
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for y in range(size - 1, -1, -1):
        bits = 0
        row = bytearray(mask_stride)
        for x in range(size):
            if pixel(size, x, y)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + len(mask), 0, 0, 0, 0)
    return header + b"".join(rows) + mask


def main(path):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Kelbrook.ico")
