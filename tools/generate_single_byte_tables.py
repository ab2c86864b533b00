#!/usr/bin/env python3
"""Builds the tables of the single-byte encodings (MacRoman, MacExpert, PDFDoc, Standard, WinAnsi).

Usage: generate_single_byte_tables.py <output .cpp> <input files...>
The inputs are told apart by their file names: latin-charset.tsv, mac-expert-encoding.tsv,
mac-os-roman.tsv, windows-1252.tsv and glyphlist.txt. The generator exits non-zero when a
published table does not hold the rows the encodings are built from.
"""

import os
import sys

from tablegen import data_lines, fail, single_code_point_glyphs

LATIN_ROWS = 229
MAC_EXPERT_ROWS = 165
# Codes per column of the Latin rows once the two notes below are added: Standard, Mac, Win, PDF.
LATIN_COLUMN_COUNTS = (149, 208, 218, 229)

# The annex gives these two as notes under its table, not as rows; they follow the 229 rows.
LATIN_NOTE_ROWS = [
    ("hyphen", (0, 0, 0xAD, 0)),
    ("space", (0, 0xCA, 0xA0, 0)),
]

# Mac OS Roman codes that the encoding leaves unmapped: the mathematical and Greek signs, the lozenge
# and the Apple logo, none of which is in the Latin character set.
MAC_UNMAPPED = [0xAD, 0xB0, 0xB2, 0xB3, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBD, 0xC3, 0xC5, 0xC6, 0xD7, 0xF0]
MAC_REMAPPED = {
    0xCA: 0x0020,  # the no-break space reads as a plain space
    0xDB: 0x00A4,  # the older currency sign, not the euro sign
}

# Windows code page 1252: the control codes other than tab, line feed and carriage return are not
# text; the code page's holes read as bullets; no-break space and soft hyphen read as their plain forms.
WIN_UNMAPPED = list(range(0x01, 0x09)) + [0x0B, 0x0C] + list(range(0x0E, 0x20))
WIN_REMAPPED = {
    0x7F: 0x2022,
    0x81: 0x2022,
    0x8D: 0x2022,
    0x8F: 0x2022,
    0x90: 0x2022,
    0x9D: 0x2022,
    0xA0: 0x0020,
    0xAD: 0x002D,
}

# PDFDocEncoding: the three white-space control codes map to themselves; the rest follows the glyph
# names of the Latin rows. Two codes read as other characters while keeping their glyph names
# "fraction" and "minus".
PDF_CONTROL_CODES = [0x09, 0x0A, 0x0D]
PDF_REMAPPED = {
    0x87: 0x00F7,  # division sign, not U+2044 fraction slash
    0x8A: 0x002D,  # hyphen-minus, not U+2212 minus sign
}
PDF_CODE_COUNT = 232


def read_tsv(path, header):
    lines = list(data_lines(path))
    if not lines or lines[0].split("\t") != header:
        fail("%s does not start with the header %s" % (path, "\t".join(header)))
    return [line.split("\t") for line in lines[1:]]


def read_glyph_list(path):
    return dict(single_code_point_glyphs(path))


def read_code_page(path):
    table = {}
    for code, unicode in read_tsv(path, ["code", "unicode"]):
        table[int(code, 16)] = int(unicode, 16)
    return table


def read_latin(path):
    rows = []
    for fields in read_tsv(path, ["name", "std", "mac", "win", "pdf"]):
        if len(fields) != 5:
            fail("%s: bad row %r" % (path, fields))
        codes = tuple(0 if f == "-" else int(f) for f in fields[1:])
        rows.append((fields[0], codes))
    if len(rows) != LATIN_ROWS:
        fail("%s holds %d rows, expected %d" % (path, len(rows), LATIN_ROWS))
    names = [name for name, _ in rows]
    if names != sorted(names, key=lambda n: n.encode()):
        fail("%s is not in byte order of the glyph names" % path)
    rows += LATIN_NOTE_ROWS
    for column, expected in enumerate(LATIN_COLUMN_COUNTS):
        count = sum(1 for _, codes in rows if codes[column] != 0)
        if count != expected:
            fail("%s: column %d holds %d codes, expected %d" % (path, column, count, expected))
    return rows


def read_mac_expert(path, glyphs):
    rows = [(fields[1], int(fields[0])) for fields in read_tsv(path, ["code", "name"])]
    if len(rows) != MAC_EXPERT_ROWS:
        fail("%s holds %d rows, expected %d" % (path, len(rows), MAC_EXPERT_ROWS))
    for name, _ in rows:
        if name not in glyphs:
            fail("%s: %s is not in the glyph list" % (path, name))
    return sorted(rows, key=lambda row: row[0].encode())


def mac_roman_table(code_page):
    table = [0] * 256
    for code, unicode in code_page.items():
        table[code] = unicode
    for code in MAC_UNMAPPED:
        table[code] = 0
    for code, unicode in MAC_REMAPPED.items():
        table[code] = unicode
    return table


def win_ansi_table(code_page):
    table = [0] * 256
    for code, unicode in code_page.items():
        table[code] = unicode
    for code in WIN_UNMAPPED:
        table[code] = 0
    for code, unicode in WIN_REMAPPED.items():
        table[code] = unicode
    return table


def pdf_doc_table(latin, glyphs):
    table = [0] * 256
    for code in PDF_CONTROL_CODES:
        table[code] = code
    for name, codes in latin:
        code = codes[3]
        if code == 0:
            continue
        if name not in glyphs:
            fail("PDFDoc glyph %s is not in the glyph list" % name)
        table[code] = glyphs[name]
    for code, unicode in PDF_REMAPPED.items():
        table[code] = unicode
    count = sum(1 for unicode in table if unicode != 0)
    if count != PDF_CODE_COUNT:
        fail("PDFDoc maps %d codes, expected %d" % (count, PDF_CODE_COUNT))
    return table


def check_win_ansi(latin, glyphs, table):
    # The Win column names must read as the code page says, so that a glyph name and a character
    # never disagree about a WinAnsi code.
    for name, codes in latin:
        code = codes[2]
        if code != 0 and table[code] not in (glyphs.get(name), 0x0020, 0x002D):
            fail("WinAnsi 0x%02X: %s is U+%04X in the glyph list but U+%04X in the code page"
                 % (code, name, glyphs.get(name, 0), table[code]))


def format_unicode_table(name, table):
    lines = ["unsigned short const %s[256] = {" % name]
    for start in range(0, 256, 8):
        entries = ", ".join("0x%04X" % unicode for unicode in table[start:start + 8])
        lines.append("    %s, // 0x%02X" % (entries, start))
    lines.append("};")
    return "\n".join(lines)


def main():
    if len(sys.argv) < 2:
        fail("usage: generate_single_byte_tables.py <output> <inputs...>")
    output = sys.argv[1]
    inputs = {os.path.basename(path): path for path in sys.argv[2:]}
    needed = ["latin-charset.tsv", "mac-expert-encoding.tsv", "mac-os-roman.tsv", "windows-1252.tsv",
              "glyphlist.txt"]
    for name in needed:
        if name not in inputs:
            fail("missing input %s" % name)

    glyphs = read_glyph_list(inputs["glyphlist.txt"])
    latin = read_latin(inputs["latin-charset.tsv"])
    mac_expert = read_mac_expert(inputs["mac-expert-encoding.tsv"], glyphs)
    mac_roman = mac_roman_table(read_code_page(inputs["mac-os-roman.tsv"]))
    win_ansi = win_ansi_table(read_code_page(inputs["windows-1252.tsv"]))
    check_win_ansi(latin, glyphs, win_ansi)
    pdf_doc = pdf_doc_table(latin, glyphs)

    out = []
    out.append("// Generated by tools/generate_single_byte_tables.py from data/tables and data/agl; do not edit.")
    out.append('#include "GSingleByteTables.h"')
    out.append("")
    out.append("static_assert(cLatinGlyphRows == %d, \"the Latin rows and their header disagree\");" % len(latin))
    out.append("static_assert(cMacExpertGlyphRows == %d, \"the MacExpert rows and their header disagree\");"
               % len(mac_expert))
    out.append("")
    out.append("GLatinGlyphRow const sLatinGlyphNames[cLatinGlyphRows + 1] = {")
    for name, codes in latin:
        out.append('    {%d, %d, %d, %d, "%s"},' % (codes + (name,)))
    out.append("    {0, 0, 0, 0, nullptr},")
    out.append("};")
    out.append("")
    out.append("GMacExpertGlyphRow const sMacExpertGlyphNames[cMacExpertGlyphRows + 1] = {")
    for name, code in mac_expert:
        out.append('    {%d, "%s"},' % (code, name))
    out.append("    {0, nullptr},")
    out.append("};")
    out.append("")
    out.append(format_unicode_table("sMacRomanToUnicode", mac_roman))
    out.append("")
    out.append(format_unicode_table("sWinAnsiToUnicode", win_ansi))
    out.append("")
    out.append(format_unicode_table("sPDFDocToUnicode", pdf_doc))
    out.append("")

    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    with open(output, "w", encoding="utf-8") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
