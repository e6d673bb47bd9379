#include "common/unicode.h"

#include "common/unicode_tables.h"
#include "common/utf8.h"

#include <algorithm>
#include <array>

namespace {
using unicode_tables::CaseRange;

char32_t map_case(char32_t c, const CaseRange* ranges, std::size_t count) {
    const CaseRange* end = ranges + count;
    const CaseRange* at =
        std::upper_bound(ranges, end, static_cast<uint32_t>(c),
                         [](uint32_t cp, const CaseRange& range) { return cp < range.first; });
    if (at == ranges) return c;
    --at;
    if (c > at->last || (c - at->first) % at->stride != 0) return c;
    return static_cast<char32_t>(static_cast<int32_t>(c) + at->delta);
}
} // namespace

namespace {
UnicodeCategory look_up_category(char32_t c) {
    using namespace unicode_tables;
    if (c > 0x10FFFF) return UnicodeCategory::Cn;
    const uint32_t* end = category_runs + category_run_count;
    // The last run whose first code point is c or below.
    const uint32_t* at = std::upper_bound(category_runs, end, static_cast<uint32_t>(c),
                                          [](uint32_t cp, uint32_t run) { return cp < run >> 5; });
    return static_cast<UnicodeCategory>(at[-1] & 31u);
}

// Most typed characters are Latin-1: those skip the search.
struct LatinCategories {
    std::array<UnicodeCategory, 256> of{};
    LatinCategories() {
        for (char32_t c = 0; c < 256; ++c)
            of[c] = look_up_category(c);
    }
};
} // namespace

UnicodeCategory unicode_category(char32_t c) {
    static const LatinCategories latin;
    return c < 256 ? latin.of[c] : look_up_category(c);
}

bool is_word_char(char32_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    const UnicodeCategory category = unicode_category(c);
    return (category >= UnicodeCategory::Lu && category <= UnicodeCategory::Nd) ||
           category == UnicodeCategory::Pc;
}

bool is_letter_or_digit(char32_t c) {
    const UnicodeCategory category = unicode_category(c);
    return is_letter(category) || category == UnicodeCategory::Nd;
}

char32_t unicode_lower(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return map_case(c, unicode_tables::lower_ranges, unicode_tables::lower_ranges_count);
}

char32_t unicode_upper(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    return map_case(c, unicode_tables::upper_ranges, unicode_tables::upper_ranges_count);
}

char32_t unicode_title(char32_t c) {
    using namespace unicode_tables;
    const CodePair* end = title_exceptions + title_exception_count;
    const CodePair* at =
        std::lower_bound(title_exceptions, end, static_cast<uint32_t>(c),
                         [](const CodePair& pair, uint32_t cp) { return pair.from < cp; });
    if (at != end && at->from == c) return at->to;
    return unicode_upper(c);
}

std::u32string utf8_to_code_points(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 0;
        const uint32_t cp = utf8_decode(bytes, text.size(), at, &length);
        out += length ? static_cast<char32_t>(cp) : U'\uFFFD';
        at += length ? length : 1;
    }
    return out;
}

std::string code_points_to_utf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : text)
        utf8_append(out, c);
    return out;
}
