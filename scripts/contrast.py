#!/usr/bin/python3
"""Contrast of text against what lies behind it, measured in a screenshot.

  contrast.py SHOT.png NAME:X,Y,W,H ...

For each box (in the screenshot's pixels) the background is the box's most
common colour and the text colour the one farthest from it in luminance (the
cores of the glyphs); prints both and their WCAG contrast ratio. Reads the
image through ImageMagick's convert.
"""

import subprocess
import sys
from collections import Counter


def read_ppm(path):
    data = subprocess.run(["/usr/bin/convert", path, "-depth", "8", "ppm:-"],
                          check=True, capture_output=True).stdout
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:]
    return width, height, pixels


def luminance(rgb):
    def linear(c):
        c /= 255.0
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = rgb
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b)


def ratio(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def main(argv):
    width, height, pixels = read_ppm(argv[1])
    worst = None
    for item in argv[2:]:
        name, box = item.split(":")
        x, y, w, h = (int(v) for v in box.split(","))
        colours = Counter()
        for row in range(max(y, 0), min(y + h, height)):
            for col in range(max(x, 0), min(x + w, width)):
                i = (row * width + col) * 3
                colours[tuple(pixels[i:i + 3])] += 1
        background = colours.most_common(1)[0][0]
        text = max(colours, key=lambda c: ratio(c, background))
        r = ratio(text, background)
        worst = r if worst is None else min(worst, r)
        hexes = "#%02x%02x%02x on #%02x%02x%02x" % (text + background)
        print(f"  {name:<22} {hexes}  {r:5.2f} : 1  {'ok' if r >= 4.5 else 'BELOW 4.5'}")
    print(f"  lowest: {worst:.2f} : 1")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
