#include "engine/encoding.h"

#include "common/text.h"
#include "engine/triggers.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr unsigned char bom[3] = {0xEF, 0xBB, 0xBF};

bool has_bom(const char* text, std::size_t size) {
    return size >= 3 && std::memcmp(text, bom, 3) == 0;
}

// The code point of the UTF-8 sequence at text[at] and its length; length 0
// when the bytes there are not a valid, shortest-form sequence.
uint32_t decode(const unsigned char* text, std::size_t size, std::size_t at, std::size_t* length) {
    const unsigned char lead = text[at];
    *length = 0;
    if (lead < 0x80) {
        *length = 1;
        return lead;
    }
    std::size_t n = 0;
    uint32_t cp = 0, min = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        n = 2, cp = lead & 0x1F, min = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        n = 3, cp = lead & 0x0F, min = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        n = 4, cp = lead & 0x07, min = 0x10000;
    else
        return 0;
    if (at + n > size) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((text[at + i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (text[at + i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    *length = n;
    return cp;
}

// Walks a UTF-8 text (without its mark) character by character, with the
// 1-based line it stands on, whether it starts that line, and whether it
// stands in the trigger part: before the first "=" of a line that is not a
// comment. Lines are counted as the loader counts them: every LF ends one,
// and so does a CR that no LF follows.
template <typename Visit> void walk(const unsigned char* text, std::size_t size, Visit visit) {
    int line = 1;
    bool line_start = true, in_trigger = false;
    for (std::size_t at = 0; at < size;) {
        std::size_t length = 0;
        uint32_t cp = decode(text, size, at, &length);
        if (length == 0) { // only after a byte-order mark that promised UTF-8
            cp = 0xFFFD;
            length = 1;
        }
        const bool line_end = cp == '\r' || cp == '\n';
        if (line_start) in_trigger = cp != ';';
        if (cp == '=' || line_end) in_trigger = false;
        visit(cp, line, line_start, in_trigger);
        line_start = cp == '\n' || (cp == '\r' && (at + 1 >= size || text[at + 1] != '\n'));
        if (line_start) ++line;
        at += length;
    }
}
} // namespace

TextEncoding detect_encoding(const char* text, std::size_t size) {
    if (has_bom(text, size)) return TextEncoding::utf8_bom;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    bool multi_byte = false;
    for (std::size_t at = 0; at < size;) {
        if (bytes[at] == 0) break; // the text ends at a zero byte, as everywhere
        std::size_t length = 0;
        decode(bytes, size, at, &length);
        if (length == 0) return TextEncoding::ansi;
        multi_byte = multi_byte || length > 1;
        at += length;
    }
    return multi_byte ? TextEncoding::utf8 : TextEncoding::ansi;
}

bool to_engine_text(HeapText& text, std::size_t& size, TextEncoding encoding,
                    std::vector<int>* untypeable) {
    if (encoding == TextEncoding::ansi || !text) return true;
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
                          TextEncoding* encoding, std::vector<int>* untypeable) {
    char* raw = nullptr;
    size = 0;
    const FileRead result = read_whole_file(path, max_trigger_file_size, &raw, &size);
    text.reset(raw);
    if (result != FileRead::ok) return result;
    const TextEncoding found = detect_encoding(text.get(), size);
    if (encoding) *encoding = found;
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
