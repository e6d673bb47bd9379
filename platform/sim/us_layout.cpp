// A US keyboard layout, answering as the platform's key-mapping functions do
// on a US layout.
#include "platform/sim/us_layout.h"

#include <array>

namespace {
struct KeyInfo {
    uint8_t scan;
    char plain; // the unshifted character, 0 for none
    char shifted;
};

std::array<KeyInfo, 256> build_keys() {
    std::array<KeyInfo, 256> keys{};
    auto set = [&](int vk, uint8_t scan, char plain, char shifted) {
        keys[vk] = KeyInfo{scan, plain, shifted};
    };
    const char* letters_scan = "\x1e\x30\x2e\x20\x12\x21\x22\x23\x17\x24\x25\x26\x32\x31\x18\x19"
                               "\x10\x13\x1f\x14\x16\x2f\x11\x2d\x15\x2c";
    for (int i = 0; i < 26; ++i)
        set('A' + i, static_cast<uint8_t>(letters_scan[i]), static_cast<char>('A' + i), 0);
    const char* digit_shifted = ")!@#$%^&*(";
    for (int d = 0; d <= 9; ++d)
        set('0' + d, static_cast<uint8_t>(d == 0 ? 0x0b : 0x01 + d), static_cast<char>('0' + d),
            digit_shifted[d]);
    set(0x08, 0x0e, '\b', 0);
    set(0x09, 0x0f, '\t', 0);
    set(0x0d, 0x1c, '\r', 0);
    set(0x10, 0x2a, 0, 0);
    set(0x11, 0x1d, 0, 0);
    set(0x12, 0x38, 0, 0);
    set(0x13, 0x45, 0, 0);
    set(0x14, 0x3a, 0, 0);
    set(0x1b, 0x01, 0x1b, 0);
    set(0x20, 0x39, ' ', 0);
    set(0x21, 0x49, 0, 0);
    set(0x22, 0x51, 0, 0);
    set(0x23, 0x4f, 0, 0);
    set(0x24, 0x47, 0, 0);
    set(0x25, 0x4b, 0, 0);
    set(0x26, 0x48, 0, 0);
    set(0x27, 0x4d, 0, 0);
    set(0x28, 0x50, 0, 0);
    set(0x2c, 0x54, 0, 0);
    set(0x2d, 0x52, 0, 0);
    set(0x2e, 0x53, 0, 0);
    set(0x5b, 0x5b, 0, 0);
    set(0x5c, 0x5c, 0, 0);
    set(0x5d, 0x5d, 0, 0);
    const uint8_t numpad_scan[10] = {0x52, 0x4f, 0x50, 0x51, 0x4b, 0x4c, 0x4d, 0x47, 0x48, 0x49};
    for (int d = 0; d <= 9; ++d)
        set(0x60 + d, numpad_scan[d], static_cast<char>('0' + d), 0);
    set(0x6a, 0x37, '*', 0);
    set(0x6b, 0x4e, '+', 0);
    set(0x6d, 0x4a, '-', 0);
    set(0x6e, 0x53, '.', 0);
    set(0x6f, 0x35, '/', 0);
    const uint8_t fkey_scan[12] = {0x3b, 0x3c, 0x3d, 0x3e, 0x3f, 0x40,
                                   0x41, 0x42, 0x43, 0x44, 0x57, 0x58};
    for (int i = 0; i < 12; ++i)
        set(0x70 + i, fkey_scan[i], 0, 0);
    for (int i = 12; i < 16; ++i)
        set(0x70 + i, static_cast<uint8_t>(0x64 + i - 12), 0, 0);
    set(0x90, 0x45, 0, 0);
    set(0x91, 0x46, 0, 0);
    set(0xa0, 0x2a, 0, 0);
    set(0xa1, 0x36, 0, 0);
    set(0xa2, 0x1d, 0, 0);
    set(0xa3, 0x1d, 0, 0);
    set(0xa4, 0x38, 0, 0);
    set(0xa5, 0x38, 0, 0);
    set(0xba, 0x27, ';', ':');
    set(0xbb, 0x0d, '=', '+');
    set(0xbc, 0x33, ',', '<');
    set(0xbd, 0x0c, '-', '_');
    set(0xbe, 0x34, '.', '>');
    set(0xbf, 0x35, '/', '?');
    set(0xc0, 0x29, '`', '~');
    set(0xdb, 0x1a, '[', '{');
    set(0xdc, 0x2b, '\\', '|');
    set(0xdd, 0x1b, ']', '}');
    set(0xde, 0x28, '\'', '"');
    return keys;
}

const std::array<KeyInfo, 256>& keys() {
    static const std::array<KeyInfo, 256> table = build_keys();
    return table;
}
} // namespace

unsigned us_scan_code(int vk) {
    return (vk >= 0 && vk < 256) ? keys()[vk].scan : 0;
}

unsigned us_key_char(int vk) {
    return (vk >= 0 && vk < 256) ? static_cast<unsigned char>(keys()[vk].plain) : 0;
}

int16_t us_char_key(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) return -1;
    if (byte >= 'a' && byte <= 'z') return static_cast<int16_t>(byte - 32);
    if (byte >= 'A' && byte <= 'Z') return static_cast<int16_t>(0x100 | byte);
    // Control characters come from Ctrl with a key, except those with keys of their own.
    switch (byte) {
    case '\b':
        return 0x08;
    case '\t':
        return 0x09;
    case '\r':
        return 0x0d;
    case '\n':
        return 0x20d;
    case 0x1b:
        return 0x1b;
    case 0x1c:
        return 0x2dc;
    case 0x1d:
        return 0x2dd;
    case 0x1e:
        return 0x336;
    case 0x1f:
        return 0x3bd;
    case 0x7f:
        return 0x208;
    default:
        break;
    }
    if (byte >= 1 && byte <= 26) return static_cast<int16_t>(0x200 | ('A' + byte - 1));
    // Digits and symbols (the numeric keypad is never the answer).
    for (int vk = 0; vk < 0x60; ++vk) {
        if (static_cast<unsigned char>(keys()[vk].plain) == byte) return static_cast<int16_t>(vk);
        if (keys()[vk].shifted && static_cast<unsigned char>(keys()[vk].shifted) == byte)
            return static_cast<int16_t>(0x100 | vk);
    }
    for (int vk = 0xba; vk < 0xdf; ++vk) {
        if (keys()[vk].plain && static_cast<unsigned char>(keys()[vk].plain) == byte)
            return static_cast<int16_t>(vk);
        if (keys()[vk].shifted && static_cast<unsigned char>(keys()[vk].shifted) == byte)
            return static_cast<int16_t>(0x100 | vk);
    }
    return -1;
}
