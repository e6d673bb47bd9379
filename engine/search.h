// Finding a trigger by what it is called, how it is typed or what it types:
// the items of the search window and their fuzzy ranking.
#pragma once

#include "engine/state.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The texts are UTF-8: the characters the file holds, as the user wrote them.
struct SearchItem {
    int entry;            // the trigger-table index, in file order
    int line;             // the file line it stands on: its output is that line's
    std::string trigger;  // as it is typed or pressed: "btw", "Ctrl+Alt+K"
    std::string label;    // the comment line directly above it, if any
    std::string output;   // the start of its output text
    std::string programs; // for a "Quillomat_ONLY_IN" section: the programs it fires in
};

constexpr std::size_t search_output_chars = 120; // how much of an output is shown and searched

// The triggers of the loaded file with their labels and outputs, in file
// order: the rows are the entries that play. A comment line directly above a
// trigger is its label when it has a letter or a digit; rules such as
// "; ----" around it are cut off. Lines whose trigger cannot be typed are
// neither rows nor labels, and a directive is no label.
std::vector<SearchItem> search_items(const LoadedFile& file);

// The label of one entry of the loaded file, as its row shows it; "" for none.
std::string trigger_label(const LoadedFile& file, int entry);

// How well `query` (UTF-8) matches the item, 0 when it does not: its
// characters must appear in that order (any case, in Latin, Greek and
// Cyrillic letters too) in the label, the trigger or the output.
// Consecutive characters, characters at word starts and matches in the trigger
// or the label score higher than letters scattered through the output.
int search_score(const SearchItem& item, std::string_view query);

// The indexes of the items that match, best first; ties, and an empty query,
// keep file order.
std::vector<int> search_rank(const std::vector<SearchItem>& items, std::string_view query);
