// The character rules of pattern triggers, for Boost.Regex: patterns and
// typed text are Unicode code points (char32_t), classified and folded by the
// program's own Unicode tables (common/unicode.h), never by the C runtime's
// locale. Windows' runtime and Linux's disagree on what a letter is, and
// wchar_t is 16 bits on one and 32 on the other; with these rules a pattern
// matches the same text in every build and on every system language.
//
// Only triggers/patterns.cpp includes this (and with it Boost).
#pragma once

#include "common/unicode.h"

#include <boost/regex.hpp>

#include <cstdint>
#include <string>

class CodePointTraits {
  public:
    using char_type = char32_t;
    using size_type = std::size_t;
    using string_type = std::u32string;
    using locale_type = int; // one set of rules for every system language
    using char_class_type = uint64_t;
    struct boost_extensions_tag {};

    static size_type length(const char_type* p) { return std::char_traits<char32_t>::length(p); }

    boost::regex_constants::syntax_type syntax_type(char_type c) const {
        return c > 0 && c < 0x7F
                   ? boost::BOOST_REGEX_DETAIL_NS::get_default_syntax_type(static_cast<char>(c))
                   : boost::regex_constants::syntax_char;
    }
    boost::regex_constants::escape_syntax_type escape_syntax_type(char_type c) const {
        return c > 0 && c < 0x7F ? boost::BOOST_REGEX_DETAIL_NS::get_default_escape_syntax_type(
                                       static_cast<char>(c))
                                 : boost::regex_constants::syntax_char;
    }
    char_type translate(char_type c) const { return c; }
    // Case-blind matching compares lower-case forms: "(?i)ДОМ" takes "дом".
    char_type translate_nocase(char_type c) const { return unicode_lower(c); }
    char_type translate(char_type c, bool icase) const { return icase ? unicode_lower(c) : c; }
    char_type tolower(char_type c) const { return unicode_lower(c); }
    char_type toupper(char_type c) const { return unicode_upper(c); }

    // Ranges such as [а-я] go by code point, as everywhere in Unicode patterns.
    string_type transform(const char_type* p1, const char_type* p2) const {
        return string_type(p1, p2);
    }
    string_type transform_primary(const char_type* p1, const char_type* p2) const;

    char_class_type lookup_classname(const char_type* p1, const char_type* p2) const;
    string_type lookup_collatename(const char_type* p1, const char_type* p2) const;
    bool isctype(char_type c, char_class_type mask) const;

    std::intmax_t toi(const char_type*& p1, const char_type* p2, int radix) const {
        return boost::BOOST_REGEX_DETAIL_NS::global_toi(p1, p2, radix, *this);
    }
    int value(char_type c, int radix) const;

    locale_type imbue(locale_type l) { return l; }
    locale_type getloc() const { return 0; }
    std::string error_string(boost::regex_constants::error_type n) const {
        return boost::BOOST_REGEX_DETAIL_NS::get_default_error_string(n);
    }

    // Bits above the 30 general categories (bit n: category n).
    static constexpr char_class_type mask_blank = char_class_type(1) << 30;
    static constexpr char_class_type mask_space = char_class_type(1) << 31;
    static constexpr char_class_type mask_xdigit = char_class_type(1) << 32;
    static constexpr char_class_type mask_underscore = char_class_type(1) << 33;
    static constexpr char_class_type mask_unicode = char_class_type(1) << 34;
    static constexpr char_class_type mask_any = char_class_type(1) << 35;
    static constexpr char_class_type mask_ascii = char_class_type(1) << 36;
    static constexpr char_class_type mask_horizontal = char_class_type(1) << 37;
    static constexpr char_class_type mask_vertical = char_class_type(1) << 38;
};

using PatternRegex = boost::basic_regex<char32_t, CodePointTraits>;
