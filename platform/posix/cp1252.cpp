// Windows-1252, the code page of the simulated desktop and of quillomat-check on Linux.
#include "platform/posix/posix.h"

#include "common/utf8.h"

#include <string>


namespace {
constexpr uint16_t cp1252_high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};
} // namespace

int ansi_byte_of(uint32_t code_point) {
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF))
        return static_cast<int>(code_point);
    for (int i = 0; i < 32; ++i)
        if (cp1252_high[i] != 0 && cp1252_high[i] == code_point) return 0x80 + i;
    return -1;
}

uint32_t code_point_of_ansi(uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? cp1252_high[byte - 0x80] : byte;
}

std::string code_page_to_utf8(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const uint32_t cp = code_point_of_ansi(static_cast<uint8_t>(c));
        // The five bytes Windows-1252 leaves empty stand for the C1 controls, as Windows reads them.
        utf8_append(out, cp ? cp : static_cast<uint8_t>(c));
    }
    return out;
}

bool utf8_to_code_page(std::string_view utf8, std::string* bytes) {
    bytes->clear();
    const auto* text = reinterpret_cast<const unsigned char*>(utf8.data());
    for (std::size_t at = 0; at < utf8.size();) {
        std::size_t length = 0;
        const uint32_t cp = utf8_decode(text, utf8.size(), at, &length);
        const bool c1_control = cp >= 0x80 && cp < 0xA0 && code_point_of_ansi(static_cast<uint8_t>(cp)) == 0;
        const int byte = c1_control ? static_cast<int>(cp) : ansi_byte_of(cp);
        if (length == 0 || byte < 0) return false;
        *bytes += static_cast<char>(byte);
        at += length;
    }
    return true;
}

