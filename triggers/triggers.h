// The trigger file's lines and the trigger table the matcher scans: the
// parse of a file's text, with no calls to the platform.
//
// A trigger line is "trigger=output": 1 to 61 characters before the first
// "=". Tokens in the trigger ("{control}", "{shift}", "{alt}", "{4}" and the
// key tokens) make it a hotkey or name keys; the rest is typed text. A
// pattern trigger ("re:", see triggers/patterns.h) is read as it stands and
// runs to its "=" however long it is: its pattern has a bound of its own.
#pragma once

#include "triggers/rules.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int trigger_capacity = 256; // the last entry always stays empty and ends the scan
constexpr int max_triggers = 255;
constexpr int max_trigger_chars = 61;
constexpr int max_match_length = 32;
// Files larger than this are refused: the loaded text is kept whole in memory.
constexpr std::size_t max_trigger_file_size = 64u * 1024u * 1024u;

constexpr uint8_t flag_control = 1;
constexpr uint8_t flag_shift = 2;
constexpr uint8_t flag_alt = 4;
constexpr uint8_t flag_key_token = 0x10;

struct TriggerEntry {
    std::array<char, 64> match{};      // the trigger after token processing, reversed
    std::array<char, 64> lookup_key{}; // "\n" + the trigger as written + "="
    uint8_t flags = 0;
    int32_t match_length = 0;
    int32_t line = 0;           // the file line it comes from: its output is that line's
    uint32_t output_at = 0;     // where the line's output starts in the parsed text
    uint32_t output_length = 0; // up to the line end
    uint8_t section = 0;        // the "Quillomat_ONLY_IN" section it stands in; 0: every program
    bool word_start = false;    // "Quillomat_WORD_START: on": only after a non-letter, non-digit
    bool any_case = false;      // "Quillomat_CASE: on": matched in any case, output follows it
    bool always_live = false;   // a hotkey whose output is PAUSE: or SEARCH:: it fires even paused
    // A pattern trigger ("re:"): matched by its compiled pattern, never by
    // `match`, which holds only the start of it. Its whole trigger runs from
    // `trigger_at` to the "=" before the output.
    bool pattern = false;
    uint32_t trigger_at = 0; // where the line starts in the parsed text
};

// The trigger as the file writes it, however long: `text` is the parsed text.
inline std::string_view written_trigger(std::string_view text, const TriggerEntry& entry) {
    if (entry.output_at == 0 || entry.output_at > text.size() ||
        entry.trigger_at >= entry.output_at)
        return {};
    return text.substr(entry.trigger_at, entry.output_at - 1 - entry.trigger_at);
}

// The table of a parsed file, with what its markers and directives say.
struct TriggerTable : FileRules {
    std::array<TriggerEntry, trigger_capacity> entries{};
    int count = 0;
    bool debug_mode = false; // once on, stays on until another file is loaded
    bool remap_mode = false;
    bool netbook = false;        // set at start-up; allows remap mode
    bool unicode_typing = false; // "Quillomat_UNICODE": characters without a key go out as Unicode
};

// What the parse made of one line of the file, for tools that explain it.
enum class LineVerdict {
    trigger, // loaded as entry `entry`
    comment,
    no_equals,
    starts_with_equals,
    too_long,       // 62 or more characters before "="
    beyond_limit,   // a valid trigger after the 255th
    modifiers_only, // only "{control}", "{shift}", "{alt}": nothing to match
    after_nul,      // text after a zero byte, which ends the file's text
    not_typeable,   // the trigger holds a character the code page lacks
    directive,      // a comment that sets something: "; Quillomat_ONLY_IN: word.exe"
};

struct LineNote {
    int line; // 1-based
    LineVerdict verdict;
    int entry;          // table index for `trigger`, else -1
    std::size_t offset; // where the line starts in the text
};

// Parses a file's text into `table` (which must be cleared first); the
// text ends at `size` or its first zero byte. Returns the number of triggers.
// With `notes`, every non-blank line gets a verdict.
int parse_trigger_text(const char* text, std::size_t size, TriggerTable& table,
                       std::vector<LineNote>* notes);

// Sets debug and remap mode from the markers in the text (never clears them),
// and Unicode typing (as the text says).
void apply_markers(const char* text, TriggerTable& table);

// Replaces every key token in `text` by its key code, in token-table order;
// returns the number of replacements.
int replace_key_tokens(char* text);

// Letters to upper case, shifted symbols to their unshifted key; else unchanged.
char unshift_char(char c);

// The shift pairs of a US keyboard: shifted[i] is typed with Shift on the
// key of unshifted[i].
extern const std::string_view shifted_row;
extern const std::string_view unshifted_row;
