#!/usr/bin/env python3
"""Writes the golden label-record files of this folder, byte by byte from the record layout,
without using the program. RecordTest.cpp builds the same pages and items with the program
and requires its writer to produce exactly these bytes.

Run from anywhere: python3 make_golden.py (writes next to itself).
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def rgb(r, g, b):
    """A COLORREF: 0x00BBGGRR."""
    return r | (g << 8) | (b << 16)


def page_block(positionX, positionY, width, height, holeWidth, holeHeight, spineWidth,
               spineHeight, spineOffsetX, spineOffsetY, spineCutoutX, spineCutoutY,
               templateId, coverSide, labelType, trackListIndex, printOverInnerCircle,
               showBorder, useUpperLabel, spineTextsCreated, reservedFlag, backgroundColor):
    b = struct.pack('<12d', positionX, positionY, width, height, holeWidth, holeHeight,
                    spineWidth, spineHeight, spineOffsetX, spineOffsetY, spineCutoutX,
                    spineCutoutY)
    b += struct.pack('<9i', templateId, coverSide, labelType, trackListIndex,
                     printOverInnerCircle, showBorder, useUpperLabel, spineTextsCreated,
                     reservedFlag)
    b += struct.pack('<I', backgroundColor)
    assert len(b) == 136
    return b


def logfont(height=0, width=0, escapement=0, orientation=0, weight=0, italic=0, underline=0,
            strikeOut=0, charSet=0, outPrecision=0, clipPrecision=0, quality=0,
            pitchAndFamily=0, face=b''):
    b = struct.pack('<5i8B', height, width, escapement, orientation, weight, italic, underline,
                    strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily)
    b += face.ljust(32, b'\0')
    assert len(b) == 60
    return b


def item_record(kind, rect, lineColor=0, fillColor=0, penWidth=1, font=None, points=(),
                image=b'', imageFormat=0, text=None, textLength=0, rotation=0.0,
                hasTrackText=1, trackLayout=1, alignment=0, trackCount=0,
                columns=((None, 0),) * 5, layoutFrame=(0, 0, 0, 0), holeFrame=(0, 0, 0, 0)):
    """text and each column are (bytes, stored length); a string part is its stored length
    plus one bytes: the characters, then zeros."""
    fixed = struct.pack('<ihH', kind, 0, 0)                   # kind, reserved16, padding
    fixed += struct.pack('<II', 0, len(points))               # points placeholder, count
    fixed += struct.pack('<4i', *rect)
    fixed += struct.pack('<4i', *layoutFrame)
    fixed += struct.pack('<4i', *holeFrame)
    fixed += struct.pack('<II', lineColor, fillColor)
    fixed += struct.pack('<hH', penWidth, 0)                  # penWidth, padding
    fixed += font if font is not None else logfont()
    fixed += struct.pack('<Ii', 0, textLength)                # text placeholder, length
    fixed += struct.pack('<iII', imageFormat, len(image), 0)  # format, size, placeholder
    fixed += b'\0' * 4                                        # padding
    fixed += struct.pack('<d', rotation)
    fixed += struct.pack('<4i', hasTrackText, trackLayout, alignment, trackCount)
    for _, length in columns:
        fixed += struct.pack('<Ii', 0, length)                # placeholder, stored length
    assert len(fixed) == 224

    def string_part(chars, length):
        if length == 0:
            return b''
        assert len(chars) <= length
        return chars.ljust(length + 1, b'\0')

    var = b''.join(struct.pack('<dd', x, y) for x, y in points)
    var += image
    var += string_part(text or b'', textLength)
    for chars, length in columns:
        var += string_part(chars or b'', length)
    return fixed + var


def entry(record):
    return struct.pack('<I', len(record)) + record


def png_of_10000_bytes():
    """A 17 x 191 RGB PNG whose picture data is stored uncompressed, which makes the file
    exactly 10000 bytes: 8 signature + 25 IHDR + 12 + 9943 IDAT + 12 IEND, the IDAT being
    2 zlib header + 5 stored-block header + 191 * (1 + 17 * 3) + 4 Adler-32.
    Quadrants: red top-left, green top-right, blue bottom-left, yellow bottom-right."""
    w, h = 17, 191
    raw = b''
    for y in range(h):
        raw += b'\0'  # filter: none
        for x in range(w):
            left, top = x < 8, y < 95
            raw += (b'\xff\0\0' if left else b'\0\xff\0') if top else \
                   (b'\0\0\xff' if left else b'\xff\xff\0')
    stream = b'\x78\x01' + b'\x01' + struct.pack('<HH', len(raw), len(raw) ^ 0xFFFF) + raw
    stream += struct.pack('>I', zlib.adler32(raw))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + \
            struct.pack('>I', zlib.crc32(kind + data))

    png = b'\x89PNG\r\n\x1a\n'
    png += chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
    png += chunk(b'IDAT', stream)
    png += chunk(b'IEND', b'')
    assert len(png) == 10000
    return png


# LineItem(10, 20, 300, -40, RGB(0x11, 0x22, 0x33), RGB(0x44, 0x55, 0x66)): 224 + 2 x 16.
LINE = item_record(0, (10, 20, 300, -40), rgb(0x11, 0x22, 0x33), rgb(0x44, 0x55, 0x66),
                   points=((10.0, 20.0), (300.0, -40.0)))
assert len(LINE) == 256

# TextItem(5, 6, 105, 56, RGB(1, 2, 3), RGB(200, 100, 50), "Hello", 14-point bold italic
# Liberation Sans), then alignment 1 and rotation 270: 224 + "Hello" + NUL.
TEXT = item_record(7, (5, 6, 105, 56), rgb(1, 2, 3), rgb(200, 100, 50),
                   font=logfont(height=14, weight=700, italic=1, pitchAndFamily=0x22,
                                face=b'Liberation Sans'),
                   text=b'Hello', textLength=5, rotation=270.0, alignment=1)
assert len(TEXT) == 230

# TrackListItem(20, 30, 220, 330, RGB(0, 0, 0), RGB(0x30, 0x20, 0x10), ""): an empty text
# stored with length 1 (two zero bytes), the 8-point screen font (lfHeight -11 at 96 dots
# per inch), layout 0, 30 rows numbered 1 to 30. The number column keeps its plain length,
# the other four count their terminator (so they end in two zero bytes).
TAGS = [b'@[VLMKTRACKNO]::', b'@[VLMKTRACKTITLE]::', b'@[VLMKTRACKARTIST]::',
        b'@[VLMKTRACKLENGTH]::', b'@[VLMKTRACKALBUM]::']
numbers = b''.join(TAGS[0] + str(r + 1).encode() for r in range(30))
COLUMNS = [(numbers, len(numbers))] + [(t * 30, len(t) * 30 + 1) for t in TAGS[1:]]
TRACKS = item_record(9, (20, 30, 220, 330), rgb(0, 0, 0), rgb(0x30, 0x20, 0x10),
                     font=logfont(height=-11, weight=400, pitchAndFamily=0x20, face=b'Arial'),
                     text=b'', textLength=1, trackLayout=0, alignment=0, trackCount=30,
                     columns=COLUMNS)

# ImageItem(30, 40, picture.png, "png"): the 17 x 191 picture at its natural size, format 4
# (PNG), the file's bytes after the fixed part: 224 + 10000.
PNG = png_of_10000_bytes()
PICTURE = item_record(6, (30, 40, 47, 231), imageFormat=4, image=PNG)
assert len(PICTURE) == 10224

# FreehandItem(1, 2, RGB(255, 0, 0)) drawn on through (5, 9) and (-3, 4): 224 + 3 x 16.
FREEHAND = item_record(3, (-3, 2, 5, 9), rgb(255, 0, 0),
                       points=((1.0, 2.0), (5.0, 9.0), (-3.0, 4.0)))
assert len(FREEHAND) == 272

EMPTY_PAGE = page_block(12.5, -3.25, 120.0, 120.5, 41.0, 41.0, 6.5, 118.0, 1.5, 2.5, 0.75,
                        118.25, 7, 5, 2, -1, 1, 0, 1, 1, 5, 0x00C0FFEE)
EMPTY_PAGE += struct.pack('<I', 0)
assert len(EMPTY_PAGE) == 140

# A disc page of a standard CD project with the line, the text and the stroke, in that
# stacking order.
SMALL_PAGE = page_block(4.0, 5.0, 117.0, 117.0, 41.0, 41.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0,
                        1, 5, 0, -1, 0, 1, 1, 0, 0, rgb(255, 255, 255))
SMALL_PAGE += struct.pack('<I', 3) + entry(LINE) + entry(TEXT) + entry(FREEHAND)
assert len(SMALL_PAGE) == 140 + 260 + 234 + 276

FILES = {
    'empty_page.bin': EMPTY_PAGE,
    'small_page.bin': SMALL_PAGE,
    'line_record.bin': LINE,
    'text_record.bin': TEXT,
    'tracklist_record.bin': TRACKS,
    'picture.png': PNG,
    'picture_record.bin': PICTURE,
}

if __name__ == '__main__':
    for name, data in FILES.items():
        with open(os.path.join(HERE, name), 'wb') as f:
            f.write(data)
        print(f'{name}: {len(data)} bytes')
