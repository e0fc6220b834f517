#!/usr/bin/python3
"""Makes the demo skits: six short movies drawn from code, and the manifest of a skit list.

    make_demo_skits.py OUTDIR [--base-url URL]   the demo skits and OUTDIR/demo-skits.json
    make_demo_skits.py --samples OUTDIR          the small movies that the player's tests play

The manifest is what `paktool make-sync MANIFEST OUT` turns into a skit list: three regular skits that
are downloaded and chosen for play, and the special skits 1 to 4 that the show plays at its fixed
points. Specials 1 and 2 both mean "a skit-list download starts now" and share one movie.

Everything is drawn here, pixel by pixel. Four movies are written as GIF89a by Pillow (Debian's
python3-pil); two become MP4 videos with a sound track (a tone), encoded by ffmpeg: H.264 at 25 frames a
second and AAC, as the README advises skit authors.
"""

import argparse
import io
import json
import math
import os
import random
import subprocess
import sys

from PIL import Image

WIDTH, HEIGHT = 320, 240


# ---- GIF89a ---------------------------------------------------------------------------------------


def encode_gif(width, height, palette, frames):
    """A GIF89a file of the frames, each a (pixels, delay in hundredths of a second) pair.

    Pillow writes it, with the palette padded to 256 colours as the one colour table of every frame.
    The movie plays once (there is no looping extension), and it is not interlaced. Every frame is
    drawn over what is there (disposal 1); after the first only the rectangle that changed is stored,
    and a frame that is the same as the one before is left out, its delay added to that one's.
    """
    colours = bytes(value for rgb in palette for value in rgb).ljust(768, b"\0")
    pictures = []
    for pixels, _ in frames:
        picture = Image.frombytes("P", (width, height), bytes(pixels))
        picture.putpalette(colours)
        pictures.append(picture)
    # Pillow heads the file GIF87a when the first delay is 0; the frame delays need GIF89a.
    pictures[0].info["version"] = b"89a"
    out = io.BytesIO()
    pictures[0].save(out, "GIF", save_all=True, append_images=pictures[1:], palette=colours,
                     duration=[delay * 10 for _, delay in frames], disposal=1, optimize=False,
                     interlace=False)
    return out.getvalue()


# ---- Drawing --------------------------------------------------------------------------------------


class Canvas:
    """A picture of palette indices, with the few shapes our artwork needs."""

    def __init__(self, width=WIDTH, height=HEIGHT, colour=0):
        self.width = width
        self.height = height
        self.pixels = bytearray([colour]) * (width * height)

    def copy(self):
        other = Canvas(self.width, self.height)
        other.pixels[:] = self.pixels
        return other

    def span(self, y, x0, x1, colour):
        """Fills the row y from x0 to x1 (both included), clipped to the picture."""
        if y < 0 or y >= self.height:
            return
        x0, x1 = max(int(x0), 0), min(int(x1), self.width - 1)
        if x0 <= x1:
            base = y * self.width
            self.pixels[base + x0:base + x1 + 1] = bytes([colour]) * (x1 - x0 + 1)

    def rect(self, x, y, w, h, colour):
        for row in range(int(y), int(y + h)):
            self.span(row, x, x + w - 1, colour)

    def disc(self, cx, cy, r, colour):
        for row in range(int(cy - r), int(cy + r) + 1):
            dy = row + 0.5 - cy
            if abs(dy) <= r:
                dx = math.sqrt(r * r - dy * dy)
                self.span(row, round(cx - dx), round(cx + dx) - 1, colour)

    def ellipse(self, cx, cy, rx, ry, colour):
        for row in range(int(cy - ry), int(cy + ry) + 1):
            dy = (row + 0.5 - cy) / ry
            if abs(dy) <= 1:
                dx = rx * math.sqrt(1 - dy * dy)
                self.span(row, round(cx - dx), round(cx + dx) - 1, colour)

    def ring(self, cx, cy, r, thickness, colour):
        for row in range(int(cy - r), int(cy + r) + 1):
            dy = row + 0.5 - cy
            if abs(dy) > r:
                continue
            outer = math.sqrt(r * r - dy * dy)
            inner_r = r - thickness
            if abs(dy) < inner_r:
                inner = math.sqrt(inner_r * inner_r - dy * dy)
                self.span(row, round(cx - outer), round(cx - inner) - 1, colour)
                self.span(row, round(cx + inner), round(cx + outer) - 1, colour)
            else:
                self.span(row, round(cx - outer), round(cx + outer) - 1, colour)

    def hills(self, base, amplitude, wavelength, phase, colour):
        """Fills everything below a gentle wave."""
        for x in range(self.width):
            top = int(base - amplitude * math.sin(2 * math.pi * x / wavelength + phase))
            for row in range(max(top, 0), self.height):
                self.pixels[row * self.width + x] = colour

    def text(self, message, x, y, scale, colour, shadow=None):
        for offset, glyph in glyph_runs(message, scale):
            for gy, line in enumerate(glyph):
                for gx, bit in enumerate(line):
                    if bit == "#":
                        px, py = x + offset + gx * scale, y + gy * scale
                        if shadow is not None:
                            self.rect(px + max(scale // 3, 1), py + max(scale // 3, 1), scale, scale, shadow)
                        self.rect(px, py, scale, scale, colour)


# Our own 5 by 7 capitals, drawn for these skits.
FONT = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "J": ["..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    ".": [".....", ".....", ".....", ".....", ".....", ".##..", ".##.."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}


def glyph_runs(message, scale):
    """Each character's glyph with its x offset; glyphs are 5 wide with one column between them."""
    return [(i * 6 * scale, FONT[c]) for i, c in enumerate(message)]


def text_width(message, scale):
    return (len(message) * 6 - 1) * scale


def centred_text(canvas, message, y, scale, colour, shadow=None):
    canvas.text(message, (canvas.width - text_width(message, scale)) // 2, y, scale, colour, shadow)


def blend(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


class Palette:
    """Colours by name; a gradient takes a run of entries."""

    def __init__(self):
        self.colours = []
        self.names = {}

    def add(self, name, rgb):
        self.names[name] = len(self.colours)
        self.colours.append(rgb)
        return self.names[name]

    def gradient(self, name, start, stop, steps):
        first = len(self.colours)
        for i in range(steps):
            self.colours.append(blend(start, stop, i / max(steps - 1, 1)))
        self.names[name] = first
        return first

    def __getitem__(self, name):
        return self.names[name]


# ---- The skits ------------------------------------------------------------------------------------


def bouncing_balls():
    """Three balls bounce across a room with a tiled floor, each with its shadow."""
    p = Palette()
    p.add("black", (0, 0, 0))
    wall = p.gradient("wall", (18, 24, 64), (44, 60, 120), 16)
    p.add("tileA", (92, 70, 52))
    p.add("tileB", (120, 94, 70))
    p.add("shadow", (52, 40, 30))
    p.add("red", (230, 64, 58))
    p.add("yellow", (250, 204, 60))
    p.add("green", (80, 200, 120))
    p.add("shine", (255, 250, 235))
    floor = 180
    room = Canvas()
    for row in range(floor):
        room.span(row, 0, WIDTH - 1, wall + row * 16 // floor)
    for row in range(floor, HEIGHT):
        for col in range(0, WIDTH, 20):
            tile = "tileA" if ((col // 20) + (row - floor) // 12) % 2 == 0 else "tileB"
            room.span(row, col, col + 19, p[tile])
    balls = [  # colour, radius, start x, speed x, bounce period in frames, height, phase
        ("red", 16, 40, 3.1, 30, 120, 0.0),
        ("yellow", 11, 250, -2.4, 20, 90, 0.4),
        ("green", 20, 150, 1.7, 40, 140, 0.7),
    ]
    frames = []
    for n in range(60):
        canvas = room.copy()
        for colour, r, x0, vx, period, height, phase in balls:
            # Bounce between the walls, and follow a parabola between touches of the floor.
            span_x = WIDTH - 2 * r
            x = (x0 - r + vx * n) % (2 * span_x)
            x = r + (x if x <= span_x else 2 * span_x - x)
            t = ((n / period) + phase) % 1.0
            lift = height * 4 * t * (1 - t)
            y = floor - r - lift
            canvas.ellipse(x, floor + 4, r * (1.1 - 0.5 * lift / height), 4, p["shadow"])
            canvas.disc(x, y, r, p[colour])
            canvas.disc(x - r / 3, y - r / 3, max(r / 4, 2), p["shine"])
        frames.append((canvas.pixels, 5))
    return p.colours, frames


def sunrise():
    """The sun climbs out from behind two rows of hills while the sky turns from night to day."""
    p = Palette()
    p.add("black", (0, 0, 0))
    skies = [((10, 12, 40), (60, 40, 90)), ((40, 50, 110), (200, 110, 90)),
             ((70, 110, 180), (250, 170, 110)), ((110, 170, 230), (250, 220, 160))]
    sky = [p.gradient("sky%d" % i, top, bottom, 24) for i, (top, bottom) in enumerate(skies)]
    p.add("sun", (255, 214, 90))
    p.add("glow", (255, 236, 170))
    p.add("far", (70, 90, 120))
    p.add("near", (30, 70, 50))
    p.add("stars", (230, 230, 255))
    stars = random.Random(7)
    star_points = [(stars.randrange(WIDTH), stars.randrange(120)) for _ in range(40)]
    frames = []
    count = 40
    for n in range(count):
        stage = min(n * len(skies) // count, len(skies) - 1)
        canvas = Canvas()
        for row in range(HEIGHT):
            canvas.span(row, 0, WIDTH - 1, sky[stage] + min(row * 24 // 200, 23))
        if stage == 0:
            for x, y in star_points:
                canvas.rect(x, y, 1 + (x + y + n) % 2, 1, p["stars"])
        sun_y = 200 - n * 3.2
        canvas.disc(200, sun_y, 30, p["glow"])
        canvas.disc(200, sun_y, 24, p["sun"])
        canvas.hills(170, 14, 260, 0.5, p["far"])
        canvas.hills(200, 10, 180, 2.0, p["near"])
        frames.append((canvas.pixels, 8))
    return p.colours, frames


def scroller():
    """The word ZOLVANE rides a wave from right to left over a field of stars."""
    p = Palette()
    p.add("black", (0, 0, 0))
    p.add("star", (200, 200, 230))
    p.add("dim", (90, 90, 130))
    p.add("shadow", (40, 30, 70))
    letters = [p.add("letter%d" % i, rgb) for i, rgb in enumerate(
        [(255, 90, 90), (255, 170, 60), (250, 230, 80), (110, 220, 110), (80, 190, 250), (140, 120, 255),
         (230, 110, 230)])]
    rng = random.Random(11)
    stars = [(rng.randrange(WIDTH), rng.randrange(HEIGHT), rng.random() < 0.3) for _ in range(70)]
    word = "ZOLVANE"
    scale = 7
    span = WIDTH + text_width(word, scale)
    frames = []
    count = 50
    for n in range(count):
        canvas = Canvas()
        for x, y, bright in stars:
            canvas.rect(x, y, 1, 1, p["star"] if bright and (x + n) % 6 else p["dim"])
        left = WIDTH - span * n // (count - 1)
        for i, (offset, glyph) in enumerate(glyph_runs(word, scale)):
            y = 95 + round(26 * math.sin(n * 0.35 + i * 0.8))
            for gy, line in enumerate(glyph):
                for gx, bit in enumerate(line):
                    if bit == "#":
                        px, py = left + offset + gx * scale, y + gy * scale
                        canvas.rect(px + 2, py + 2, scale, scale, p["shadow"])
                        canvas.rect(px, py, scale, scale, letters[i])
        frames.append((canvas.pixels, 6))
    return p.colours, frames


def notice_card(title, subtitle, seed):
    """A special skit's card: a title and a line under it, each a list of lines, and a row of lights
    that fill up."""
    p = Palette()
    p.add("black", (0, 0, 0))
    back = p.gradient("back", (16, 20, 48), (40, 26, 70), 20)
    p.add("title", (250, 230, 140))
    p.add("sub", (170, 200, 250))
    p.add("shadow", (10, 10, 20))
    p.add("off", (60, 60, 90))
    p.add("on", (120, 240, 160))
    p.add("spark", (255, 255, 255))
    card = Canvas()
    for row in range(HEIGHT):
        card.span(row, 0, WIDTH - 1, back + row * 20 // HEIGHT)
    y = 40
    for line in title:
        centred_text(card, line, y, 4, p["title"], p["shadow"])
        y += 36
    y += 6
    for line in subtitle:
        centred_text(card, line, y, 2, p["sub"], p["shadow"])
        y += 20
    rng = random.Random(seed)
    sparks = [(rng.randrange(10, WIDTH - 10), rng.randrange(6, 30), rng.randrange(8)) for _ in range(12)]
    frames = []
    lights = 10
    for n in range(30):
        canvas = card.copy()
        lit = n * (lights + 1) // 30
        for i in range(lights):
            canvas.disc(70 + i * 20, 205, 6, p["on"] if i < lit else p["off"])
        for x, y, phase in sparks:
            if (n + phase) % 8 < 3:
                canvas.rect(x - 2, y, 5, 1, p["spark"])
                canvas.rect(x, y - 2, 1, 5, p["spark"])
        frames.append((canvas.pixels, 8))
    return p.colours, frames


def logo_card():
    """The name in the middle of rings that spread out like ripples."""
    p = Palette()
    p.add("black", (0, 0, 0))
    rings = p.gradient("ring", (120, 200, 255), (20, 30, 60), 8)
    p.add("title", (255, 240, 200))
    p.add("shadow", (30, 30, 60))
    p.add("sub", (160, 170, 220))
    frames = []
    for n in range(36):
        canvas = Canvas()
        for k in range(4):
            radius = 20 + ((n * 4 + k * 36) % 144)
            fade = min(radius * 8 // 165, 7)
            canvas.ring(160, 120, radius, 3, rings + fade)
        centred_text(canvas, "ZOLVANE", 100, 5, p["title"], p["shadow"])
        centred_text(canvas, "SCREENSAVER", 150, 2, p["sub"])
        frames.append((canvas.pixels, 7))
    return p.colours, frames


def encode_mp4(path, width, height, palette, frames, tone):
    """The frames as an H.264 video at 25 frames a second, each held for its delay, with a tone as AAC."""
    rate = 25
    colours = bytes(channel for colour in palette for channel in colour)
    colours += bytes(768 - len(colours))
    video = bytearray()
    for pixels, delay in frames:
        frame = Image.frombytes("P", (width, height), bytes(pixels))
        frame.putpalette(colours)
        video += frame.convert("RGB").tobytes() * max(1, round(delay * rate / 100))
    seconds = len(video) / (width * height * 3) / rate
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
                    "-s", f"{width}x{height}", "-r", str(rate), "-i", "-",
                    "-f", "lavfi", "-i", f"sine=frequency={tone}:duration={seconds:.2f}",
                    "-c:v", "libx264", "-preset", "medium", "-crf", "23", "-pix_fmt", "yuv420p", "-threads", "1",
                    "-c:a", "aac", "-b:a", "96k", "-movflags", "+faststart", "-shortest", path],
                   input=bytes(video), check=True)


# Each movie: file name, skit name, description, drawing. A movie named .mp4 becomes a video.
MOVIES = [
    ("bouncing-balls.mp4", "Bouncing Balls", "Three balls bounce across a tiled room.", bouncing_balls),
    ("sunrise.gif", "Sunrise", "The sun climbs over the hills as night turns to day.", sunrise),
    ("zolvane-scroller.mp4", "Zolvane Scroller", "The name rides a wave across the stars.", scroller),
    ("special-fetching.gif", "Fetching New Skits", "Shown while a new skit list is fetched.",
     lambda: notice_card(["FETCHING", "NEW SKITS"], ["PLEASE STAND BY"], 3)),
    ("special-on-offer.gif", "New Skits on Offer", "Shown while new skits wait to be chosen.",
     lambda: notice_card(["NEW SKITS", "ON OFFER"], ["CHOOSE THEM IN", "THE SETTINGS"], 5)),
    ("special-zolvane.gif", "Zolvane", "Shown when there is nothing else to play.", logo_card),
]

# The skits of the list: kind, id, file name. Specials 1 and 2 both announce a skit-list download.
SKITS = [
    ("regular", 1, "bouncing-balls.mp4"),
    ("regular", 2, "sunrise.gif"),
    ("regular", 3, "zolvane-scroller.mp4"),
    ("special", 1, "special-fetching.gif"),
    ("special", 2, "special-fetching.gif"),
    ("special", 3, "special-on-offer.gif"),
    ("special", 4, "special-zolvane.gif"),
]


def manifest(base_url):
    about = {name: (title, description) for name, title, description, _ in MOVIES}
    skits = []
    for kind, skit_id, name in SKITS:
        title, description = about[name]
        skits.append({
            "kind": kind,
            "id": skit_id,
            "version": 1,
            "name": title,
            "fileName": name,
            "description": description,
            "url": base_url + "/" + name,
            "state": "downloaded",
            "play": "yes",
            "playsLeft": -1,
            "availableFrom": "2020-01-01T00:00:00",
        })
    return {
        "listVersion": 1,
        "listUrl": base_url + "/skits.syn",
        "listIntervalDays": 7,
        "skits": skits,
    }


def solid_frames(width, height, colours, delays):
    """Frames of one colour each, for the tests: the colour tells which frame shows."""
    frames = []
    for index, delay in zip(colours, delays):
        frames.append((bytearray([index]) * (width * height), delay))
    return frames


# The player's test movies: colours by palette index, delays in hundredths of a second.
SAMPLE_PALETTE = [(0, 0, 0), (200, 40, 40), (40, 160, 60), (40, 60, 200), (230, 200, 40), (240, 240, 240)]
SAMPLES = [
    # Mostly delays of 0 and 1, which must play as 100 ms each: 700 ms in all.
    ("short.gif", 64, 48, [1, 2, 3, 4, 5], [0, 0, 1, 1, 30]),
    # A minute per frame: long enough for any test to close it first.
    ("long.gif", 64, 48, [1, 2], [6000, 6000]),
    # Four times the width of the test screen, so it has to be scaled down to fit.
    ("wide.gif", 5120, 800, [2, 3], [6000, 6000]),
]


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir", help="the folder to write into; it is made when missing")
    parser.add_argument("--base-url", default="http://127.0.0.1/zolvane",
                        help="where the skit list and the movies are served from (default %(default)s)")
    parser.add_argument("--samples", action="store_true", help="write the player's test movies instead")
    args = parser.parse_args(argv)
    os.makedirs(args.outdir, exist_ok=True)
    if args.samples:
        for name, width, height, colours, delays in SAMPLES:
            write(os.path.join(args.outdir, name),
                  encode_gif(width, height, SAMPLE_PALETTE, solid_frames(width, height, colours, delays)))
        return 0
    for number, (name, _, _, draw) in enumerate(MOVIES):
        palette, frames = draw()
        if name.endswith(".mp4"):
            encode_mp4(os.path.join(args.outdir, name), WIDTH, HEIGHT, palette, frames, 330 + 110 * number)
        else:
            write(os.path.join(args.outdir, name), encode_gif(WIDTH, HEIGHT, palette, frames))
    with open(os.path.join(args.outdir, "demo-skits.json"), "w", encoding="ascii") as out:
        json.dump(manifest(args.base_url.rstrip("/")), out, indent=2)
        out.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
