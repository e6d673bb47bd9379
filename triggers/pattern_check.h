// What quillomat-check says about a pattern trigger: the faults that keep it
// from ever firing, or from typing what its output promises.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PatternDiagnostic {
    enum Kind : uint8_t {
        does_not_compile,   // at `column`
        matches_empty,      // refused at load: it would fire on every key
        unknown_group,      // the output names a group the pattern lacks, at `column`
        longer_than_window, // its shortest match does not fit the pattern window
    } kind;
    int line = 0;
    int column = 0;    // 1-based in the line; 0: the whole pattern
    std::string words; // after "line N: "
};

// The diagnostics of the pattern line `line` ("re:" trigger, "=" and
// output, as the engine's text), under the file's pattern window; none for a
// sound pattern.
std::vector<PatternDiagnostic> check_pattern_line(int line, std::string_view trigger,
                                                  std::string_view output, int window);
