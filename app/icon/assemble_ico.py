"""Packs raw RGBA images into one .ico of classic DIB entries.

Usage: assemble_ico.py OUT.ico FILE:SIZE:BITS...

BITS 4 and 8 write a palette image (the colours must already be reduced to at
most 16 or 256, transparent pixels aside); BITS 24 writes plain BGR. Pixels
with less than half alpha become transparent through the AND mask and are
black in the colour part, as Windows expects for masked icons.
"""
import struct
import sys


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def pack_indices(indices, bits):
    out = bytearray()
    if bits == 8:
        out.extend(indices)
    else:
        for i in range(0, len(indices), 2):
            low = indices[i + 1] if i + 1 < len(indices) else 0
            out.append(indices[i] << 4 | low)
    return out


def dib_entry(rgba, size, bits):
    pixels = [tuple(rgba[i:i + 4]) for i in range(0, len(rgba), 4)]
    if len(pixels) != size * size:
        raise SystemExit(f"expected {size}x{size} pixels, got {len(pixels)}")
    opaque = [p[3] >= 128 for p in pixels]
    colours = [p[:3] if o else (0, 0, 0) for p, o in zip(pixels, opaque)]

    palette = []
    if bits in (4, 8):
        palette = sorted(set(colours))
        if len(palette) > 1 << bits:
            raise SystemExit(f"{len(palette)} colours do not fit {bits} bits")
        palette += [(0, 0, 0)] * ((1 << bits) - len(palette))
    index = {c: i for i, c in enumerate(palette)}

    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # DIB rows run bottom-up
        row = colours[y * size:(y + 1) * size]
        if bits == 24:
            line = bytearray(b for r, g, b_ in row for b in (b_, g, r))
        else:
            line = pack_indices([index[c] for c in row], bits)
        xor += line + bytes(row_bytes(size * bits) - len(line))
        mask_line = bytearray(row_bytes(size))
        for x in range(size):
            if not opaque[y * size + x]:
                mask_line[x // 8] |= 0x80 >> (x % 8)
        mask += mask_line

    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0,
                         len(xor) + len(mask), 0, 0, len(palette) if bits != 24 else 0, 0)
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colour_table + bytes(xor) + bytes(mask), len(palette) if bits == 4 else 0


def main(argv):
    out_path, entries = argv[1], argv[2:]
    images = []
    for entry in entries:
        path, size, bits = entry.rsplit(":", 2)
        with open(path, "rb") as f:
            images.append((int(size), int(bits)) + dib_entry(f.read(), int(size), int(bits)))

    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    data = b""
    for size, bits, blob, colour_count in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0, 1, bits,
                                 len(blob), offset + len(data))
        data += blob
    with open(out_path, "wb") as f:
        f.write(directory + data)


if __name__ == "__main__":
    main(sys.argv)
