// Explains a trigger file: what each line loads as, and why a line never
// fires. The loader itself stays silent; this is what quillomat-check prints.
#pragma once

#include "triggers/insert_report.h"
#include "triggers/mistakes.h"
#include "triggers/triggers.h"

#include <string>
#include <vector>

// Whether `earlier` fires on every input that would fire `later`, so that
// `later`, further down the file, can never fire. The word-start rule is
// read as typing reads it: "ab" under it never fires inside "xab".
bool trigger_shadows(const TriggerEntry& earlier, const TriggerEntry& later);

// Whether typing `outer` fires `inner` before its own last character: a
// shorter trigger inside it ("qqs" in "qqsig"), wherever it stands in the file.
bool fires_inside(const TriggerEntry& inner, const TriggerEntry& outer);

struct TriggerReport {
    TriggerTable table;
    std::vector<LineNote> notes;
    std::vector<int> shadowed_by;     // per entry: the earlier entry that always fires first, or -1
    std::vector<int> fired_inside_by; // per entry: a trigger that fires inside it first, or -1
    // per entry: a word-start trigger that fires first where it is typed at
    // the start of a word (it still fires after a letter or digit), or -1
    std::vector<int> beaten_at_word_start_by;
    std::vector<std::pair<int, std::string>> directives; // line, text
    std::vector<LineFinding> findings;                   // likely mistakes and hints, in file order
    int dead_lines = 0;       // lines that are neither blank nor comments and never fire
    int mistake_lines = 0;    // trigger lines with a likely mistake
    bool remap_words = false; // "REMAP" and "TILDE" are there, whether remap mode may be on or not
    InsertReport inserts;     // what the tokens that build an output from other text make of it
    std::vector<std::string> fields; // per entry: its form's labels, "Name, Day"; "" for none
    std::vector<std::pair<int, std::string>> field_problems; // line, "column 5: what is wrong"
    // Per entry: a pattern trigger as written (UTF-8), "" for the others.
    std::vector<std::string> patterns;
};

// Parses the text (the engine's, see to_engine_text) as the loader does and
// works out every line's fate; `untypeable` names the lines that
// to_engine_text set aside.
void build_trigger_report(const char* text, std::size_t size, bool netbook, TriggerReport& report,
                          const std::vector<int>* untypeable = nullptr);
// The whole report as text, one line per trigger, per dead line and per finding.
std::string format_trigger_report(const TriggerReport& report);
// How a trigger reads when typed or pressed: "btw", "Ctrl+Alt+K", "Shift+{F1}".
// Code-page characters show as "<E9>", or as the bytes they are with `as_text`.
std::string describe_trigger(const TriggerEntry& entry, bool as_text = false);
// Gives the lines that to_engine_text set aside their verdict: not typeable.
void mark_untypeable(std::vector<LineNote>& notes, const std::vector<int>* untypeable);
