#include "common/utf8.h"

uint32_t utf8_decode(const unsigned char* text, std::size_t size, std::size_t at,
                     std::size_t* length) {
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

void utf8_append(std::string& out, uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t utf8_prefix(std::string_view text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) return text.size();
    std::size_t end = max_bytes;
    // Back off continuation bytes to the start of the character they belong to.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return end;
}
