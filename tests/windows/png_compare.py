#!/usr/bin/env python3
"""Compares pictures of the same frame from the Linux and the Windows build.

    png_compare.py A.png B.png [MIN_PSNR_DB]

Prints the PSNR over the RGB channels (alpha is ignored: areas that are only cleared read back
with alpha 0) and the largest difference of any channel, and exits 1 when the pictures differ in
size or the PSNR is below MIN_PSNR_DB (default: no limit). Plain Python: PNG is decoded with zlib.
"""
import math
import struct
import sys
import zlib


def read_png(path):
    with open(path, 'rb') as f:
        data = f.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(f'{path}: not a PNG file')
    pos, idat, header = 8, b'', None
    while pos + 8 <= len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        elif kind == b'IEND':
            break
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    channels = {2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace != 0:
        raise ValueError(f'{path}: only 8-bit RGB or RGBA without interlacing is read here')
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = row[i - channels] if i >= channels else 0
            up = previous[i]
            upper_left = previous[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + left) & 0xFF
            elif kind == 2:
                row[i] = (row[i] + up) & 0xFF
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - upper_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upper_left)
                predictor = left if pa <= pb and pa <= pc else up if pb <= pc else upper_left
                row[i] = (row[i] + predictor) & 0xFF
        rows.append(row)
        previous = row
    rgb = bytearray()
    for row in rows:
        for x in range(width):
            rgb += row[x * channels:x * channels + 3]
    return width, height, rgb


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    wa, ha, a = read_png(sys.argv[1])
    wb, hb, b = read_png(sys.argv[2])
    if (wa, ha) != (wb, hb):
        print(f'size {wa}x{ha} against {wb}x{hb}')
        return 1
    squares = sum((x - y) * (x - y) for x, y in zip(a, b))
    largest = max(abs(x - y) for x, y in zip(a, b))
    mse = squares / len(a)
    psnr = float('inf') if mse == 0 else 10 * math.log10(255 * 255 / mse)
    print(f'psnr {psnr:.2f} dB largest difference {largest}')
    if len(sys.argv) == 4 and psnr < float(sys.argv[3]):
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
