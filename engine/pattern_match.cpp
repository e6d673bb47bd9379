// Pattern triggers in the engine: compiled once per load, matched in the
// matcher's scan in file order, and switched off when a search runs away.
#include "engine/stages.h"
#include "ui/status.h"

bool pattern_matches(const MatchQuery& query, int entry, PatternFindings* found) {
    if (!query.patterns || static_cast<std::size_t>(entry) >= query.patterns->size()) return false;
    const Pattern& pattern = (*query.patterns)[static_cast<std::size_t>(entry)];
    if (!pattern.usable()) return false;
    PatternMatch match = match_pattern(pattern, query.typed, query.table->pattern_window);
    if (match.outcome == PatternMatch::runaway && found) found->runaway.push_back(entry);
    if (match.outcome != PatternMatch::matched) return false;
    if (query.table->entries[entry].word_start && !match_begins_word(query.typed, match.length))
        return false;
    if (found) found->match = std::move(match);
    return true;
}

void compile_patterns() {
    const LoadedFile& file = engine.file;
    std::vector<Pattern>& compiled = engine.patterns.compiled;
    compiled.assign(static_cast<std::size_t>(file.table.count), Pattern());
    for (int i = 0; i < file.table.count; ++i) {
        const TriggerEntry& entry = file.table.entries[i];
        if (entry.pattern)
            compiled[static_cast<std::size_t>(i)] =
                compile_pattern(written_trigger(file.text, entry));
    }
}

void switch_off_runaway(const std::vector<int>& entries) {
    for (const int entry : entries) {
        engine.patterns.compiled[static_cast<std::size_t>(entry)] = Pattern();
        status_printf(" Pattern on line %d switched off until the file is loaded again: its "
                      "search ran away",
                      engine.file.table.entries[entry].line);
    }
}

OutputPieces pattern_output(int entry, std::string_view output, const PatternMatch& match) {
    const std::vector<Pattern>& compiled = engine.patterns.compiled;
    Pattern pattern;
    if (static_cast<std::size_t>(entry) < compiled.size())
        pattern = compiled[static_cast<std::size_t>(entry)];
    // One switched off still knows its groups' names, for a pick from the search window.
    if (!pattern.usable() && entry >= 0 && entry < engine.file.table.count)
        pattern =
            compile_pattern(written_trigger(engine.file.text, engine.file.table.entries[entry]));
    return render_pattern_output(output, pattern,
                                 match.outcome == PatternMatch::matched ? &match : nullptr);
}
