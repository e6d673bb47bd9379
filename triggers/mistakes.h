// Lines that load and fire, but most likely not as their writer meant: a
// hotkey that drops the characters written before its key, a key name that
// is no key, a pause or click the player cannot read, a brace left open.
// Such a line is a likely mistake; a smaller surprise (a brace word typed as
// text, a space at either end of a trigger) is a hint. Both are read from
// the text the way the loader and the player read it, so that what is said
// here is what typing does.
#pragma once

#include "triggers/triggers.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct LineFinding {
    int line;          // 1-based
    bool mistake;      // a likely mistake; false: a hint
    std::string words; // what quillomat-check prints after "line N: "
};

// The findings for one trigger line: `text` is the line (without its line
// end), `entry` the table entry the loader made of it. A pattern trigger's
// faults (see triggers/pattern_check.h) are its mistakes, under the file's
// pattern window.
void check_trigger_line(std::string_view text, const TriggerEntry& entry, int line,
                        std::vector<LineFinding>& findings,
                        int pattern_window = default_pattern_window);

// How many lines of a loaded text hold a likely mistake (trigger lines, and
// directives whose value cannot be read): `table` is
// what parse_trigger_text made of `text` (the engine's text). For the load
// message, so that the status bar can say the checker has something to show.
int count_likely_mistakes(const char* text, std::size_t size, const TriggerTable& table);
