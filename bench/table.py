#!/usr/bin/env python3
"""Turns the benchmarks' raw lines (bench/run.sh collects them) into one
table: item, program, median, min, max, ratio.

Raw lines, one figure each:
  tab-ops,<what>,<N>,<ns per op>          wall time per operation
  tab-ops-ir,<what>,<N>,<instr per op>    callgrind instruction count
  startup,<program>,<ms>,<cpu ms>
  memory,<program>,<extra tabs>,<private bytes>,<working set>
  guard,<what>,<ns per call>
  guard-thread,<what>,<ns per thread started and joined>
  guard-sys,<what>,<system calls per call>
  size,<what>,<bytes>
  note,<text>                             printed under the table
"""
import statistics
import sys
from collections import OrderedDict

rows = OrderedDict()  # (item, program) -> [values]
bases = {}            # item -> program the ratio is taken against
notes = []


def add(item, program, value, base=None):
    rows.setdefault((item, program), []).append(float(value))
    if base is not None:
        bases[item] = base


memory = {}  # (program) -> list of {extra: (private, ws)} per run

for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
    f = line.strip().split(",")
    if not f or not f[0]:
        continue
    kind = f[0]
    try:
        if kind == "tab-ops" and len(f) == 4:
            add(f"tab-ops {f[1]}, ns/op", f"N={f[2]}", f[3], "N=10")
        elif kind == "tab-ops-ir" and len(f) == 4:
            add(f"tab-ops {f[1]}, instr/op (callgrind)", f"N={f[2]}", f[3], "N=10")
        elif kind == "startup" and len(f) == 4:
            # The driver's processor-time column is left out: what Wine
            # reports for another process covers more than the start-up.
            add("start-up to usable window, wall ms", f[1], f[2], "bare")
        elif kind == "memory" and len(f) == 5:
            extra = int(f[2])
            runs = memory.setdefault(f[1], [])
            if extra == 0 or not runs:
                runs.append({})
            runs[-1][extra] = (int(f[3]), int(f[4]))
        elif kind == "guard" and len(f) == 3:
            add("guard x86-32 (qemu-user), ns/call", f[1], f[2], "plain-call")
        elif kind == "guard-thread" and len(f) == 3:
            add("guard x86-32 (qemu-user), thread start+join, ns", f[1], f[2], "plain")
        elif kind == "guard-sys" and len(f) == 3:
            add("guard x86-32 (qemu-user), system calls per block (strace)", f[1], f[2])
        elif kind == "size" and len(f) == 3:
            add("size, bytes", f[1], f[2])
        elif kind == "note":
            notes.append(",".join(f[1:]))
    except ValueError:
        continue

for program, runs in memory.items():
    for run in runs:
        if 0 not in run:
            continue
        p0, w0 = run[0]
        add("memory after start-up, private KB", program, p0 / 1024, "bare")
        add("memory after start-up, working set KB", program, w0 / 1024, "bare")
        for extra in (1, 10, 50):
            if extra in run:
                p, w = run[extra]
                add(f"memory per extra tab over {extra}, private B", program, (p - p0) / extra, "bare")
                add(f"memory per extra tab over {extra}, working set B", program, (w - w0) / extra, "bare")


def fmt(v):
    if abs(v) >= 100:
        return f"{v:,.0f}"
    return f"{v:.1f}"


out = []
for (item, program), values in rows.items():
    med = statistics.median(values)
    ratio = ""
    base = bases.get(item)
    if base is not None and (item, base) in rows:
        b = statistics.median(rows[(item, base)])
        if b != 0:
            ratio = f"{med / b:.2f}x {base}"
    out.append((item, program, fmt(med), fmt(min(values)), fmt(max(values)), ratio, str(len(values))))

head = ("item", "program", "median", "min", "max", "ratio", "runs")
width = [max(len(r[i]) for r in out + [head]) for i in range(len(head))]
right = {2, 3, 4, 6}


def line(r):
    return "  ".join(r[i].rjust(width[i]) if i in right else r[i].ljust(width[i]) for i in range(len(r))).rstrip()


print(line(head))
print("  ".join("-" * w for w in width))
for r in out:
    print(line(r))
if notes:
    print()
    for n in notes:
        print(n)
