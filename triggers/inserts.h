// Outputs built from other text, and where the caret ends:
//
//   {Cursor}              the caret goes back here once the output is out
//   {Clipboard}           the clipboard's text when the trigger fires
//   {Selection}           the text selected in the window when it fires
//   {Snip:trigger}        the output of the line with that trigger
//   {Random:a|b|c}        one of the items, chosen each time
//
// Keywords in any case; the trigger named by {Snip:} is compared with case,
// as written in its line. An argument may hold tokens of its own, braces
// nested ("{Random:Hi{Enter}|Hello}"). A token without its closing brace is
// no token and is typed as it stands.
//
// {Snip:} and {Random:} bring in markup, read as if it stood in their place;
// {Clipboard} and {Selection} bring in text, typed as the characters it holds.
#pragma once

#include "triggers/pieces.h"
#include "triggers/triggers.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class InsertKind : uint8_t { none, cursor, clipboard, selection, snip, random };

struct InsertToken {
    InsertKind kind = InsertKind::none;
    std::size_t length = 0;    // the whole token, braces included
    std::string_view argument; // snip: the trigger; random: the items, "|" between them
};

// The token that starts at `at`, or one of kind `none`.
InsertToken insert_token_at(std::string_view text, std::size_t at);
// Whether the text holds a token of that kind.
bool holds_insert(std::string_view text, InsertKind kind);
// The items of a {Random:} argument, split at the "|" outside nested braces.
std::vector<std::string_view> random_items(std::string_view argument);
// The entries a {Snip:} names: those whose trigger is written `trigger`, in file order.
std::vector<int> snip_targets(const TriggerTable& table, std::string_view trigger);

// What a composition reads: the table, the text its entries' outputs stand
// in, which entries fit the window in front (null: all), and how an item of
// a {Random:} is chosen (null: all items, one after another, as the checker
// reads them).
struct SnipSource {
    const TriggerTable* table = nullptr;
    std::string_view text;
    bool (*fits)(const TriggerEntry& entry) = nullptr;
    std::size_t (*choose)(std::size_t count) = nullptr;
};

// A composed output can grow no larger than this; snips beyond it insert nothing.
constexpr std::size_t max_composed_size = 1u << 20;

// The output of entry `entry` (or `output` for one of none: -1) with every
// {Snip:} replaced by its target's output and every {Random:} by an item,
// through and through. A {Snip:} that names no trigger that fits, or one
// already in the chain that led here, inserts nothing.
std::string compose_markup(std::string_view output, int entry, const SnipSource& source);

// The texts {Clipboard} and {Selection} stand for (UTF-8).
struct InsertedTexts {
    std::string clipboard, selection;
};

// Cuts the markup pieces at {Clipboard}, {Selection} and {Cursor}: the
// texts as text pieces, the first {Cursor} as the cursor piece (any further
// one goes).
void set_in_inserts(OutputPieces& pieces, const InsertedTexts& texts);
