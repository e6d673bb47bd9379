// An output on its way to the keyboard: the trigger file's own markup, with
// text from elsewhere (form values, the clipboard, the selection, a
// pattern's captures) set in between as pieces that are typed as the
// characters they hold, never read as tokens, commands, variables or dates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct OutputPiece {
    enum Kind : uint8_t {
        markup, // the output language: 8-bit code-page text with tokens and commands
        text,   // UTF-8, typed as it stands (a line break as Enter, a tab as Tab)
        cursor, // where the caret goes back to once the output is out; no content
    } kind = markup;
    std::string content;
};
using OutputPieces = std::vector<OutputPiece>;
