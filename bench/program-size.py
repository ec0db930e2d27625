#!/usr/bin/env python3
"""What the installer program is made of, from the link map of a QS_STUB_MAP build.

    bench/program-size.py MAP [--objects] [--min BYTES]

Sums the input sections that the link kept (after --gc-sections) by output section (.text,
.rdata, .data, .eh_frame) and by archive, or with --objects by archive member, largest first.
Template instantiations and inline functions count for the first object that brought them.
For the largest single functions, run the toolchain's nm on the unstripped program beside the
map: i686-w64-mingw32-nm --size-sort -S -C quillonet-setup.exe | tail -40
"""

import argparse
import collections
import re

SECTIONS = (".text", ".rdata", ".data", ".eh_frame")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("map")
    parser.add_argument("--objects", action="store_true", help="per archive member")
    parser.add_argument("--min", type=int, default=1000, help="smallest line shown (bytes)")
    args = parser.parse_args()

    with open(args.map, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    start = next(i for i, line in enumerate(lines) if line.startswith("Linker script and memory map"))

    totals = collections.Counter()
    parts = collections.Counter()
    output = None
    pending = None  # a long input section name is alone on its line; its numbers follow
    for line in lines[start:]:
        head = re.match(r"^(\.[^\s]+)", line)
        if head:
            output = ".eh_frame" if head.group(1).startswith(".eh_fram") else head.group(1)
            continue
        alone = re.match(r"^ (\S+)\s*$", line)
        if alone:
            pending = alone.group(1)
            continue
        entry = re.match(r"^ (\S+)?\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(.*\S)\s*$", line)
        name = (entry.group(1) or pending) if entry else None
        pending = None
        if not entry or name is None or output not in SECTIONS:
            continue
        size = int(entry.group(2), 16)
        member = re.sub(r"^.*/", "", entry.group(3))
        key = member if args.objects else re.sub(r"\(.*", "", member)
        totals[output] += size
        parts[(output, key)] += size

    for section in SECTIONS:
        print(f"{section}: {totals[section]} bytes")
        for (where, key), size in parts.most_common():
            if where == section and size >= args.min:
                print(f"  {size:8d}  {key}")


if __name__ == "__main__":
    main()
