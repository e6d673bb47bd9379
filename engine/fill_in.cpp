// What an output's markup is filled in with when it fires: environment
// variables, dates and times, and the case the trigger was typed in. Text
// pieces (values, captures, the clipboard) are never touched: they are typed
// as the characters they hold.
#include "common/text.h"
#include "common/unicode.h"
#include "engine/stages.h"
#include "platform/platform.h"
#include "triggers/output_script.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
// An expansion may not grow the output beyond this; larger ones stay unexpanded.
constexpr std::size_t max_expanded_size = 1u << 20;

// Replaces %NAME% references; undefined names stay as written.
void expand_variables(std::string& text) {
    if (text.find('%') == std::string::npos) return;
    std::size_t room = text.size() + 4096;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string expanded(room, '\0');
        const std::size_t needed = expand_environment(text.c_str(), &expanded[0], room);
        if (needed == 0) return;
        if (needed <= room) {
            expanded.resize(std::strlen(expanded.c_str()));
            text = std::move(expanded);
            return;
        }
        if (needed > max_expanded_size) return;
        room = needed + 4096;
    }
}

// Replaces every macro (any case) by its value, which is never longer.
void replace_macro(std::string& text, const char* macro, const char* format, int value) {
    char formatted[16];
    std::snprintf(formatted, sizeof formatted, format, value);
    replace_all_nocase(&text[0], macro, formatted);
    text.resize(std::strlen(text.c_str()));
}

void fill_in_dates(std::string& text) {
    const LocalTime now = local_time();
    replace_macro(text, "{{yyyy}}", "%04d", now.year);
    replace_macro(text, "{{yy}}", "%02d", now.year - 2000);
    replace_macro(text, "{{mm}}", "%02d", now.month);
    replace_macro(text, "{{dd}}", "%02d", now.day);
    replace_macro(text, "{{hh}}", "%02d", now.hour);
    replace_macro(text, "{{uu}}", "%02d", now.minute);
}

uint32_t upper_case_of(uint32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20; // Latin-1
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17E && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
        // Latin Extended-A pairs: even upper, odd lower, but for the run that starts odd
        const bool odd_run = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_run ? (c % 2 == 0) : (c % 2 == 1)) return c - 1;
        return c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20; // Greek
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;               // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

// A letter of the scripts the code pages hold: a character with a case, or
// one of the letters without one. Symbols above U+00BF (the euro sign, the
// trade mark sign, the multiplication sign) are none.
bool is_letter(uint32_t c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
    if (c >= 0x386 && c <= 0x3FF) return c != 0x387;             // Greek
    if (c >= 0x400 && c <= 0x52F) return c < 0x482 || c > 0x489; // Cyrillic
    if (c >= 0x5D0 && c <= 0x5EA) return true;                   // Hebrew
    if (c >= 0x620 && c <= 0x64A) return true;                   // Arabic
    if (c >= 0xE01 && c <= 0xE2E) return true;                   // Thai
    return c >= 0x1E00 && c <= 0x1EFF;                           // Vietnamese and other Latin
}

// The output's letters in the case the trigger was typed in: all of them, or
// its first. Key tokens, macros, %VARIABLES% and commands with their
// arguments stay as they are. True when the first letter was changed.
bool apply_case(std::string& text, OutputCase letters) {
    if (letters == OutputCase::as_written) return false;
    for (char* at = &text[0]; *at;) {
        if (*at == '{' || *at == '%') {
            const char* close = std::strchr(at + 1, *at == '{' ? '}' : '%');
            // A variable's name holds no blank: "50% off and 20%" is text.
            const bool name = *at == '{' || (close && std::memchr(at, ' ', close - at) == nullptr);
            if (close && name) {
                at = const_cast<char*>(close) + 1;
                continue;
            }
        }
        // A command and its argument (a name) stay as written.
        if (const std::size_t keyword = output_command_at(at)) {
            at += keyword;
            while (*at && *at != '\r' && *at != '\n' && *at != '{')
                ++at;
            continue;
        }
        const auto byte = static_cast<uint8_t>(*at);
        const uint32_t code_point = byte < 0x80 ? byte : code_point_of_ansi(byte);
        if (is_letter(code_point)) {
            const int upper = ansi_byte_of(upper_case_of(code_point));
            if (upper > 0) *at = static_cast<char>(upper);
            if (letters == OutputCase::capitalized) return true;
        }
        ++at;
    }
    return false;
}

bool holds_a_letter(std::string_view utf8) {
    const std::u32string chars = utf8_to_code_points(utf8);
    return std::any_of(chars.begin(), chars.end(), [](char32_t c) { return is_letter(c); });
}
} // namespace

void fill_in(OutputPieces& pieces, OutputCase letters) {
    // Capitalised: only the output's first letter, which may stand in a text
    // piece, whose letters stay as they are.
    bool first_letter_done = false;
    for (OutputPiece& piece : pieces) {
        if (piece.kind != OutputPiece::markup) {
            first_letter_done = first_letter_done || holds_a_letter(piece.content);
            continue;
        }
        if (!first_letter_done) first_letter_done = apply_case(piece.content, letters);
        expand_variables(piece.content);
        fill_in_dates(piece.content);
    }
}
