#!/usr/bin/env python3
"""Draws the organizer's 16 by 16 images as XPM files that the program compiles in.

Run it from any folder; it rewrites the .xpm files beside itself. The images are pixel art, drawn
from the small grids and shapes below so that they stay crisp at their one size. The desktop's
application icons (calvendra-<size>.png) are the main icon enlarged by whole pixels, with
ImageMagick, when it is installed.
"""
import os
import shutil
import subprocess

SIZE = 16

PALETTE = {
    "k": "#2E3436",  # outline
    "w": "#FFFFFF",
    "g": "#D3D7CF",
    "G": "#888A85",
    "R": "#EF2929",
    "r": "#CC0000",
    "B": "#729FCF",
    "b": "#3465A4",
    "n": "#204A87",
    "E": "#8AE234",
    "e": "#4E9A06",
    "H": "#8F5902",
    "h": "#C17D11",
    "s": "#FCDCB4",
    "S": "#E9B98B",
    "y": "#FCE94F",
    "Y": "#C4A000",
    "o": "#F57900",
}

SMALL_PERSON = [
    "  kkkk  ",
    " kHHHHk ",
    " kHssHk ",
    " kssssk ",
    " kssssk ",
    "  kssk  ",
    "kkEssEkk",
    "kEEEEEEk",
    "kEEEEEEk",
    "keEEEEek",
    "kkkkkkkk",
]

PERSON = [
    "                ",
    "      kkkk      ",
    "     kHHHHk     ",
    "    kHhhhhHk    ",
    "    kHssssHk    ",
    "    kssssssk    ",
    "    ksssssSk    ",
    "     kssSSk     ",
    "      kSSk      ",
    "   kkkBSSBkkk   ",
    "  kBBBBssBBBBk  ",
    "  kBBBBBBBBBBk  ",
    " kBBBBbBBbBBBBk ",
    " kbBBBbBBbBBBbk ",
    " kbbbbbbbbbbbbk ",
    " kkkkkkkkkkkkkk ",
]

MEDIUM_PERSON = [
    "   kkkk   ",
    "  kHHHHk  ",
    " kHhhhhHk ",
    " kHssssHk ",
    " kssssssk ",
    " ksssssSk ",
    "  kssSSk  ",
    "   kSSk   ",
    "kkkBSSBkkk",
    "kBBBssBBBk",
    "kBBBBBBBBk",
    "kbBBBBBBbk",
    "kkkkkkkkkk",
]

CALENDAR = [
    "   kGk    kGk   ",
    " kkkGkkkkkkGkkk ",
    " kRRGRRRRRRGRRk ",
    " kRRRRRRRRRRRRk ",
    " krrrrrrrrrrrrk ",
    " kwwwwwwwwwwwwk ",
    " kwwggwggwggwwk ",
    " kwwggwggwggwwk ",
    " kwwwwwwwwwwwwk ",
    " kwwggwggwRRwwk ",
    " kwwggwggwRRwwk ",
    " kwwwwwwwwwwwwk ",
    " kwwggwggwwwwwk ",
    " kwwggwggwwwwwk ",
    " kwwwwwwwwwwwwk ",
    " kkkkkkkkkkkkkk ",
]

SMALL_CALENDAR = [
    "  kGk  kGk  ",
    "kkkGkkkkGkkk",
    "kRRRRRRRRRRk",
    "krrrrrrrrrrk",
    "kwwwwwwwwwwk",
    "kwggwggwggwk",
    "kwwwwwwwwwwk",
    "kwggwggwRRwk",
    "kwwwwwwwwwwk",
    "kwggwggwwwwk",
    "kwwwwwwwwwwk",
    "kkkkkkkkkkkk",
]

ENVELOPE = [
    "                ",
    "                ",
    "                ",
    "kkkkkkkkkkkkkkkk",
    "kgwwwwwwwwwwwwgk",
    "kwgwwwwwwwwwwgwk",
    "kwwgwwwwwwwwgwwk",
    "kwwwgwwwwwwgwwwk",
    "kwwwwgwwwwgwwwwk",
    "kwwwwwGGGGwwwwwk",
    "kwwwwwwwwwwwwwwk",
    "kwwwwwwwwwwwwwwk",
    "kwwwwwwwwwwwwwwk",
    "kkkkkkkkkkkkkkkk",
    "                ",
    "                ",
]

PLUS = [
    "  kkk  ",
    "  kEk  ",
    "kkkEkkk",
    "kEEEEEk",
    "kkkEkkk",
    "  kEk  ",
    "  kkk  ",
]

BELL = [
    "   k   ",
    "  kyk  ",
    " kyyyk ",
    " kyyYk ",
    "kyyyyYk",
    "kkkkkkk",
    "  kok  ",
]

GEAR = [
    " k k k ",
    "kGkGkGk",
    " kGGGk ",
    "kGGwGGk",
    " kGGGk ",
    "kGkGkGk",
    " k k k ",
]


def blank():
    return [[" "] * SIZE for _ in range(SIZE)]


def paste(canvas, grid, x, y, swap=None):
    for row, line in enumerate(grid):
        for col, ch in enumerate(line):
            if ch == " ":
                continue
            if swap and ch in swap:
                ch = swap[ch]
            canvas[y + row][x + col] = ch
    return canvas


def cross():
    canvas = blank()
    inside = []
    for y in range(SIZE):
        for x in range(SIZE):
            cx, cy = x - 7.5, y - 7.5
            d = min(abs(cx - cy), abs(cx + cy)) / 1.4142
            if max(abs(cx), abs(cy)) > 6.0:
                continue
            if d <= 1.3:
                canvas[y][x] = "r" if d > 0.8 else "R"
                inside.append((x, y))
    for x, y in inside:
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            nx, ny = x + dx, y + dy
            if 0 <= nx < SIZE and 0 <= ny < SIZE and canvas[ny][nx] == " ":
                canvas[ny][nx] = "k"
    return canvas


def grid(lines):
    return paste(blank(), lines, 0, 0)


def contact_group():
    canvas = paste(blank(), SMALL_PERSON, 0, 0)
    return paste(canvas, MEDIUM_PERSON, 6, 3)


def schedule_group():
    canvas = paste(blank(), SMALL_CALENDAR, 4, 0, swap={"R": "B", "r": "b"})
    return paste(canvas, SMALL_CALENDAR, 0, 4)


def with_badge(canvas, badge):
    return paste(canvas, badge, 9, 9)


IMAGES = {
    "contact": lambda: grid(PERSON),
    "contact_group": contact_group,
    "schedule": lambda: grid(CALENDAR),
    "schedule_group": schedule_group,
    "calendar_bell": lambda: with_badge(grid(CALENDAR), BELL),
    "new_contact": lambda: with_badge(grid(PERSON), PLUS),
    "new_contact_group": lambda: with_badge(contact_group(), PLUS),
    "new_schedule": lambda: with_badge(grid(CALENDAR), PLUS),
    "new_schedule_group": lambda: with_badge(schedule_group(), PLUS),
    "email_setting": lambda: paste(grid(ENVELOPE), GEAR, 9, 8),
    "delete": cross,
}


def write_xpm(folder, name, canvas):
    used = sorted({ch for row in canvas for ch in row if ch != " "})
    lines = ['/* XPM */', "static const char* const %s_xpm[] = {" % name,
             '"%d %d %d 1",' % (SIZE, SIZE, len(used) + 1), '"  c None",']
    lines += ['"%s c %s",' % (ch, PALETTE[ch]) for ch in used]
    rows = ['"%s"' % "".join(row) for row in canvas]
    lines += [r + "," for r in rows[:-1]] + [rows[-1], "};", ""]
    with open(os.path.join(folder, name + ".xpm"), "w") as out:
        out.write("\n".join(lines))


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for name, draw in IMAGES.items():
        canvas = draw()
        assert len(canvas) == SIZE and all(len(row) == SIZE for row in canvas), name
        write_xpm(folder, name, canvas)
    if shutil.which("convert"):
        for factor in (1, 2, 3, 4, 8):
            subprocess.run(["convert", os.path.join(folder, "calendar_bell.xpm"), "-filter", "point",
                            "-scale", "%d00%%" % factor, "-strip",
                            os.path.join(folder, "calvendra-%d.png" % (16 * factor))], check=True)


if __name__ == "__main__":
    main()
