"""What the table generators share: reading the published data files and failing the build."""

import os
import sys


def fail(message):
    """Stops the generator, and so the build, with a message naming the generator."""
    sys.stderr.write("%s: %s\n" % (os.path.basename(sys.argv[0]), message))
    sys.exit(1)


def data_lines(path):
    """The lines of a data file that are neither empty nor comments."""
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line and not line.startswith("#"):
                yield line


def single_code_point_glyphs(path):
    """The glyph list's entries that stand for one code point, as (name, code) in file order."""
    rows = []
    for line in data_lines(path):
        name, codes = line.split(";")
        units = codes.split()
        if len(units) == 1:
            rows.append((name, int(units[0], 16)))
    return rows
