// What quillomat-check says about the tokens that build an output from
// other text and place the caret (triggers/inserts.h).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TriggerReport;

struct InsertReport {
    std::vector<std::string> tags;                  // per entry: "  [cursor]  [snip: sig]"
    std::vector<std::pair<int, std::string>> notes; // line, what is wrong there
};

// Reads every entry's output in the parsed `text`.
InsertReport report_inserts(std::string_view text, const TriggerReport& report);
