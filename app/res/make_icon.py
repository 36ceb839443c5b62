#!/usr/bin/env python3
"""Writes quillbay.ico: a page with a quill, 16x16 and 32x32, each in 16 and
in 256 colours. Run it again after changing the drawing; commit its output.

    python3 app/res/make_icon.py app/res/quillbay.ico
"""
import math
import struct
import sys

# The 16 colours every display has; the 16-colour images use exactly these.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette256():
    colours = list(VGA16)
    steps = [0, 51, 102, 153, 204, 255]
    colours += [(r, g, b) for r in steps for g in steps for b in steps]
    colours += [(v, v, v) for v in range(8, 248, 10)][: 256 - len(colours)]
    colours += [(0, 0, 0)] * (256 - len(colours))
    return colours


PAGE = (255, 255, 255)
PAGE_EDGE = (64, 64, 64)
FOLD = (200, 200, 200)
LINES = (70, 110, 180)
QUILL = (20, 120, 140)
QUILL_DARK = (0, 64, 80)
NIB = (40, 40, 40)


def inside_polygon(x, y, points):
    hit = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def colour_at(u, v):
    """The drawing in unit coordinates (0..1, y down); None is transparent."""
    # The quill lies over the page, from the upper right to the nib at lower left.
    ax, ay, bx, by = 0.92, 0.06, 0.30, 0.80
    dx, dy = bx - ax, by - ay
    length = math.hypot(dx, dy)
    t = ((u - ax) * dx + (v - ay) * dy) / (length * length)
    across = ((u - ax) * -dy + (v - ay) * dx) / length
    if 0.0 <= t <= 1.0:
        half_width = 0.13 * math.sin(math.pi * min(1.0, t / 0.85)) if t < 0.85 else 0.02
        if abs(across) <= half_width:
            if t > 0.85:
                return NIB
            return QUILL_DARK if abs(across) < 0.025 or across > half_width * 0.55 else QUILL
    # The page with its folded corner.
    left, top, right, bottom, fold = 0.12, 0.06, 0.74, 0.96, 0.20
    page = [(left, top), (right - fold, top), (right, top + fold), (right, bottom), (left, bottom)]
    if inside_polygon(u, v, page):
        edge = 0.045
        near_edge = (u - left < edge or right - u < edge or bottom - v < edge or v - top < edge
                     or (u - (right - fold)) - (v - top) > -edge * 1.4)
        if near_edge:
            return PAGE_EDGE
        if u > right - fold and v < top + fold:
            return FOLD
        for line_top in (0.36, 0.52, 0.68, 0.84):
            if line_top <= v < line_top + 0.055 and left + 0.10 <= u <= right - 0.10:
                return LINES
        return PAGE
    return None


def render(size):
    """Average samples per pixel; transparent where most samples are. The
    small image takes one sample a pixel: averaged, it turns grey and blurred."""
    grid = 4 if size >= 32 else 1
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            samples = [colour_at((x + (i + 0.5) / grid) / size, (y + (j + 0.5) / grid) / size)
                       for i in range(grid) for j in range(grid)]
            solid = [s for s in samples if s is not None]
            if len(solid) * 2 < len(samples):
                row.append(None)
            else:
                row.append(tuple(sum(c[k] for c in solid) // len(solid) for k in range(3)))
        pixels.append(row)
    return pixels


def nearest(colour, palette):
    return min(range(len(palette)),
               key=lambda i: sum((colour[k] - palette[i][k]) ** 2 for k in range(3)))


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def bmp_image(size, bits):
    palette = VGA16 if bits == 4 else palette256()
    pixels = render(size)
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # bottom-up, as DIBs are stored
        indices = [0 if c is None else nearest(c, palette) for c in row]
        if bits == 4:
            data = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        else:
            data = bytes(indices)
        xor_rows.append(padded(data))
        mask = 0
        mask_bytes = bytearray()
        for x, c in enumerate(row):
            mask = (mask << 1) | (1 if c is None else 0)
            if x % 8 == 7:
                mask_bytes.append(mask)
                mask = 0
        and_rows.append(padded(bytes(mask_bytes)))
    xor = b"".join(xor_rows)
    and_mask = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(and_mask), 0, 0,
                         len(palette), 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + colours + xor + and_mask


def main(path):
    images = [(16, 4), (32, 4), (16, 8), (32, 8)]
    blobs = [bmp_image(size, bits) for size, bits in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", size, size, 16 if bits == 4 else 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    out += b"".join(blobs)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "quillbay.ico")
