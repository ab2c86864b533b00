#!/usr/bin/env python3
"""Builds the glyph-name and compatibility-character tables of the Unicode encoding.

Usage: generate_unicode_tables.py <output .cpp> <input files...>
The inputs are told apart by their file names: glyphlist.txt, zapfdingbats.txt,
zapf-dingbats-encoding.tsv and UnicodeData.txt. The generator exits non-zero when the published
data do not give exactly the rows the encoding is built from.
"""

import os
import sys

from tablegen import data_lines, fail, single_code_point_glyphs

# Glyph-list entries that stand for a single code point.
GLYPH_LIST_ROWS = 4200
# Zapf Dingbats characters: each gives two rows, its character name and the font's glyph name.
DINGBAT_PAIRS = 187
GLYPH_NAME_ROWS = GLYPH_LIST_ROWS + 2 * DINGBAT_PAIRS  # 4,574
# Every code must fit one UTF-16 unit; the highest in the data is the fullwidth won sign.
HIGHEST_CODE = 0xFFE6

# The dingbat glyph names the font encodes: a1 to a204 without a80, a85 to a96 and a113 to a116
# (a205 and a206 are in the glyph list but not in the font's encoding).
DINGBAT_NAMES = set("a%d" % n for n in range(1, 205)) - set(
    ["a80"] + ["a%d" % n for n in range(85, 97)] + ["a%d" % n for n in range(113, 117)])

# The characters that have a compatibility replacement, as inclusive ranges.
COMPAT_RANGES = [
    (0x00A0, 0x00A0), (0x00AD, 0x00AD), (0x00B5, 0x00B5), (0x017F, 0x017F),
    (0x03D0, 0x03D2), (0x03D5, 0x03D6), (0x03F0, 0x03F2), (0x03F4, 0x03F5), (0x03F9, 0x03F9),
    (0x2002, 0x2006), (0x2008, 0x200A), (0x2024, 0x2024), (0x205F, 0x205F), (0x2107, 0x2107),
    (0x2135, 0x2138), (0x2160, 0x2160), (0x2164, 0x2164), (0x2169, 0x2169), (0x216C, 0x2170),
    (0x2174, 0x2174), (0x2179, 0x2179), (0x217C, 0x217F), (0x2E9F, 0x2E9F), (0x2EF3, 0x2EF3),
    (0x2F00, 0x2FD5), (0x3036, 0x3036), (0x3038, 0x303A), (0x3131, 0x318E), (0xFE49, 0xFE4F),
]
COMPAT_PAIRS = 365
# The soft hyphen has no decomposition; it is replaced by the hyphen-minus it usually stands for.
COMPAT_EXCEPTIONS = {0x00AD: 0x002D}

# Rows whose values the encoding's behaviour rests on; a data file that disagrees is the wrong file.
GLYPH_ANCHORS = [
    ("A", 0x0041), ("AE", 0x00C6), ("Delta", 0x2206), ("Deltagreek", 0x0394), ("H18533", 0x25CF),
    ("commaaccent", 0xF6C3), ("UPPER BLADE SCISSORS", 0x2701), ("a1", 0x2701),
    ("BLACK CIRCLE", 0x25CF), ("a71", 0x25CF),
]
COMPAT_ANCHORS = [(0x00B5, 0x03BC), (0x2002, 0x0020), (0x2F00, 0x4E00), (0x3131, 0x1100), (0xFE4D, 0x005F)]


def read_glyph_list(path):
    """The single-code-point entries as (name, code), in ascending byte order of the name."""
    rows = single_code_point_glyphs(path)
    if len(rows) != GLYPH_LIST_ROWS:
        fail("%s holds %d single-code-point names, expected %d" % (path, len(rows), GLYPH_LIST_ROWS))
    if len(set(name for name, _ in rows)) != len(rows):
        fail("%s names a glyph twice" % path)
    return sorted(rows, key=lambda row: row[0].encode())


def read_dingbat_codes(path):
    codes = {}
    for line in data_lines(path):
        name, code = line.split(";")
        codes[name] = int(code, 16)
    return codes


def read_dingbat_order(path):
    """The font's glyph names in the order of its character codes, without the space."""
    lines = list(data_lines(path))
    if not lines or lines[0].split("\t") != ["code", "name"]:
        fail("%s does not start with the header code<TAB>name" % path)
    rows = sorted((int(code), name) for code, name in (line.split("\t") for line in lines[1:]))
    return [name for _, name in rows if name != "space"]


def read_unicode_data(path):
    """Code point -> (name, decomposition field)."""
    characters = {}
    for line in data_lines(path):
        fields = line.split(";")
        characters[int(fields[0], 16)] = (fields[1], fields[5])
    return characters


def dingbat_rows(order, codes, characters):
    if len(order) != DINGBAT_PAIRS or set(order) != DINGBAT_NAMES:
        fail("the Zapf Dingbats encoding holds %d glyphs, expected the %d names a1 to a204 less a80, "
             "a85 to a96 and a113 to a116" % (len(order), DINGBAT_PAIRS))
    rows = []
    for glyph in order:
        if glyph not in codes:
            fail("%s is not in the Zapf Dingbats glyph list" % glyph)
        code = codes[glyph]
        name = characters.get(code, ("",))[0]
        if not name or name.startswith("<"):
            fail("U+%04X (%s) has no character name in the Unicode data" % (code, glyph))
        rows.append((name.upper(), code))
        rows.append((glyph, code))
    return rows


def compat_rows(characters):
    rows = []
    for first, last in COMPAT_RANGES:
        for code in range(first, last + 1):
            if code in COMPAT_EXCEPTIONS:
                rows.append((code, COMPAT_EXCEPTIONS[code]))
                continue
            decomposition = characters.get(code, ("", ""))[1].split()
            # Only a tagged decomposition (<compat>, <noBreak>, ...) to one character qualifies.
            if len(decomposition) != 2 or not decomposition[0].startswith("<"):
                fail("U+%04X has no single-character compatibility decomposition" % code)
            rows.append((code, int(decomposition[1], 16)))
    if len(rows) != COMPAT_PAIRS:
        fail("%d compatibility characters, expected %d" % (len(rows), COMPAT_PAIRS))
    return rows


def check_anchors(glyph_rows, compat):
    for anchor in GLYPH_ANCHORS:
        if anchor not in glyph_rows:
            fail("the glyph rows lack %s U+%04X" % anchor)
    for anchor in COMPAT_ANCHORS:
        if anchor not in compat:
            fail("the compatibility pairs lack U+%04X -> U+%04X" % anchor)


def c_string(text):
    if any(ord(ch) < 0x20 or ord(ch) > 0x7E or ch in '"\\' for ch in text):
        fail("glyph name %r is not plain printable ASCII" % text)
    return '"%s"' % text


def main():
    if len(sys.argv) < 2:
        fail("usage: generate_unicode_tables.py <output> <inputs...>")
    output = sys.argv[1]
    inputs = {os.path.basename(path): path for path in sys.argv[2:]}
    for name in ["glyphlist.txt", "zapfdingbats.txt", "zapf-dingbats-encoding.tsv", "UnicodeData.txt"]:
        if name not in inputs:
            fail("missing input %s" % name)

    characters = read_unicode_data(inputs["UnicodeData.txt"])
    glyph_rows = read_glyph_list(inputs["glyphlist.txt"])
    glyph_rows += dingbat_rows(read_dingbat_order(inputs["zapf-dingbats-encoding.tsv"]),
                               read_dingbat_codes(inputs["zapfdingbats.txt"]), characters)
    if len(glyph_rows) != GLYPH_NAME_ROWS:
        fail("%d glyph rows, expected %d" % (len(glyph_rows), GLYPH_NAME_ROWS))
    for name, code in glyph_rows:
        if code == 0 or code > HIGHEST_CODE:
            fail("%s U+%04X is not one UTF-16 unit at or below U+%04X" % (name, code, HIGHEST_CODE))
    compat = compat_rows(characters)
    check_anchors(glyph_rows, compat)

    out = ["// Generated by tools/generate_unicode_tables.py from data/agl, data/tables and data/unicode;"
           " do not edit.",
           '#include "GUnicodeTables.h"',
           "",
           "GUnicodeGlyphNameRow const sUnicodeGlyphNames[%d] = {" % (len(glyph_rows) + 1)]
    for name, code in glyph_rows:
        out.append("    {0x%04X, %s}," % (code, c_string(name)))
    out += ["    {0, nullptr},", "};", "",
            "GUnicodeCompatCharRow const sUnicodeCompatChars[%d] = {" % (len(compat) + 1)]
    for code, replacement in compat:
        out.append("    {0x%04X, 0x%04X}," % (code, replacement))
    out += ["    {0, 0},", "};", ""]

    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    with open(output, "w", encoding="utf-8") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
