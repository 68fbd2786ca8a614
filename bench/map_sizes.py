#!/usr/bin/env python3
"""The largest contributors to a linked program, from its GNU ld map file:
  map_sizes.py quorvi.map [COUNT]
Sizes of the input sections that went into the image (debug sections left
out), grouped by the project's own objects and by other libraries as a
whole. Prints one line per group, largest first."""
import collections
import os
import re
import sys

path = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 12
groups = collections.Counter()
total = 0
in_map = False
pending = None
full = re.compile(r"^ (\.\S+)\s+0x([0-9a-fA-F]+)\s+0x([0-9a-fA-F]+)\s+(\S.*)$")
rest = re.compile(r"^\s+0x([0-9a-fA-F]+)\s+0x([0-9a-fA-F]+)\s+(\S.*)$")
alone = re.compile(r"^ (\.\S+)\s*$")


def group_of(origin):
    m = re.match(r"^(.*?)\((.*)\)$", origin)
    if m:
        lib, member = os.path.basename(m.group(1)), m.group(2)
        if lib.startswith("libquorvi_"):
            return f"{lib}({member})"
        return lib
    return os.path.basename(origin)


for line in open(path, encoding="utf-8", errors="replace"):
    if line.startswith("Linker script and memory map"):
        in_map = True
        continue
    if not in_map:
        continue
    name = size = origin = None
    m = full.match(line)
    if m:
        name, size, origin = m.group(1), int(m.group(3), 16), m.group(4)
    elif pending is not None:
        m = rest.match(line)
        if m:
            name, size, origin = pending, int(m.group(2), 16), m.group(3)
    pending = None
    if name is None:
        m = alone.match(line)
        if m:
            pending = m.group(1)
        continue
    if name.startswith(".debug") or name.startswith(".stab") or size == 0:
        continue
    groups[group_of(origin.strip())] += size
    total += size

print(f"largest contributors (map file, input sections without debug info; {total:,} bytes in all):")
for g, s in groups.most_common(count):
    print(f"  {s:9,d}  {100.0 * s / max(total, 1):5.1f}%  {g}")
