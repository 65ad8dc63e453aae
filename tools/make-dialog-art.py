#!/usr/bin/env python3
"""Draws the settings dialog's picture, resources/bitmap101.bmp.

A 200 x 150, 16-colour (4 bits per pixel) uncompressed BMP: a night sky that runs from deep
blue into purple, stars, a striped setting sun with a glow, dark hills, a perspective grid
floor, and the title "#Vornix" in a small pixel font. Everything is computed from fixed
numbers, so the file comes out byte for byte the same on every run.

Usage: make-dialog-art.py [OUTPUT]   (default: resources/bitmap101.bmp next to this tool)
"""

import math
import os
import struct
import sys

WIDTH, HEIGHT = 200, 150
HORIZON_Y = 100  # first row of the floor

# The 16 colours, as (red, green, blue).
PALETTE = [
    (0, 0, 0),        # 0  black
    (8, 8, 40),       # 1  night blue
    (20, 16, 76),     # 2  deep blue
    (48, 24, 108),    # 3  indigo
    (88, 32, 132),    # 4  purple
    (140, 40, 144),   # 5  magenta
    (212, 56, 136),   # 6  hot pink
    (248, 116, 64),   # 7  orange
    (252, 184, 56),   # 8  amber
    (255, 240, 150),  # 9  pale yellow
    (40, 220, 240),   # 10 cyan
    (20, 100, 150),   # 11 teal
    (255, 255, 255),  # 12 white
    (150, 160, 224),  # 13 star blue
    (22, 8, 44),      # 14 floor
    (255, 150, 210),  # 15 light pink
]
NIGHT, DEEP, INDIGO, PURPLE, MAGENTA, PINK, ORANGE, AMBER, PALE, CYAN, TEAL, WHITE, STAR, \
    FLOOR, LIGHT_PINK = range(1, 16)
BLACK = 0

# 4 x 4 ordered-dither thresholds, in sixteenths.
BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]

# 5 x 7 pixel glyphs for the title.
GLYPHS = {
    "#": [".#.#.", ".#.#.", "#####", ".#.#.", "#####", ".#.#.", ".#.#."],
    "V": ["#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "i": ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    "x": [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
}
TITLE = "#Vornix"
TITLE_SCALE = 3
TITLE_TOP = 10


def dithered(ramp, position, x, y):
    """Picks between neighbouring colours of `ramp` at `position` (0..1) with ordered dither."""
    scaled = max(0.0, min(1.0, position)) * (len(ramp) - 1)
    lower = int(scaled)
    if lower >= len(ramp) - 1:
        return ramp[-1]
    fraction = scaled - lower
    return ramp[lower + 1] if fraction * 16 > BAYER[y % 4][x % 4] + 0.5 else ramp[lower]


def lcg(seed):
    """A small linear congruential generator, so the stars land in the same places every run."""
    state = seed
    while True:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        yield state >> 8


def draw_sky(pixels):
    ramp = [NIGHT, DEEP, INDIGO, PURPLE, MAGENTA, PINK]
    for y in range(HORIZON_Y):
        for x in range(WIDTH):
            pixels[y][x] = dithered(ramp, (y / HORIZON_Y) ** 1.4, x, y)
    numbers = lcg(1999)
    for _ in range(70):
        x, y = next(numbers) % WIDTH, next(numbers) % 60
        pixels[y][x] = STAR if next(numbers) % 3 else WHITE


def draw_sun(pixels):
    centre_x, centre_y, radius = 100, 78, 34
    glow_ramp = [PINK, LIGHT_PINK]
    for y in range(HORIZON_Y):
        for x in range(WIDTH):
            distance = math.hypot(x - centre_x, y - centre_y)
            if distance < radius:
                # Stripes cut out of the lower half, thicker towards the horizon.
                depth = (y - centre_y) / radius
                if depth > 0 and (y - centre_y) % 6 < 1 + depth * 4:
                    continue
                height = (y - (centre_y - radius)) / (2 * radius)
                pixels[y][x] = dithered([PALE, AMBER, ORANGE, PINK], height, x, y)
            elif distance < radius + 5 and y > centre_y - radius:
                strength = 1 - (distance - radius) / 5
                if strength * 16 > BAYER[y % 4][x % 4] + 6:
                    pixels[y][x] = glow_ramp[0] if strength < 0.6 else glow_ramp[1]


def draw_hills(pixels):
    for x in range(WIDTH):
        ridge = (HORIZON_Y - 9 + 5 * math.sin(x * 0.045 + 1.3) + 3 * math.sin(x * 0.13)
                 + 2 * math.sin(x * 0.31 + 0.5))
        # The hills open up in the middle so the sun stands clear.
        opening = max(0.0, 1 - abs(x - 100) / 45)
        ridge += opening * 8
        for y in range(int(ridge), HORIZON_Y):
            edge = y - int(ridge)
            pixels[y][x] = INDIGO if edge == 0 else DEEP if edge < 3 else NIGHT


def draw_floor(pixels):
    floor_height = HEIGHT - HORIZON_Y
    # Grid rows at even steps of distance; they crowd together towards the horizon, and where
    # they would be closer than three pixels a pink haze takes over.
    line_rows = []
    distance = 1.0
    while True:
        row = HORIZON_Y + int(floor_height / distance) - 1
        if line_rows and line_rows[-1] - row < 3:
            break
        line_rows.append(row)
        distance += 0.5
    haze_bottom = line_rows[-1]
    for y in range(HORIZON_Y, HEIGHT):
        depth = (y - HORIZON_Y + 1) / floor_height  # 0 at the horizon, 1 at the front
        line_colour = CYAN if depth > 0.3 else TEAL
        for x in range(WIDTH):
            if y < haze_bottom:
                haze = (y - HORIZON_Y) / (haze_bottom - HORIZON_Y)
                pixels[y][x] = dithered([MAGENTA, PURPLE, INDIGO, DEEP], haze, x, y)
                continue
            across = (x - WIDTH / 2) / (depth * WIDTH)  # floor coordinate across the view
            on_column = abs(across * 8 - round(across * 8)) < 0.04 / depth + 0.02
            if y in line_rows or on_column:
                pixels[y][x] = line_colour
            else:
                pixels[y][x] = dithered([FLOOR, FLOOR, DEEP], depth * 0.5, x, y)
    for x in range(WIDTH):
        pixels[HORIZON_Y][x] = LIGHT_PINK if abs(x - 100) < 40 else PINK


def draw_title(pixels):
    advance = 6 * TITLE_SCALE
    text_width = advance * len(TITLE) - TITLE_SCALE
    left = (WIDTH - text_width) // 2
    lit = set()
    for index, character in enumerate(TITLE):
        for row, bits in enumerate(GLYPHS[character]):
            for column, bit in enumerate(bits):
                if bit != "#":
                    continue
                for dy in range(TITLE_SCALE):
                    for dx in range(TITLE_SCALE):
                        lit.add((left + index * advance + column * TITLE_SCALE + dx,
                                 TITLE_TOP + row * TITLE_SCALE + dy))
    for x, y in lit:  # a drop shadow, then a pink outline, then the letters
        for dx, dy in ((2, 2), (3, 3)):
            if (x + dx, y + dy) not in lit:
                pixels[y + dy][x + dx] = BLACK
    for x, y in lit:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                if (x + dx, y + dy) not in lit:
                    pixels[y + dy][x + dx] = PINK
    glyph_height = 7 * TITLE_SCALE
    for x, y in lit:
        height = (y - TITLE_TOP) / glyph_height
        pixels[y][x] = WHITE if height < 0.45 else dithered([PALE, AMBER], (height - 0.45) * 2, x, y)


def encode_bmp(pixels):
    row_bytes = (WIDTH * 4 + 31) // 32 * 4
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    rows = []
    for y in reversed(range(HEIGHT)):  # bottom row first
        row = bytearray(row_bytes)
        for x in range(WIDTH):
            row[x // 2] |= pixels[y][x] << (0 if x % 2 else 4)
        rows.append(bytes(row))
    image = b"".join(rows)
    info_header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(image), 2835, 2835,
                              16, 16)
    offset = 14 + len(info_header) + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    return file_header + info_header + palette + image


def main():
    default = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources",
                           "bitmap101.bmp")
    output = sys.argv[1] if len(sys.argv) > 1 else default
    pixels = [[0] * WIDTH for _ in range(HEIGHT)]
    draw_sky(pixels)
    draw_sun(pixels)
    draw_hills(pixels)
    draw_floor(pixels)
    draw_title(pixels)
    with open(output, "wb") as file:
        file.write(encode_bmp(pixels))


if __name__ == "__main__":
    main()
