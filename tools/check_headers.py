#!/usr/bin/env python3
"""Compiles every header of the given folders on its own (each included alone into an empty
translation unit, syntax only), so that no header leans on what its includers happened to include
before it. Usage: check_headers.py <compiler> <flags-file> <folder>...; the flags file holds the
compiler flags and include directories, one per line."""
import concurrent.futures
import os
import subprocess
import sys


def check(compiler, flags, header):
    source = '#include "%s"\n' % header
    result = subprocess.run([compiler, *flags, "-fsyntax-only", "-x", "c++", "-"], input=source,
                            capture_output=True, text=True)
    return header, result.returncode, result.stderr


def main():
    compiler, flags_file, folders = sys.argv[1], sys.argv[2], sys.argv[3:]
    flags = [line.strip() for line in open(flags_file) if line.strip()]
    headers = sorted(os.path.join(root, name)
                     for folder in folders for root, _, names in os.walk(folder)
                     for name in names if name.endswith(".h"))
    failures = 0
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        for header, code, errors in pool.map(lambda h: check(compiler, flags, h), headers):
            if code != 0:
                failures += 1
                print("%s does not compile on its own:\n%s" % (header, errors))
    print("%d headers checked, %d failed" % (len(headers), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
