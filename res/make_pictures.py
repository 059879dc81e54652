#!/usr/bin/env python3
"""Draws the program's own pictures: area.bmp, shadow.bmp (24-bit, white is transparent)
and the icon dozero.ico. Run it from anywhere; it writes next to itself."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
WHITE = (255, 255, 255)


def disc(size, inside, outline=None):
    """A filled disc on white with hard edges (no blended fringe: only exact white is
    left out when the picture is drawn)."""
    r = size / 2.0
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d2 = (x + 0.5 - r) ** 2 + (y + 0.5 - r) ** 2
            if d2 <= (r - 0.5) ** 2:
                if outline and d2 >= (r - size / 24.0) ** 2:
                    row.append(outline)
                else:
                    row.append(inside(x, y))
            else:
                row.append(WHITE)
        rows.append(row)
    return rows


def write_bmp(path, rows):
    h = len(rows)
    w = len(rows[0])
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def icon_image(size):
    """A small board: white square, blue grid, a red disc and a translucent area."""
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    cell = size // 4
    for y in range(size):
        for x in range(size):
            c = (255, 255, 255, 255)
            if x % cell == 0 or y % cell == 0 or x == size - 1 or y == size - 1:
                c = (100, 100, 255, 255)
            px[y][x] = c
    def put_disc(cx, cy, rad, col):
        for y in range(size):
            for x in range(size):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= rad * rad:
                    px[y][x] = col
    put_disc(size * 0.62, size * 0.62, size * 0.30, (255, 190, 190, 255))
    put_disc(size * 0.32, size * 0.32, size * 0.20, (255, 1, 1, 255))
    return px


def write_ico(path, sizes):
    images = []
    for s in sizes:
        px = icon_image(s)
        xor = bytearray()
        for row in reversed(px):
            for (r, g, b, a) in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((s + 31) // 32) * 4
        andmask = bytes(mask_stride * s)  # all opaque; alpha decides
        bih = struct.pack("<IiiHHIIiiII", 40, s, s * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
        images.append((s, bih + bytes(xor) + andmask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in images:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def main():
    # A melee area: a reddish disc with a darker rim; drawn at opacity 100 over the board.
    write_bmp(os.path.join(HERE, "area.bmp"),
              disc(240, lambda x, y: (255, 96, 96), outline=(200, 40, 40)))
    # The shadow of a dragged character: a grey disc, drawn at opacity 150.
    write_bmp(os.path.join(HERE, "shadow.bmp"), disc(40, lambda x, y: (96, 96, 96)))
    write_ico(os.path.join(HERE, "dozero.ico"), [16, 32, 48])


if __name__ == "__main__":
    main()
