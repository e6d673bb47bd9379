#include "keys/synthesis.h"

#include "keys/key_tokens.h"
#include "platform/platform.h"

#include <array>
#include <cstdio>

namespace {
constexpr uint8_t vk_shift = 0x10;
constexpr uint8_t vk_alt = 0x12;
constexpr uint8_t vk_caps_lock = 0x14;
constexpr uint8_t vk_numpad0 = 0x60;

constexpr std::array<AltCode, alt_code_count + 1> build_alt_codes() {
    std::array<AltCode, alt_code_count + 1> table{};
    int n = 0;
    auto add_range = [&](int from, int to) {
        for (int code = from; code <= to; ++code) {
            // These codes are not characters of the code page; a space stands
            // in, and a space is always typed by the layout, so they never apply.
            const bool blank = code == 141 || code == 143 || code == 144 || code == 157 ||
                               code == 160 || code == 168 || code == 173;
            const int byte = blank ? 32 : code;
            table[n].code = static_cast<int16_t>(code);
            table[n].character = static_cast<int16_t>(byte >= 128 ? byte - 256 : byte);
            ++n;
        }
    };
    add_range(33, 47);
    add_range(58, 64);
    add_range(91, 96);
    add_range(123, 126);
    add_range(128, 128);
    add_range(130, 255);
    table[n] = AltCode{0, 0};
    return table;
}

constexpr auto alt_code_table = build_alt_codes();
static_assert(alt_code_table[alt_code_count].code == 0 &&
                  alt_code_table[alt_code_count - 1].code == 255,
              "the Alt-code table has its rows and one terminator");

void type_direct(int16_t key) {
    const uint8_t vk = static_cast<uint8_t>(key & 0xFF);
    const uint8_t shift_state = static_cast<uint8_t>((key >> 8) & 0xFF);
    // Shift is the only modifier ever pressed here, whatever the shift state asks.
    if (shift_state != 0) send_key(vk_shift, false);
    send_key(vk, false);
    send_key(vk, true);
    if (shift_state != 0) send_key(vk_shift, true);
}

void type_alt_code(char c) {
    const int16_t wanted = static_cast<int16_t>(static_cast<signed char>(c));
    const AltCode* row = alt_code_table.data();
    while (row->code != 0 && row->character != wanted)
        ++row;
    if (row->code == 0) return;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04d", row->code);
    // The leading zero makes the receiver read the number in the ANSI code page.
    send_key_event(vk_alt, 0, 0);
    for (int i = 0; i < 4; ++i) {
        const uint8_t vk = static_cast<uint8_t>(vk_numpad0 + (digits[i] - '0'));
        send_key(vk, false);
        send_key(vk, true);
    }
    send_key_event(vk_alt, 0, key_release);
}
} // namespace

const AltCode* const alt_codes = alt_code_table.data();

void send_key(uint8_t vk, bool release) {
    uint32_t flags = is_extended_key(vk) ? key_extended : 0;
    if (release) flags |= key_release;
    send_key_event(vk, static_cast<uint8_t>(key_scan_code(vk)), flags);
}

void play_key_token(uint8_t vk, int mode) {
    if (mode == press_and_release || mode == press_only) send_key(vk, false);
    if (mode == press_and_release || mode == release_only) send_key(vk, true);
}

void type_code_point(uint32_t code_point) {
    if (code_point > 0xFFFF) { // a surrogate pair, each half pressed and released
        const uint32_t v = code_point - 0x10000;
        type_code_point(0xD800 + (v >> 10));
        type_code_point(0xDC00 + (v & 0x3FF));
        return;
    }
    send_unicode_unit(static_cast<uint16_t>(code_point), false);
    send_unicode_unit(static_cast<uint16_t>(code_point), true);
}

void type_char(char c, bool unicode_fallback) {
    if (c == '\0') return;
    const int16_t key = char_key(c);
    const uint8_t low = static_cast<uint8_t>(key & 0xFF);
    const uint8_t high = static_cast<uint8_t>((key >> 8) & 0xFF);
    const bool alt_path =
        static_cast<signed char>(c) < 0 || low == 0xFF || high == 0xFF || high == 6;
    const uint32_t code_point =
        alt_path && unicode_fallback ? code_point_of_ansi(static_cast<uint8_t>(c)) : 0;
    if (code_point != 0)
        type_code_point(code_point);
    else if (alt_path)
        type_alt_code(c);
    else
        type_direct(key);
}

// Switching the lock itself, rather than inverting Shift for the letters,
// holds on every layout (where Caps Lock also shifts the digit row, or where
// a press of Shift releases it) and under Wine alike.
bool caps_lock_off_for_typing() {
    if (!caps_lock_on()) return false;
    play_key_token(vk_caps_lock, press_and_release);
    return true;
}

void caps_lock_back(bool switched_off) {
    if (switched_off) play_key_token(vk_caps_lock, press_and_release);
}
