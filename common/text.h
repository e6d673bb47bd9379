// Text helpers shared by every subsystem. Texts are NUL-terminated; a null
// pointer counts as an absent text. Text that was typed or will be typed (the
// key history, triggers, outputs) is 8-bit code-page text; every other text
// (paths, titles, arguments, settings, messages) is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A path in UTF-8: room for any 259 characters (3 bytes each at most in the
// basic plane), and for the longer paths the system takes in their "\\?\" form.
constexpr std::size_t path_capacity = 1024;

// Position of the first case-insensitive occurrence of `needle` in `text`
// (ASCII letters only fold), or nullptr when either text is absent or empty.
const char* find_nocase(const char* text, const char* needle);
char* find_nocase(char* text, const char* needle);

// Replaces every case-insensitive occurrence of `needle` in `text`, in place,
// by `replacement`, which must not be longer; the search goes on after each
// replacement, so inserted text is never searched again.
void replace_all_nocase(char* text, const char* needle, std::string_view replacement);

// An ASCII upper-case letter in lower case; anything else as it is.
inline char lower_ascii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
// A character of a word in code-page text: an ASCII letter or digit, or a
// byte from 0xC0 up (the code pages' letters).
inline bool is_word_byte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           static_cast<unsigned char>(c) >= 0xC0;
}

// ASCII-only case-insensitive comparison of the first `count` bytes.
bool equal_nocase(const char* a, const char* b, std::size_t count);
// Two texts alike but for the case of ASCII letters.
bool same_nocase(std::string_view a, std::string_view b);
// The text without the blanks and tabs at either end.
std::string_view trimmed(std::string_view text);
bool starts_with_nocase(const char* text, std::string_view prefix);

// Reads the first run of decimal digits in `text`; negative when a "-" stands
// just before the first digit. No digits (or no text) gives 0. Wraps like
// 32-bit arithmetic on overflow instead of failing.
int32_t parse_decimal(const char* text);

// Writes `value` as decimal text into `out` (at least 12 bytes); returns `out`.
char* format_decimal(int32_t value, char* out, std::size_t capacity);

// Copies at most capacity - 1 bytes of `source` and always terminates `dest`.
// Returns the number of characters copied.
std::size_t copy_bounded(char* dest, std::size_t capacity, std::string_view source);
std::size_t append_bounded(char* dest, std::size_t capacity, std::string_view source);

// The path with the extension of its file name (from the name's last ".")
// replaced by `extension` (".ini"), or with `extension` added when the name
// has none. Dots in folder names are no extension.
std::string with_extension(std::string_view path, std::string_view extension);

// Bounded string length: never reads past `capacity` bytes.
std::size_t length_bounded(const char* text, std::size_t capacity);
