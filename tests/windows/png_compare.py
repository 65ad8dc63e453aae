#!/usr/bin/env python3
"""Compares pictures of the same frame from the Linux and the Windows build.

    png_compare.py A.png B.png [MIN_PSNR_DB]

Prints the PSNR over the RGB channels (alpha is ignored: areas that are only cleared read back
with alpha 0) and the largest difference of any channel, and exits 1 when the pictures differ in
size or the PSNR is below MIN_PSNR_DB (default: no limit).
"""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'support'))
from pictures import read_png  # noqa: E402


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
