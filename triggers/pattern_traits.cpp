#include "triggers/pattern_traits.h"

#include <algorithm>
#include <string_view>

namespace {
using Mask = CodePointTraits::char_class_type;
using C = UnicodeCategory;

constexpr Mask bit(C category) {
    return Mask(1) << static_cast<int>(category);
}
constexpr Mask span(C first, C last) {
    Mask mask = 0;
    for (int c = static_cast<int>(first); c <= static_cast<int>(last); ++c)
        mask |= Mask(1) << c;
    return mask;
}
constexpr Mask letters = span(C::Lu, C::Lo), marks = span(C::Mn, C::Me),
               numbers = span(C::Nd, C::No), punctuation = span(C::Pc, C::Po),
               symbols = span(C::Sm, C::So), separators = span(C::Zs, C::Zp),
               others = span(C::Cc, C::Co) | bit(C::Cn);
constexpr Mask word = letters | marks | bit(C::Nd) | bit(C::Pc);

// The POSIX and Perl class names, in the order of Boost's own list.
constexpr Mask default_classes[] = {
    letters | bit(C::Nd),                                           // alnum
    letters,                                                        // alpha
    CodePointTraits::mask_blank,                                    // blank
    bit(C::Cc) | bit(C::Cf) | bit(C::Zl) | bit(C::Zp),              // cntrl
    bit(C::Nd),                                                     // d
    bit(C::Nd),                                                     // digit
    letters | marks | numbers | punctuation | symbols,              // graph
    CodePointTraits::mask_horizontal,                               // h
    bit(C::Ll),                                                     // l
    bit(C::Ll),                                                     // lower
    letters | marks | numbers | punctuation | symbols | separators, // print
    punctuation,                                                    // punct
    separators | CodePointTraits::mask_space,                       // s
    separators | CodePointTraits::mask_space,                       // space
    bit(C::Lu),                                                     // u
    CodePointTraits::mask_unicode,                                  // unicode
    bit(C::Lu),                                                     // upper
    CodePointTraits::mask_vertical,                                 // v
    word,                                                           // w
    word,                                                           // word
    CodePointTraits::mask_xdigit,                                   // xdigit
};

// "\p{L}", "\p{Lu}" ...: the general categories by their short names, as the
// Unicode standard writes them, and their one-letter groups.
constexpr std::string_view category_names[] = {
    "Cn", "Lu", "Ll", "Lt", "Lm", "Lo", "Mn", "Mc", "Me", "Nd", "Nl", "No", "Pc", "Pd", "Ps",
    "Pe", "Pi", "Pf", "Po", "Sm", "Sc", "Sk", "So", "Zs", "Zl", "Zp", "Cc", "Cf", "Cs", "Co"};
struct GroupName {
    char name;
    Mask mask;
};
constexpr GroupName category_groups[] = {{'L', letters},     {'M', marks},   {'N', numbers},
                                         {'P', punctuation}, {'S', symbols}, {'Z', separators},
                                         {'C', others}};

Mask category_mask(std::u32string_view name) {
    if (name.size() == 1) {
        for (const GroupName& group : category_groups)
            if (name[0] == static_cast<char32_t>(group.name)) return group.mask;
        return 0;
    }
    if (name.size() != 2) return 0;
    for (int c = 0; c < unicode_category_count; ++c) {
        const std::string_view known = category_names[c];
        if (name[0] == static_cast<char32_t>(known[0]) &&
            name[1] == static_cast<char32_t>(known[1]))
            return Mask(1) << c;
    }
    return 0;
}

bool is_vertical_space(char32_t c) {
    return (c >= '\n' && c <= '\r') || c == 0x85 || c == 0x2028 || c == 0x2029;
}
} // namespace

CodePointTraits::string_type CodePointTraits::transform_primary(const char_type* p1,
                                                                const char_type* p2) const {
    string_type key(p1, p2);
    for (char32_t& c : key)
        c = unicode_lower(c);
    return key;
}

CodePointTraits::char_class_type CodePointTraits::lookup_classname(const char_type* p1,
                                                                   const char_type* p2) const {
    if (const Mask mask = category_mask(std::u32string_view(p1, static_cast<std::size_t>(p2 - p1))))
        return mask;
    const int id = boost::BOOST_REGEX_DETAIL_NS::get_default_class_id(p1, p2);
    return id >= 0 ? default_classes[id] : 0;
}

CodePointTraits::string_type CodePointTraits::lookup_collatename(const char_type* p1,
                                                                 const char_type* p2) const {
    string_type result;
    if (std::all_of(p1, p2, [](char32_t c) { return c > 0 && c < 0x80; })) {
        const std::string name(p1, p2);
        const std::string found = boost::BOOST_REGEX_DETAIL_NS::lookup_default_collate_name(name);
        result.assign(found.begin(), found.end());
    }
    if (result.empty() && p2 - p1 == 1) result.push_back(*p1);
    return result;
}

bool CodePointTraits::isctype(char_type c, char_class_type mask) const {
    if (bit(unicode_category(c)) & mask) return true;
    const bool blank = c == '\t' || unicode_category(c) == C::Zs;
    return ((mask & mask_blank) && blank) || ((mask & mask_horizontal) && blank) ||
           ((mask & mask_space) && (c == '\t' || is_vertical_space(c))) ||
           ((mask & mask_vertical) && is_vertical_space(c)) ||
           ((mask & mask_xdigit) && value(c, 16) >= 0) || ((mask & mask_underscore) && c == '_') ||
           ((mask & mask_unicode) && c >= 0x100) || ((mask & mask_any) && c <= 0x10FFFF) ||
           ((mask & mask_ascii) && c < 0x80);
}

int CodePointTraits::value(char_type c, int radix) const {
    int digit = -1;
    if (c >= '0' && c <= '9')
        digit = static_cast<int>(c - '0');
    else if (c >= 'a' && c <= 'z')
        digit = static_cast<int>(c - 'a') + 10;
    else if (c >= 'A' && c <= 'Z')
        digit = static_cast<int>(c - 'A') + 10;
    return digit < radix ? digit : -1;
}
