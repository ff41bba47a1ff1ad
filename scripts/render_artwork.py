#!/usr/bin/env python3
"""Renders the program's artwork from the SVG sources in src/resources/artwork.

rsvg-convert draws each SVG into a PNG; this script packs the pixels into the formats the resource
compiler takes: a 24-bit BMP for the background, .ico files for the icons and a .cur for the hand cursor.
Only the standard library is used, so nothing re-encodes the alpha channel on the way.

    render_artwork.py SOURCE_DIR OUTPUT_DIR [--rsvg rsvg-convert]
"""
import argparse
import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib

# Output file -> list of (svg, pixel size). The icon sizes are the ones Windows asks for: 16 and 32 for
# menus and the task bar, 48 for Explorer's tiles, 256 for its large views (stored as PNG).
ICONS = {
    "main.ico": [("logo-small.svg", 16), ("logo.svg", 32), ("logo.svg", 48), ("logo.svg", 256)],
    # The window buttons are 21 x 21; their glyphs are exactly 16 px so the code draws them unscaled.
    "close.ico": [("close.svg", 16)],
    "minimize.ico": [("minimize.svg", 16)],
    "help.ico": [("help.svg", 16)],
}
CURSORS = {"hand.cur": ("hand.svg", 32)}
BITMAPS = {"background.bmp": ("background.svg", 950, 650),
           # The installer's pictures, at the sizes its pages show them.
           "installer-welcome.bmp": ("installer-welcome.svg", 164, 314),
           "installer-header.bmp": ("installer-header.svg", 150, 57)}
PNG_FROM_SIZE = 256


def render(rsvg, svg, width, height, workdir):
    out = os.path.join(workdir, "%s-%dx%d.png" % (os.path.basename(svg), width, height))
    subprocess.run([rsvg, "--width", str(width), "--height", str(height), "--format", "png",
                    "--output", out, svg], check=True)
    with open(out, "rb") as f:
        return f.read()


def decode_png(data):
    """Returns (width, height, rows of RGBA bytes) for the 8-bit RGB/RGBA PNGs rsvg-convert writes."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat, header = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError("unsupported PNG layout")
    channels = 4 if colour == 6 else 3
    stride = width * channels
    raw = zlib.decompress(b"".join(idat))
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            upleft = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + ((left + up) >> 1)) & 255
            elif kind == 4:
                p = left + up - upleft
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upleft)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else upleft)
                line[i] = (line[i] + pred) & 255
        previous = line
        if channels == 3:
            line = bytearray(b"".join(bytes(line[x:x + 3]) + b"\xff" for x in range(0, stride, 3)))
        rows.append(bytes(line))
    return width, height, rows


def dib_image(width, height, rows):
    """A 32-bit icon/cursor image: header, bottom-up BGRA pixels, then the 1-bit AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = row[4 * x:4 * x + 4]
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def icon_file(images, kind, hotspot=(0, 0)):
    """kind 1: .ico, kind 2: .cur (whose directory entries carry the hotspot)."""
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, blob in images:
        side = 0 if size >= 256 else size
        if kind == 1:
            entry = struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(blob), offset)
        else:
            entry = struct.pack("<BBBBHHII", side, side, 0, 0, hotspot[0], hotspot[1], len(blob), offset)
        out += entry
        blobs.append(blob)
        offset += len(blob)
    return out + b"".join(blobs)


def bmp24(width, height, rows):
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for x in range(width):
            r, g, b, a = row[4 * x:4 * x + 4]
            # The background is opaque by design; anything see-through is put on white.
            r, g, b = ((c * a + 255 * (255 - a)) // 255 for c in (r, g, b))
            line += bytes((b, g, r))
        body += line + bytes(stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 3780, 3780, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(body), 0, 0, 14 + len(info)) + info + bytes(body)


def hotspot_of(svg):
    with open(svg, encoding="utf-8") as f:
        match = re.search(r'data-hotspot="(\d+)[ ,](\d+)"', f.read())
    if not match:
        raise ValueError("%s has no data-hotspot" % svg)
    return int(match.group(1)), int(match.group(2))


def write(path, data):
    # Written whole and then renamed, so an interrupted build never leaves half an image for windres.
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("source")
    parser.add_argument("output")
    parser.add_argument("--rsvg", default="rsvg-convert")
    args = parser.parse_args()
    os.makedirs(args.output, exist_ok=True)
    src = lambda name: os.path.join(args.source, name)
    with tempfile.TemporaryDirectory() as work:
        for name, (svg, width, height) in BITMAPS.items():
            w, h, rows = decode_png(render(args.rsvg, src(svg), width, height, work))
            write(os.path.join(args.output, name), bmp24(w, h, rows))
        for name, entries in ICONS.items():
            images = []
            for svg, size in entries:
                png = render(args.rsvg, src(svg), size, size, work)
                images.append((size, png if size >= PNG_FROM_SIZE else dib_image(*decode_png(png))))
            write(os.path.join(args.output, name), icon_file(images, 1))
        for name, (svg, size) in CURSORS.items():
            png = render(args.rsvg, src(svg), size, size, work)
            write(os.path.join(args.output, name), icon_file([(size, dib_image(*decode_png(png)))], 2,
                                                             hotspot_of(src(svg))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
