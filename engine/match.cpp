// The matcher: the key history (and the typed text, for pattern triggers)
// and the table in, the entry that fires out.
// It keeps no state and asks the platform nothing but, when a rule needs it,
// which program is in front.
#include "common/text.h"
#include "engine/stages.h"

#include <cstring>

namespace {
bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A plain trigger spelled by the newest characters of the history: exactly,
// or in any case for "Quillomat_CASE: on"; and for "Quillomat_WORD_START: on"
// only where no letter or digit comes before it.
bool plain_match(const TriggerEntry& entry, const KeyHistory& history) {
    const std::size_t length = static_cast<std::size_t>(entry.match_length);
    if (entry.any_case) {
        for (std::size_t i = 0; i < length; ++i)
            if (lower_ascii(entry.match[i]) != lower_ascii(history[i])) return false;
    } else if (entry.match[0] != history[0] ||
               std::memcmp(entry.match.data(), history.data(), length) != 0) {
        return false;
    }
    return !entry.word_start || length >= history_length || !is_word_byte(history[length]);
}
} // namespace

int find_match(const MatchQuery& query, PatternFindings* found) {
    const TriggerTable& table = *query.table;
    // Which program is in front is asked only once a trigger matches.
    FrontProgram front;
    bool front_known = false;
    auto program = [&]() -> const FrontProgram& {
        if (!front_known) front = query.front();
        front_known = true;
        return front;
    };
    // Read once: the loop runs over every entry at every key.
    const KeyHistory& history = *query.history;
    const bool paused = query.paused;
    for (int i = 0; i < trigger_capacity; ++i) {
        const TriggerEntry& entry = table.entries[i];
        if (entry.match[0] == '\0') break;
        bool hit;
        if (entry.flags != 0) {
            hit = static_cast<uint8_t>(entry.match[0]) == query.vk &&
                  (entry.flags & 15) == query.modifiers;
        } else if (!entry.pattern) {
            hit = plain_match(entry, history);
        } else {
            // No search for what cannot fire, and one runaway search per key
            // at the most: the keyboard waits for no second.
            if (paused || (found && !found->runaway.empty())) continue;
            hit = pattern_matches(query, i, found);
        }
        if (!hit) continue;
        if (entry.section != 0 && !program_matches(table.sections[entry.section - 1u], program()))
            continue; // for other programs: the search goes on down the file
        if (entry.always_live) return i;
        if (paused) continue;
        if (!table.never_in.empty() && program_matches(table.never_in, program())) return -1;
        return i;
    }
    return -1;
}

OutputCase typed_case(const TriggerEntry& entry, const KeyHistory& history) {
    if (!entry.any_case) return OutputCase::as_written;
    bool first = true, any_letter = false, all_upper = true, first_upper = false;
    for (int i = entry.match_length - 1; i >= 0; --i) { // oldest character first
        const char c = history[static_cast<std::size_t>(i)];
        if (!is_letter(c)) continue;
        const bool upper = c >= 'A' && c <= 'Z';
        if (first) first_upper = upper;
        first = false;
        any_letter = true;
        all_upper = all_upper && upper;
    }
    if (any_letter && all_upper) return OutputCase::upper;
    return first_upper ? OutputCase::capitalized : OutputCase::as_written;
}
