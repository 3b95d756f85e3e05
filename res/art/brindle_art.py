"""Draws Brindle's icon group and header pictures.

Usage: brindle_art.py OUTPUT_DIR
Writes brindle.ico (16, 32 and 48 px, 32-bit with alpha and an AND mask) and
header96.bmp, header120.bmp, header144.bmp (24-bit) into OUTPUT_DIR.
Needs Debian's python3-pil and fonts-dejavu-core. The output depends only on
this file, the font and Pillow, so running it twice gives the same bytes.
"""

import struct
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

# Everything is drawn this many times larger and then reduced (by plain
# averaging), which gives smooth diagonals: Pillow's polygons have no
# anti-aliasing of their own.
SUPERSAMPLE = 8

WORDMARK_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

# Header static at 96 DPI: 274 x 33 dialog units with the 8 pt shell font's
# base units of 6 x 13 px -> 411 x 54 px (the dialog manager rounds 53.6 up).
# Fonts with a shorter cell (IPAGothic: 6 x 12, a 50 px static) crop a few
# rows; with a wider one Windows fills the uncovered part with the top-left
# pixel's colour, so the picture's edges are all that colour and no seam shows.
HEADER_96 = (411, 54)
HEADER_SCALES = {"header96.bmp": 1.0, "header120.bmp": 1.25, "header144.bmp": 1.5}

CARD_TOP = (0x2E, 0x9B, 0xF0)       # card body, light end of the gradient
CARD_BOTTOM = (0x0F, 0x5C, 0xB8)    # card body, dark end
CARD_EDGE = (0x08, 0x2F, 0x66)      # outline: separates the card from a light taskbar
BAR_COLOUR = (0xFF, 0xFF, 0xFF)     # signal bars: read on the card whatever the taskbar


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def vertical_gradient(size, top, bottom):
    w, h = size
    column = Image.new("RGB", (1, h))
    for y in range(h):
        column.putpixel((0, y), lerp(top, bottom, y / max(h - 1, 1)))
    return column.resize((w, h))


def card_outline(x0, y0, x1, y1, notch):
    """SIM card: a rectangle whose top-right corner is cut off."""
    return [(x0, y0), (x1 - notch, y0), (x1, y0 + notch), (x1, y1), (x0, y1)]


def draw_card(canvas, box, edge_width, bars, fill_top, fill_bottom, edge, bar):
    """Draws the card glyph into the RGBA canvas; box and sizes in canvas pixels."""
    x0, y0, x1, y1 = box
    # Pillow fills a polygon including its far edge; the box is exclusive.
    x1, y1 = x1 - 1, y1 - 1
    notch = round((x1 - x0) * 0.34)
    mask = Image.new("L", canvas.size, 0)
    ImageDraw.Draw(mask).polygon(card_outline(x0, y0, x1, y1, notch), fill=255)
    inner = Image.new("L", canvas.size, 0)
    e = edge_width
    ImageDraw.Draw(inner).polygon(
        card_outline(x0 + e, y0 + e, x1 - e, y1 - e, notch - round(e * 0.41)), fill=255)

    body = vertical_gradient(canvas.size, fill_top, fill_bottom).convert("RGBA")
    outline = Image.new("RGBA", canvas.size, edge + (255,))
    canvas.paste(outline, (0, 0), mask)
    canvas.paste(body, (0, 0), inner)

    d = ImageDraw.Draw(canvas)
    for bx0, by0, bx1, by1 in bars:
        d.rectangle((bx0, by0, bx1 - 1, by1 - 1), fill=bar + (255,))


def icon_image(px):
    """One icon size, laid out on its own pixel grid so the small sizes stay crisp."""
    s = SUPERSAMPLE
    canvas = Image.new("RGBA", (px * s, px * s), (0, 0, 0, 0))
    if px == 16:
        box, edge = (2, 0, 14, 16), 1
        bars = [(4, 10, 6, 13), (7, 7, 9, 13), (10, 4, 12, 13)]
    else:
        u = px / 32
        box, edge = (5 * u, 1 * u, 27 * u, 31 * u), max(1, round(px / 24))
        bars = [(9 * u, 19 * u, 13 * u, 26 * u),
                (14 * u, 14 * u, 18 * u, 26 * u),
                (19 * u, 9 * u, 23 * u, 26 * u)]

    def scaled(r):
        # Whole source pixels first: an edge between two pixels turns into
        # a blurred column after the reduction.
        return tuple(round(v) * s for v in r)

    draw_card(canvas, scaled(box), edge * s, [scaled(b) for b in bars],
              CARD_TOP, CARD_BOTTOM, CARD_EDGE, BAR_COLOUR)
    return canvas.resize((px, px), Image.BOX)


def ico_entry(img):
    """BITMAPINFOHEADER + bottom-up BGRA pixels + AND mask, as Windows XP reads them."""
    w, h = img.size
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in reversed(range(h)):
        row_mask = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = img.getpixel((x, y))
            if a == 0:
                r = g = b = 0
                row_mask[x // 8] |= 0x80 >> (x % 8)
            pixels += bytes((b, g, r, a))
        mask += row_mask
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, images):
    entries = [ico_entry(img) for img in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for img, data in zip(images, entries):
        w, h = img.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in entries:
        out += data
    Path(path).write_bytes(bytes(out))


HEADER_EDGE = (0x0B, 0x3D, 0x91)
HEADER_GLOW = (0x3A, 0x8E, 0xE0)


def header_image(scale):
    # Half up, not Python's round-half-even: 616.5 px is 617.
    w, h = (int(v * scale + 0.5) for v in HEADER_96)
    s = SUPERSAMPLE
    W, H = w * s, h * s

    # A glow centred on the wordmark that dies out towards every edge, so
    # the outermost pixels are all HEADER_EDGE (see HEADER_96).
    def window(u, soft):
        a = min(u / soft, (1 - u) / soft, 1.0)
        return a * a * (3 - 2 * a)

    glow = Image.new("RGB", (w, h))
    cx = w * 0.42
    for y in range(h):
        wy = window(y / (h - 1), 0.45)
        for x in range(w):
            falloff = max(0.0, 1 - abs(x - cx) / (w * 0.55))
            t = falloff * window(x / (w - 1), 0.12) * wy
            glow.putpixel((x, y), lerp(HEADER_EDGE, HEADER_GLOW, t))
    img = glow.resize((W, H), Image.BICUBIC).convert("RGBA")

    # Faint signal arcs on the right: decoration only, so the settings
    # dialog, which crops the picture at both sides, loses nothing.
    arcs = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    d = ImageDraw.Draw(arcs)
    cx, cy = W * 0.86, H * 0.92
    for i in range(1, 4):
        r = H * 0.28 * i
        d.arc((cx - r, cy - r, cx + r, cy + r), 200, 340, fill=(255, 255, 255, 46),
              width=round(H * 0.07))
    img = Image.alpha_composite(img, arcs)

    # Glyph and wordmark sit well inside the part that the settings dialog
    # keeps (its header is 240 of the 274 dialog units wide).
    glyph_h = H * 0.70
    gx0, gy0 = W * 0.12, (H - glyph_h) / 2
    gw = glyph_h * 0.74
    u = gw / 22
    box = (gx0, gy0, gx0 + gw, gy0 + glyph_h)
    bars = [(gx0 + 4 * u, gy0 + glyph_h * 0.60, gx0 + 8 * u, gy0 + glyph_h * 0.83),
            (gx0 + 9 * u, gy0 + glyph_h * 0.43, gx0 + 13 * u, gy0 + glyph_h * 0.83),
            (gx0 + 14 * u, gy0 + glyph_h * 0.26, gx0 + 18 * u, gy0 + glyph_h * 0.83)]
    glyph = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    draw_card(glyph, tuple(round(v) for v in box), round(1.5 * u),
              [tuple(round(v) for v in b) for b in bars],
              (0xFF, 0xFF, 0xFF), (0xDC, 0xEA, 0xF8), (0x06, 0x27, 0x55), CARD_BOTTOM)
    img = Image.alpha_composite(img, glyph)

    font = ImageFont.truetype(WORDMARK_FONT, round(H * 0.50))
    text = "Brindle"
    d = ImageDraw.Draw(img)
    left, top, right, bottom = d.textbbox((0, 0), text, font=font)
    tx = gx0 + gw + W * 0.035
    ty = (H - (bottom - top)) / 2 - top
    d.text((tx + H * 0.02, ty + H * 0.025), text, font=font, fill=(0, 0x1A, 0x40, 110))
    d.text((tx, ty), text, font=font, fill=(255, 255, 255, 255))

    return img.resize((w, h), Image.LANCZOS).convert("RGB")


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    out = Path(argv[1])
    write_ico(out / "brindle.ico", [icon_image(px) for px in (16, 32, 48)])
    for name, scale in HEADER_SCALES.items():
        header_image(scale).save(out / name, format="BMP")


if __name__ == "__main__":
    main(sys.argv)
