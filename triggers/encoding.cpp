#include "triggers/encoding.h"

#include "common/text.h"
#include "common/unicode.h"
#include "common/utf8.h"
#include "platform/platform.h"
#include "triggers/triggers.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr unsigned char bom[3] = {0xEF, 0xBB, 0xBF};

bool has_bom(const char* text, std::size_t size) {
    return size >= 3 && std::memcmp(text, bom, 3) == 0;
}

// Counts lines as the loader does: every LF ends one, and so does a CR that
// no LF follows. Feed it each character in turn.
struct LineCounter {
    int line = 1;
    bool after_cr = false;
    // The line that character `c` stands on.
    int feed(uint32_t c) {
        if (after_cr && c != '\n') ++line; // a lone CR ended the line before
        const int here = line;
        after_cr = c == '\r';
        if (c == '\n') ++line;
        return here;
    }
};

// The UTF-16 unit at `at` of a file in the given byte order.
uint16_t unit_at(const unsigned char* text, std::size_t at, bool big_endian) {
    return static_cast<uint16_t>(big_endian ? (text[at] << 8) | text[at + 1]
                                            : (text[at + 1] << 8) | text[at]);
}

// Zero bytes in every other place, the rest mostly not: UTF-16 text, most of
// it ASCII, written without its byte-order mark.
bool looks_like_utf16(const unsigned char* text, std::size_t size) {
    const std::size_t pairs = (size < 8192 ? size : 8192) / 2;
    if (pairs < 2) return false;
    std::size_t zero[2] = {0, 0};
    for (std::size_t i = 0; i < pairs * 2; ++i)
        if (text[i] == 0) ++zero[i % 2];
    for (int high = 0; high < 2; ++high)
        if (zero[high] * 2 >= pairs && zero[1 - high] * 16 < pairs) return true;
    return false;
}

// Walks a UTF-8 text (without its mark) character by character, with the
// 1-based line it stands on, whether it starts that line, and whether it
// stands in a typed trigger: before the first "=" of a line that is neither
// a comment nor a pattern ("re:", which matches characters, not keys, and
// reads "{U+XXXX}" as the character). Lines are counted as the loader counts
// them: every LF ends one, and so does a CR that no LF follows.
template <typename Visit> void walk(const unsigned char* text, std::size_t size, Visit visit) {
    int line = 1;
    bool line_start = true, in_trigger = false;
    for (std::size_t at = 0; at < size;) {
        std::size_t length = 0;
        uint32_t cp = utf8_decode(text, size, at, &length);
        if (length == 0) { // only after a byte-order mark that promised UTF-8
            cp = 0xFFFD;
            length = 1;
        }
        const bool line_end = cp == '\r' || cp == '\n';
        if (line_start)
            in_trigger = cp != ';' && !(size - at >= 3 && std::memcmp(text + at, "re:", 3) == 0);
        if (cp == '=' || line_end) in_trigger = false;
        visit(cp, line, line_start, in_trigger);
        line_start = cp == '\n' || (cp == '\r' && (at + 1 >= size || text[at + 1] != '\n'));
        if (line_start) ++line;
        at += length;
    }
}
} // namespace

TextEncoding detect_encoding(const char* text, std::size_t size) {
    if (size >= 2 && std::memcmp(text, "\xFF\xFE", 2) == 0) return TextEncoding::utf16le;
    if (size >= 2 && std::memcmp(text, "\xFE\xFF", 2) == 0) return TextEncoding::utf16be;
    if (has_bom(text, size)) return TextEncoding::utf8_bom;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    bool multi_byte = false;
    for (std::size_t at = 0; at < size;) {
        if (bytes[at] == 0) break; // the text ends at a zero byte, as everywhere
        std::size_t length = 0;
        utf8_decode(bytes, size, at, &length);
        if (length == 0) return TextEncoding::ansi;
        multi_byte = multi_byte || length > 1;
        at += length;
    }
    return multi_byte ? TextEncoding::utf8 : TextEncoding::ansi;
}

TextProblem check_text(const char* text, std::size_t size, TextEncoding encoding) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    LineCounter lines;
    if (is_utf16(encoding)) {
        const bool big_endian = encoding == TextEncoding::utf16be;
        for (std::size_t at = 2; at < size; at += 2) {
            if (at + 1 >= size) return {TextProblem::invalid_utf16, lines.feed(0xFFFD)};
            const uint16_t unit = unit_at(bytes, at, big_endian);
            const int line = lines.feed(unit);
            if (unit == 0) return {TextProblem::zero_byte, line};
            if (unit >= 0xDC00 && unit <= 0xDFFF) return {TextProblem::invalid_utf16, line};
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                const bool paired = at + 3 < size && unit_at(bytes, at + 2, big_endian) >= 0xDC00 &&
                                    unit_at(bytes, at + 2, big_endian) <= 0xDFFF;
                if (!paired) return {TextProblem::invalid_utf16, line};
                at += 2;
            }
        }
        return {};
    }
    const bool zero = std::memchr(text, 0, size) != nullptr;
    if (zero && looks_like_utf16(bytes, size)) return {TextProblem::utf16_without_mark, 0};
    const bool strict = encoding == TextEncoding::utf8_bom;
    if (!zero && !strict) return {};
    for (std::size_t at = strict ? 3 : 0; at < size;) {
        std::size_t length = 1;
        uint32_t cp = bytes[at];
        if (strict) {
            cp = utf8_decode(bytes, size, at, &length);
            if (length == 0) return {TextProblem::invalid_utf8, lines.feed(0xFFFD)};
        }
        const int line = lines.feed(cp);
        if (bytes[at] == 0) return {TextProblem::zero_byte, line};
        at += length;
    }
    return {};
}

std::string describe_text_problem(const TextProblem& problem) {
    char words[96];
    switch (problem.kind) {
    case TextProblem::zero_byte:
        std::snprintf(words, sizeof words, "holds a zero byte at line %d", problem.line);
        return words;
    case TextProblem::utf16_without_mark:
        return "is UTF-16 without a byte-order mark";
    case TextProblem::invalid_utf8:
        std::snprintf(words, sizeof words, "is marked as UTF-8 but is not UTF-8 at line %d",
                      problem.line);
        return words;
    case TextProblem::invalid_utf16:
        std::snprintf(words, sizeof words, "is marked as UTF-16 but is not UTF-16 at line %d",
                      problem.line);
        return words;
    default:
        return "";
    }
}

bool utf16_to_utf8(HeapText& text, std::size_t& size, TextEncoding encoding) {
    if (!is_utf16(encoding) || !text) return true;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.get());
    const bool big_endian = encoding == TextEncoding::utf16be;
    // Every unit becomes at most 3 bytes (a surrogate pair 4 for 2 units).
    HeapText out = alloc_text(file_buffer_size(size / 2 * 3));
    if (!out) return false;
    std::string chunk;
    std::size_t n = 0;
    for (std::size_t at = 2; at + 1 < size; at += 2) {
        uint32_t cp = unit_at(bytes, at, big_endian);
        if (cp >= 0xD800 && cp <= 0xDBFF && at + 3 < size) {
            const uint16_t low = unit_at(bytes, at + 2, big_endian);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                at += 2;
            }
        }
        chunk.clear();
        utf8_append(chunk, cp);
        std::memcpy(out.get() + n, chunk.data(), chunk.size());
        n += chunk.size();
    }
    out.get()[n] = '\0';
    text = std::move(out);
    size = n;
    return true;
}

std::string text_for_editor(const char* text, std::size_t size, TextEncoding encoding) {
    const std::size_t length = length_bounded(text, size);
    if (encoding == TextEncoding::ansi) return code_page_to_utf8(std::string_view(text, length));
    const std::size_t skip = encoding == TextEncoding::utf8_bom && has_bom(text, length) ? 3 : 0;
    return std::string(text + skip, length - skip);
}

std::string encode_trigger_text(std::string_view utf8, TextEncoding encoding) {
    if (is_utf16(encoding)) {
        const bool big_endian = encoding == TextEncoding::utf16be;
        std::string out(big_endian ? "\xFE\xFF" : "\xFF\xFE");
        auto put = [&](uint32_t unit) {
            const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
            out += big_endian ? high : low;
            out += big_endian ? low : high;
        };
        for (const char32_t cp : utf8_to_code_points(utf8)) {
            if (cp > 0xFFFF) {
                put(0xD800 + ((cp - 0x10000) >> 10));
                put(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                put(cp);
            }
        }
        return out;
    }
    if (encoding == TextEncoding::ansi) {
        std::string bytes;
        if (utf8_to_code_page(utf8, &bytes)) return bytes;
        encoding = TextEncoding::utf8_bom;
    }
    return (encoding == TextEncoding::utf8_bom ? std::string("\xEF\xBB\xBF") : std::string()) +
           std::string(utf8);
}

bool to_engine_text(HeapText& text, std::size_t& size, TextEncoding encoding,
                    std::vector<int>* untypeable) {
    if (encoding == TextEncoding::ansi || !text) return true;
    if (is_utf16(encoding)) {
        if (!utf16_to_utf8(text, size, encoding)) return false;
        encoding = TextEncoding::utf8;
    }
    const std::size_t skip = encoding == TextEncoding::utf8_bom ? 3 : 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.get()) + skip;
    const std::size_t length = length_bounded(text.get() + skip, size - skip);

    // First the lines whose trigger cannot be typed, and the size of the result.
    std::vector<int> set_aside;
    std::size_t needed = 0;
    walk(bytes, length, [&](uint32_t cp, int line, bool line_start, bool in_trigger) {
        if (line_start) ++needed; // room for a ";" at any line start
        if (cp < 0x80) {
            ++needed;
            return;
        }
        if (ansi_byte_of(cp) >= 0) {
            ++needed;
            return;
        }
        needed += 10; // "{U+10FFFF}" at the most
        if (in_trigger && (set_aside.empty() || set_aside.back() != line))
            set_aside.push_back(line);
    });

    HeapText out = alloc_text(file_buffer_size(needed));
    if (!out) return false;
    std::size_t n = 0;
    std::size_t next_aside = 0;
    walk(bytes, length, [&](uint32_t cp, int line, bool line_start, bool) {
        if (line_start && next_aside < set_aside.size() && set_aside[next_aside] == line) {
            out.get()[n++] = ';';
            ++next_aside;
        }
        const int byte = cp < 0x80 ? static_cast<int>(cp) : ansi_byte_of(cp);
        if (byte >= 0 && (byte != 0 || cp == 0)) {
            out.get()[n++] = static_cast<char>(byte);
            return;
        }
        n += static_cast<std::size_t>(
            std::snprintf(out.get() + n, 11, "{U+%04X}", static_cast<unsigned>(cp)));
    });
    out.get()[n] = '\0';
    text = std::move(out);
    size = n;
    if (untypeable) *untypeable = std::move(set_aside);
    return true;
}

FileRead read_engine_text(const char* path, HeapText& text, std::size_t& size,
                          TextEncoding* encoding, std::vector<int>* untypeable,
                          TextProblem* problem) {
    char* raw = nullptr;
    size = 0;
    const FileRead result = read_whole_file(path, max_trigger_file_size, &raw, &size);
    text.reset(raw);
    if (result != FileRead::ok) return result;
    const TextEncoding found = detect_encoding(text.get(), size);
    if (encoding) *encoding = found;
    const TextProblem checked = check_text(text.get(), size, found);
    if (problem) *problem = checked;
    if (checked.kind != TextProblem::none) return FileRead::not_text;
    return to_engine_text(text, size, found, untypeable) ? FileRead::ok : FileRead::no_memory;
}

uint32_t parse_unicode_token(const char* text, uint32_t* length) {
    if (text[0] != '{' || (text[1] != 'U' && text[1] != 'u') || text[2] != '+') return 0;
    uint32_t cp = 0;
    int digits = 0;
    const char* p = text + 3;
    for (; digits < 7; ++p, ++digits) {
        const char c = *p;
        int value = -1;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        if (value < 0) break;
        cp = cp * 16 + static_cast<uint32_t>(value);
    }
    if (digits < 1 || digits > 6 || *p != '}') return 0;
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    *length = static_cast<uint32_t>(p + 1 - text);
    return cp;
}

std::string engine_text_to_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const unsigned char byte = static_cast<unsigned char>(text[at]);
        if (byte == '{') {
            const std::string token(text.substr(at, 11));
            uint32_t length = 0;
            if (const uint32_t cp = parse_unicode_token(token.c_str(), &length)) {
                utf8_append(out, cp);
                at += length - 1;
                continue;
            }
        }
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            continue;
        }
        const uint32_t cp = code_point_of_ansi(byte);
        utf8_append(out, cp ? cp : 0xFFFD);
    }
    return out;
}
