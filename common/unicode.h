// What a Unicode character is: its general category and its simple case
// mappings, from tables built into the program, so that every build and every
// system language classifies and folds characters alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The general categories, in the tables' numbering.
enum class UnicodeCategory : uint8_t {
    Cn,
    Lu,
    Ll,
    Lt,
    Lm,
    Lo,
    Mn,
    Mc,
    Me,
    Nd,
    Nl,
    No,
    Pc,
    Pd,
    Ps,
    Pe,
    Pi,
    Pf,
    Po,
    Sm,
    Sc,
    Sk,
    So,
    Zs,
    Zl,
    Zp,
    Cc,
    Cf,
    Cs,
    Co,
};
constexpr int unicode_category_count = 30;

UnicodeCategory unicode_category(char32_t c);

inline bool is_letter(UnicodeCategory category) {
    return category >= UnicodeCategory::Lu && category <= UnicodeCategory::Lo;
}
// A letter, a mark, a decimal digit or a connector such as "_": what a word
// is made of.
bool is_word_char(char32_t c);
// A letter or a decimal digit.
bool is_letter_or_digit(char32_t c);

// Simple (one character to one character) case mappings; a character
// without one maps to itself.
char32_t unicode_lower(char32_t c);
char32_t unicode_upper(char32_t c);
char32_t unicode_title(char32_t c);

// A UTF-8 text as code points; a broken sequence gives U+FFFD per byte.
std::u32string utf8_to_code_points(std::string_view text);
std::string code_points_to_utf8(std::u32string_view text);
