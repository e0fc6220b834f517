#!/usr/bin/python3
"""Draws Zolvane's artwork and writes it into resources/:

  preview.bmp  152 x 112, 24-bit: the picture of the display control panel's preview
  about.bmp    400 x 300, 24-bit: the about box's picture; the version is written on it at (220, 208)
  zolvane.ico  32 x 32 and 16 x 16, 32-bit with alpha: the program's icon

The motif is a small theatre stage at night (the skits play on it): red curtains under a gold arch,
a spotlight on the boards and the name in block letters. Everything is drawn here, from code, and
written with Pillow (Debian's python3-pil), so the files can be made again identically:

  tools/make-artwork.py [OUTPUT_FOLDER]     (default: resources/ beside this folder)
"""

import os
import sys

import PIL.Image

# Block letters, 5 x 7 cells each; only the letters the artwork needs.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    " ": ["00000"] * 7,
}

GOLD = (232, 186, 64)
GOLD_DARK = (150, 104, 24)
CURTAIN = (164, 22, 34)
CURTAIN_DARK = (98, 8, 18)
BOARDS = (92, 58, 30)
BOARDS_DARK = (60, 36, 18)
NIGHT_TOP = (6, 10, 36)
NIGHT_BOTTOM = (24, 30, 78)


class Image:
    """An RGB picture, top row first."""

    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [[colour] * width for _ in range(height)]
        self.alpha = [[255] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, left, top, right, bottom, colour):
        for y in range(max(top, 0), min(bottom, self.height)):
            for x in range(max(left, 0), min(right, self.width)):
                self.pixels[y][x] = colour


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def draw_text(image, text, left, top, scale, colour, shadow=None):
    for index, letter in enumerate(text):
        rows = GLYPHS[letter]
        for row, bits in enumerate(rows):
            for column, bit in enumerate(bits):
                if bit != "1":
                    continue
                x = left + (index * 6 + column) * scale
                y = top + row * scale
                if shadow is not None:
                    image.rect(x + scale // 2 + 1, y + scale // 2 + 1, x + scale + scale // 2 + 1,
                               y + scale + scale // 2 + 1, shadow)
                image.rect(x, y, x + scale, y + scale, colour)


def draw_centred_text(image, text, top, scale, colour, shadow=None):
    draw_text(image, text, (image.width - text_width(text, scale)) // 2, top, scale, colour, shadow)


def draw_stage(image, arch_height, curtain_width):
    """Night sky, stars, boards, spotlight, curtains and the gold arch."""
    width, height = image.width, image.height
    floor = height * 3 // 4
    for y in range(height):
        sky = mix(NIGHT_TOP, NIGHT_BOTTOM, y / max(floor, 1))
        for x in range(width):
            image.pixels[y][x] = sky
    # Stars at fixed, scattered places: the same picture every time.
    seed = 12345
    for _ in range(width * height // 180):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        x = seed % width
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        y = seed % floor
        image.put(x, y, mix((150, 160, 200), (255, 255, 255), (seed % 7) / 6))
    # The boards, with a warm spotlight in the middle.
    for y in range(floor, height):
        for x in range(width):
            plank = BOARDS if ((y - floor) // max(height // 28, 2)) % 2 == 0 else BOARDS_DARK
            dx = (x - width / 2) / (width * 0.32)
            dy = (y - (floor + height) / 2) / ((height - floor) * 0.7)
            light = max(0.0, 1.0 - (dx * dx + dy * dy))
            image.pixels[y][x] = mix(plank, (255, 222, 150), light * 0.75)
    # Curtains in folds, drawn back towards the sides.
    for y in range(arch_height, height):
        drawn = curtain_width * (0.55 + 0.45 * (y - arch_height) / max(height - arch_height, 1))
        for x in range(int(drawn)):
            fold = 0.5 + 0.5 * ((x * 7 // max(curtain_width // 4, 1)) % 2)
            colour = mix(CURTAIN_DARK, CURTAIN, fold * (0.6 + 0.4 * x / max(drawn, 1)))
            image.put(x, y, colour)
            image.put(width - 1 - x, y, colour)
    # The valance along the top and the gold arch beneath it.
    image.rect(0, 0, width, arch_height, CURTAIN_DARK)
    for x in range(width):
        for y in range(arch_height):
            if (x // max(arch_height // 2, 2)) % 2 == 0 and y > arch_height // 3:
                image.put(x, y, CURTAIN)
    band = max(arch_height // 6, 2)
    image.rect(0, arch_height, width, arch_height + band, GOLD)
    image.rect(0, arch_height + band, width, arch_height + band + max(band // 2, 1), GOLD_DARK)


def make_preview():
    image = Image(152, 112)
    draw_stage(image, arch_height=12, curtain_width=30)
    draw_centred_text(image, "ZOLVANE", 40, 2, GOLD, shadow=(0, 0, 0))
    return image


def make_about():
    image = Image(400, 300)
    draw_stage(image, arch_height=30, curtain_width=70)
    draw_centred_text(image, "ZOLVANE", 78, 6, GOLD, shadow=(0, 0, 0))
    draw_centred_text(image, "SCREENSAVER", 140, 2, (236, 236, 246), shadow=(0, 0, 0))
    # A dark plate where the about box writes "Version 1.0.0.0" in green at (220, 208), 165 x 13.
    image.rect(214, 203, 391, 226, GOLD_DARK)
    image.rect(216, 205, 389, 224, (12, 14, 24))
    return image


def make_icon(size):
    image = Image(size, size)
    scale = size / 32
    for y in range(size):
        for x in range(size):
            image.alpha[y][x] = 0
    margin = int(2 * scale)
    # A rounded night-blue tile.
    for y in range(margin, size - margin):
        for x in range(margin, size - margin):
            corner = (x < margin + 2 or x >= size - margin - 2) and (y < margin + 2 or y >= size - margin - 2)
            if corner and size >= 32:
                continue
            image.pixels[y][x] = mix(NIGHT_TOP, NIGHT_BOTTOM, y / size)
            image.alpha[y][x] = 255
    # Curtains at both sides and a valance.
    curtain = int(7 * scale)
    for y in range(margin, size - margin):
        for x in range(margin, margin + curtain):
            fold = CURTAIN if ((x - margin) // max(int(2 * scale), 1)) % 2 == 0 else CURTAIN_DARK
            image.put(x, y, fold)
            image.put(size - 1 - x, y, fold)
    image.rect(margin, margin, size - margin, margin + int(4 * scale), CURTAIN_DARK)
    image.rect(margin, margin + int(4 * scale), size - margin, margin + int(5 * scale), GOLD)
    # A gold Z in the middle.
    letter_scale = max(int(2 * scale), 1)
    left = (size - 5 * letter_scale) // 2
    top = margin + int(8 * scale)
    draw_text(image, "Z", left, top, letter_scale, GOLD)
    return image


def pillow_image(image, alpha=False):
    """The picture as a Pillow image: RGB, or RGBA with its alpha."""
    if alpha:
        picture = PIL.Image.new("RGBA", (image.width, image.height))
        picture.putdata([colour + (opacity,) for row, opacities in zip(image.pixels, image.alpha)
                         for colour, opacity in zip(row, opacities)])
    else:
        picture = PIL.Image.new("RGB", (image.width, image.height))
        picture.putdata([colour for row in image.pixels for colour in row])
    return picture


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    icons = [pillow_image(make_icon(size), alpha=True) for size in (32, 16)]
    # Pillow writes RGB as 24-bit bitmaps, rows bottom up after a BITMAPINFOHEADER, as windres takes
    # them; the icon's images are 32-bit bitmaps with alpha ("bmp"), not Pillow's default of PNG.
    outputs = [
        ("preview.bmp", pillow_image(make_preview()), {}),
        ("about.bmp", pillow_image(make_about()), {}),
        ("zolvane.ico", icons[0], {"sizes": [(32, 32), (16, 16)], "append_images": icons[1:],
                                   "bitmap_format": "bmp"}),
    ]
    for name, picture, options in outputs:
        path = os.path.join(folder, name)
        picture.save(path, **options)
        print(f"wrote {path} ({os.path.getsize(path)} bytes)")


if __name__ == "__main__":
    main()
