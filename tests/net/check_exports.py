#!/usr/bin/env python3
"""Checks that a shared library exports exactly the functions its public
header declares: nothing internal leaks, nothing declared is missing.

usage: check_exports.py <library> <c compiler> <header> [include dirs...]
"""
import re
import subprocess
import sys


def declared(compiler, header, include_dirs):
    cmd = [compiler, "-E", "-P", "-x", "c"] + ["-I" + d for d in include_dirs] + [header]
    text = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout
    return set(re.findall(r"\b(QW_[A-Za-z0-9_]+)\s*\(", text))


def exported(library):
    out = subprocess.run(["nm", "-D", "--defined-only", library], check=True,
                         capture_output=True, text=True).stdout
    names = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in "TtWwDdBbRrVvi":
            names.add(parts[2])
    # Markers the linker adds to every shared object.
    return names - {"_init", "_fini", "_edata", "_end", "__bss_start"}


def main():
    library, compiler, header, *include_dirs = sys.argv[1:]
    want = declared(compiler, header, include_dirs)
    have = exported(library)
    missing = sorted(want - have)
    extra = sorted(have - want)
    for name in missing:
        print("declared but not exported:", name)
    for name in extra:
        print("exported but not declared:", name)
    print(f"{len(want)} declared, {len(have)} exported")
    return 1 if missing or extra or not want else 0


if __name__ == "__main__":
    sys.exit(main())
