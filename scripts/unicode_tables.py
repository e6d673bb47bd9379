#!/usr/bin/env python3
"""Writes common/unicode_tables.cpp: the general category of every code point
and the simple case mappings, from the Unicode Character Database that
Python's unicodedata carries. Run it again to move to a newer Unicode.

The tables are data, so that the pattern matcher classifies and folds
characters the same way in every build (Windows and Linux runtimes disagree).
"""
import os
import sys
import unicodedata

CATEGORIES = ["Cn", "Lu", "Ll", "Lt", "Lm", "Lo", "Mn", "Mc", "Me", "Nd", "Nl", "No", "Pc",
              "Pd", "Ps", "Pe", "Pi", "Pf", "Po", "Sm", "Sc", "Sk", "So", "Zs", "Zl", "Zp",
              "Cc", "Cf", "Cs", "Co"]
LAST = 0x10FFFF


def category_runs():
    runs = []
    previous = None
    for cp in range(LAST + 1):
        cat = CATEGORIES.index(unicodedata.category(chr(cp)))
        if cat != previous:
            runs.append((cp, cat))
            previous = cat
    return runs


def simple_mapping(convert):
    mapping = {}
    for cp in range(LAST + 1):
        mapped = convert(chr(cp))
        if len(mapped) == 1 and ord(mapped) != cp:
            mapping[cp] = ord(mapped)
    return mapping


def delta_ranges(mapping):
    """(first, last, delta, stride): every stride-th code point from first to
    last maps to itself plus delta."""
    ranges = []
    for cp in sorted(mapping):
        delta = mapping[cp] - cp
        if ranges:
            first, last, d, stride = ranges[-1]
            if d == delta and cp - last == stride:
                ranges[-1] = (first, cp, d, stride)
                continue
            if d == delta and first == last and cp - last in (1, 2):
                ranges[-1] = (first, cp, d, cp - last)
                continue
        ranges.append((cp, cp, delta, 1))
    return ranges


def rows(items, per_line, fmt):
    out = []
    for i in range(0, len(items), per_line):
        out.append("    " + " ".join(fmt(x) for x in items[i:i + per_line]))
    return "\n".join(out)


def case_table(name, ranges):
    body = rows(ranges, 3, lambda r: "{0x%X, 0x%X, %d, %d}," % r)
    return (f"const CaseRange {name}[] = {{\n{body}\n}};\n"
            f"const std::size_t {name}_count = {len(ranges)};\n")


def main():
    runs = category_runs()
    lower = simple_mapping(str.lower)
    upper = simple_mapping(str.upper)
    title = simple_mapping(str.title)
    # Title case differs from upper case for a few letters only (the digraphs
    # and the Greek letters with iota); the others take the upper table.
    title_exceptions = sorted(
        (cp, title.get(cp, cp)) for cp in set(title) | set(upper) if title.get(cp, cp) != upper.get(cp, cp))
    packed = rows(runs, 6, lambda r: "0x%X," % (r[0] << 5 | r[1]))
    exceptions = rows(title_exceptions, 6, lambda r: "{0x%X, 0x%X}," % r)
    text = f"""// Written by scripts/unicode_tables.py from the Unicode Character Database
// {unicodedata.unidata_version}; do not edit.
#include "common/unicode_tables.h"

namespace unicode_tables {{
// Runs of one general category: the first code point << 5 | the category.
const uint32_t category_runs[] = {{
{packed}
}};
const std::size_t category_run_count = {len(runs)};

{case_table("lower_ranges", delta_ranges(lower))}
{case_table("upper_ranges", delta_ranges(upper))}
const CodePair title_exceptions[] = {{
{exceptions}
}};
const std::size_t title_exception_count = {len(title_exceptions)};
}} // namespace unicode_tables
"""
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "common", "unicode_tables.cpp")
    with open(target, "w", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main()
