// The tables behind common/unicode.h, written by scripts/unicode_tables.py.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unicode_tables {
// Every `stride`-th code point from `first` to `last` maps to itself + `delta`.
struct CaseRange {
    uint32_t first, last;
    int32_t delta;
    uint32_t stride;
};
struct CodePair {
    uint32_t from, to;
};

extern const uint32_t category_runs[];
extern const std::size_t category_run_count;
extern const CaseRange lower_ranges[];
extern const std::size_t lower_ranges_count;
extern const CaseRange upper_ranges[];
extern const std::size_t upper_ranges_count;
extern const CodePair title_exceptions[];
extern const std::size_t title_exception_count;
} // namespace unicode_tables
