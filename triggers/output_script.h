// The output language, read once: an output's text becomes the list of
// steps the player carries out (characters to type, keys, pauses, clicks,
// commands), before anything is typed.
//
// Markup is read as the player has always read it, at every character in
// this order: "{Delay", "{click", "{mouse_return}", "RUN: ", "WINDOW: ",
// "LIST: ", "SEARCH:", "PAUSE:" (keywords in any case, wherever they stand),
// a "{U+XXXX}" character, a key token, and otherwise the character itself
// (a "{" that starts nothing is typed as a brace). Text pieces (form values,
// captures, the clipboard) are only ever characters: a line break in them is
// Enter and a tab is Tab.
#pragma once

#include "keys/launch.h"
#include "triggers/pieces.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t max_click_field_chars = 31;
constexpr std::size_t max_list_chars =
    479; // as the pick list shows it; RUN: and WINDOW: limits in keys/launch.h

// One character to type: a code-page byte, typed through the keyboard
// layout as ever (`byte` not 0), or a character sent as Unicode (`byte` 0).
// `code_point` is the character either way. Characters of text pieces
// (`literal`) go out as Unicode wherever the layout has no key for them.
struct TypedChar {
    char byte = 0;
    uint32_t code_point = 0;
    bool literal = false;
};

struct OutputStep {
    enum Kind : uint8_t {
        type,         // `chars`, in one burst
        key,          // a key token: `vk` pressed and released, or only one of the two (`mode`)
        delay,        // waits `number` milliseconds (a negative number: none)
        click,        // `x`, `y` from the window in front's corner; `button`; `double_click`
        mouse_return, // the pointer back where it was when the trigger fired
        run,          // starts `argument` (UTF-8)
        window,       // brings the window titled `argument` (UTF-8) forward
        list,         // opens the pick list of `argument` (the output's 8-bit text)
        search,       // opens the search window; the output ends there
        pause,        // switches expansions off or on; the output ends there
        caret,        // the last step: the caret goes `number` characters back (Left
                      // presses, modifiers up first); -1: it cannot be placed and stays
    } kind = type;
    std::vector<TypedChar> chars;
    uint8_t vk = 0;
    int mode = 0; // KeyMode
    int32_t number = 0, x = 0, y = 0;
    enum Button : uint8_t { left, right, middle } button = left;
    bool double_click = false;
    std::string argument;
};
using OutputScript = std::vector<OutputStep>;

// Reads the pieces of an output into steps. Adjacent characters form one
// `type` step; a step of another kind ends it. The first cursor piece adds a
// `caret` step at the end when what follows it is characters, Enter and Tab
// only (counted as the window sees them: an emoji is one), or a `caret`
// step of -1 when anything else follows.
OutputScript compile_output(const OutputPieces& pieces);
// The same for an output that is all markup.
OutputScript compile_output(std::string_view markup);

// How many characters the steps from `from` on put in the window, Enter,
// Tab and Space one each; -1 when any other step (a key, a command, a pause, a click)
// is among them, for then no count can say where the text ends.
int typed_length(const OutputScript& script, std::size_t from = 0);

// The steps written back in the output language, for messages and tests:
// characters as code-page bytes or "{U+XXXX}", keys by their token name,
// commands with their arguments (UTF-8), the caret step as "{Cursor back N}".
std::string script_as_markup(const OutputScript& script);

// The command ("RUN: ", "WINDOW: ", "LIST: ", "SEARCH:", "PAUSE:", any case)
// that starts at `at`: its length, 0 when none does.
std::size_t output_command_at(const char* at);
