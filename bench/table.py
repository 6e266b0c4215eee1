#!/usr/bin/env python3
"""Turns the benchmark results into one table: prints it and writes BENCHMARKS.md.

  table.py RESULTS OUTPUT.md

RESULTS holds lines written by the benchmark programs and bench/run.sh:
  RESULT <name> <baseline s> <ours s> <items>   medians of interleaved rounds
  ROUND <name> <baseline s> <ours s>            one round (medians taken here)
  DETAIL <name> <s> 0 <items>                   parts of a cost, for the notes
  SIZE <bytes> / IMPORTS <dll>... / TREEKEYS <n> / FAIL <text> / META <key> <text>
"""
import statistics
import sys

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
               "ole32.dll", "oleaut32.dll", "shlwapi.dll", "user32.dll", "shell32.dll",
               "comdlg32.dll", "uxtheme.dll", "version.dll"}


def read(path):
    results, rounds, details, meta, fails = {}, {}, [], {}, []
    size, imports, tree_keys = None, [], None
    for line in open(path, encoding="utf-8", errors="replace"):
        f = line.split()
        if not f:
            continue
        if f[0] == "RESULT":
            results[f[1]] = (float(f[2]), float(f[3]), int(f[4]))
        elif f[0] == "ROUND":
            rounds.setdefault(f[1], []).append((float(f[2]), float(f[3])))
        elif f[0] == "DETAIL":
            details.append((f[1], float(f[2]), int(f[4])))
        elif f[0] == "SIZE":
            size = int(f[1])
        elif f[0] == "IMPORTS":
            imports = f[1:]
        elif f[0] == "TREEKEYS":
            tree_keys = int(f[1])
        elif f[0] == "FAIL":
            fails.append(" ".join(f[1:]))
        elif f[0] == "META":
            meta[f[1]] = line.split(None, 2)[2].strip()
    for name, pairs in rounds.items():
        results[name] = (statistics.median(p[0] for p in pairs),
                         statistics.median(p[1] for p in pairs), len(pairs))
    return results, details, meta, fails, size, imports, tree_keys


def verdict(value, goal):
    if value is None:
        return "not measured"
    if value <= goal:
        return "met"
    return "missed by %.0f %%" % ((value / goal - 1) * 100)


def duration(seconds):
    if seconds >= 1:
        return "%.2f s" % seconds
    if seconds >= 1e-3:
        return "%.1f ms" % (seconds * 1e3)
    return "%.1f µs" % (seconds * 1e6)


def main():
    results, details, meta, fails, size, imports, tree_keys = read(sys.argv[1])
    rows = []

    def row(what, baseline_name, name, goal, per_item=False, key=None):
        r = results.get(key or name)
        if not r:
            rows.append((what, baseline_name, "-", "-", "-", "≤ %.2f×" % goal if goal else "-",
                         "not measured"))
            return
        base, ours, items = r
        ratio = ours / base if base > 0 else float("inf")
        if per_item:
            times = "%s / %s per %s" % (duration(base / items), duration(ours / items),
                                       "call" if per_item == "call" else "item")
        else:
            times = "%s / %s" % (duration(base), duration(ours))
        rows.append((what, baseline_name, "%.2f×" % ratio, times, "",
                     "≤ %.2f×" % goal if goal else "(for reference)",
                     verdict(ratio, goal) if goal else ""))

    raw = "same advapi32 calls inline"
    for op in ("ReadText", "WriteExpandText", "ReadNumber", "ValueExists", "ReadMultiText"):
        row(op, raw, op, 1.10, "call")
    row("ReadNumber", "one 4-byte RegQueryValueExA", "ReadNumber/one-query", None, "call")
    sizes = sorted({int(k.split("/")[1]) for k in results if k.startswith("EnumValues/")})
    for op, base in (("EnumValues", "RegEnumValueA loop"), ("EnumSubKeys", "RegEnumKeyA loop")):
        for n in sizes:
            row("%s, %s items" % (op, format(n, ",")), base, "%s/%d" % (op, n), 1.25, "item")
    for op in ("EnumValues", "EnumSubKeys"):
        if sizes and "%s/%d" % (op, sizes[0]) in results and "%s/%d" % (op, sizes[-1]) in results:
            lo, hi = results["%s/%d" % (op, sizes[0])], results["%s/%d" % (op, sizes[-1])]
            ours_growth = (hi[1] / hi[2]) / (lo[1] / lo[2])
            raw_growth = (hi[0] / hi[2]) / (lo[0] / lo[2])
            rows.append(("%s: time per item, %s vs %s items" % (op, format(sizes[-1], ","),
                                                                format(sizes[0], ",")),
                         "its own time per item at %s" % format(sizes[0], ","),
                         "%.2f×" % ours_growth,
                         "raw loop grows %.2f×" % raw_growth, "", "≤ 1.50×",
                         verdict(ours_growth, 1.5)))
    row("DeleteKeyTree, %s keys" % format(tree_keys or 10000, ","), "RegDeleteTreeA",
        "DeleteKeyTree", 1.5)
    for tree, label in (("large", "1,000 files, 200 MB"), ("small", "20,000 small files")):
        row("copy (CopyFolderTree), %s" % label, "cp -a", "copy-" + tree, 1.5)
        row("verification (FolderCopyIsComplete), %s" % label, "diff -r", "verify-" + tree, 1.0)
        row("deletion (DeleteFolderTree), %s" % label, "rm -rf", "delete-" + tree, 2.0)
    row("start-up to a visible window ready for input", "Wine's notepad.exe", "startup", 1.0)
    if size is not None:
        kib = size / 1024
        foreign = [d for d in imports if d.lower() not in SYSTEM_DLLS]
        rows.append(("size of the shipped 32-bit morvane.exe", "256 KiB", "%.2f×" % (kib / 256),
                     "%d bytes (%.1f KiB)" % (size, kib), "", "≤ 1.00×",
                     verdict(kib / 256, 1.0)))
        rows.append(("DLLs it imports", "the system's", "", ", ".join(imports), "",
                     "system DLLs only",
                     "met" if not foreign else "missed: " + ", ".join(foreign)))

    out = []
    out.append("| measured | against | ratio | absolute (baseline / ours) | goal | |")
    out.append("|---|---|---:|---|---|---|")
    for what, base, ratio, times, _, goal, result in rows:
        out.append("| %s | %s | %s | %s | %s | %s |" % (what, base, ratio, times, goal, result))
    table = "\n".join(out)

    notes = []
    if details:
        notes.append("Parts of an enumeration's cost (single runs, median over the rounds):\n")
        notes.append("| loop | time | per item |")
        notes.append("|---|---:|---:|")
        for name, seconds, items in details:
            notes.append("| %s | %s | %s |" % (name, duration(seconds), duration(seconds / items)))
    if fails:
        notes.append("\nFailures seen during the run:\n")
        notes.extend("- " + f for f in fails)

    doc = ["# Benchmarks", ""]
    doc.append("Every ratio is our time divided by the baseline's, both measured in the same "
               "run with the rounds interleaved (baseline and ours alternating, the order "
               "swapped each round); each figure is the median of %s rounds. Absolute times "
               "are for scale only: the machine is shared and noisy." % meta.get("rounds", "?"))
    doc.append("")
    doc.append("- Command: `%s`" % meta.get("command", "bench/run.sh"))
    doc.append("- Date: %s" % meta.get("date", "?"))
    doc.append("- Machine: %s" % meta.get("machine", "?"))
    doc.append("- Wine: %s, registry and file work in a scratch prefix on the same disk as "
               "the Linux baselines" % meta.get("wine", "?"))
    doc.append("- Run took: %s" % meta.get("elapsed", "?"))
    doc.append("")
    doc.append(table)
    doc.append("")
    doc.extend(notes)
    extra = sys.argv[3] if len(sys.argv) > 3 else None
    if extra:
        doc.append("")
        doc.append(open(extra, encoding="utf-8").read().rstrip())
    print(table)
    if notes:
        print("\n".join(notes))
    with open(sys.argv[2], "w", encoding="utf-8") as f:
        f.write("\n".join(doc) + "\n")


if __name__ == "__main__":
    main()
