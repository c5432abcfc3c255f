#!/usr/bin/env python3
"""Draws the program's icon (data/ambrevale.png) and hand pointer (data/HAND-M.CUR).

The pictures are committed; run this only to change them. Standard library only.
"""
import math
import struct
import zlib
from pathlib import Path

HAND = """
.....BB.........................
....BWWB........................
....BWWB........................
....BWWB........................
....BWWB........................
....BWWBBB......................
....BWWBWWBBB...................
....BWWBWWBWWBB.................
....BWWBWWBWWBWB................
BBB.BWWBWWBWWBWWB...............
BWWBBWWWWWWWWBWWB...............
BWWWBWWWWWWWWWWWB...............
.BWWWWWWWWWWWWWWB...............
..BWWWWWWWWWWWWWB...............
..BWWWWWWWWWWWWWB...............
...BWWWWWWWWWWWWB...............
...BWWWWWWWWWWWB................
....BWWWWWWWWWWB................
....BWWWWWWWWWB.................
.....BWWWWWWWWB.................
.....BWWWWWWWWB.................
.....BBBBBBBBBB.................
"""


def cursor_bytes():
    rows = [r for r in HAND.strip("\n").split("\n")]
    rows += ["." * 32] * (32 - len(rows))
    rows = [r.ljust(32, ".") for r in rows]
    xor = bytearray()
    mask = bytearray()
    for r in reversed(rows):  # bitmaps are stored bottom-up
        bits = 0
        for x, ch in enumerate(r):
            if ch == "B":
                xor += bytes((0, 0, 0, 255))
            elif ch == "W":
                xor += bytes((255, 255, 255, 255))
            else:
                xor += bytes((0, 0, 0, 0))
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    hot_x, hot_y = 5, 0  # the tip of the index finger
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, hot_x, hot_y, len(image), 22)
    return directory + entry + image


def png_bytes(size=64):
    pixels = bytearray()
    c = (size - 1) / 2
    radius = size * 0.44
    for y in range(size):
        pixels.append(0)
        for x in range(size):
            dx, dy = x - c, y - c
            d = math.hypot(dx, dy)
            if d > radius + 0.5:
                pixels += bytes((0, 0, 0, 0))
                continue
            alpha = int(255 * min(1.0, radius + 0.5 - d))
            lat = math.degrees(math.asin(max(-1, min(1, -dy / radius))))
            lon = math.degrees(math.asin(max(-1, min(1, dx / max(1e-6, math.sqrt(max(radius**2 - dy**2, 1e-6)))))))
            grid = abs(lat % 30) < 2.2 or abs(lon % 30) < 3.0
            # A great-circle arc from lower left to upper right.
            arc = abs(dy + 0.55 * dx - 0.012 * dx * dx + 4) < 1.6 and d < radius - 3
            if arc:
                rgb = (232, 120, 36)
            elif d > radius - 2.5:
                rgb = (22, 72, 120)
            elif grid:
                rgb = (120, 180, 220)
            else:
                rgb = (46, 118, 178)
            pixels += bytes(rgb + (alpha,))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(pixels), 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    data = Path(__file__).resolve().parent.parent / "data"
    (data / "HAND-M.CUR").write_bytes(cursor_bytes())
    (data / "ambrevale.png").write_bytes(png_bytes())
