// Typing one character through the current keyboard layout, with the
// numeric-keypad Alt code as the fallback for characters the layout lacks.
#pragma once

#include <cstdint>

// One key event by the common rule: the layout's scan code, the extended flag
// for extended keys, and key_release for a release.
void send_key(uint8_t vk, bool release);
// Sends the press (modes 0 and 1) and then the release (modes 0 and 2) of a key token.
void play_key_token(uint8_t vk, int mode);

struct AltCode {
    int16_t code;
    int16_t character; // the text byte, sign-extended
};

// The Alt-code table, ended by a row whose code is 0.
extern const AltCode* const alt_codes;
constexpr int alt_code_count = 159;

// Types one byte of output text (never 0). A character the layout has no key
// for goes out as its Alt + keypad code, or, with `unicode_fallback` (the
// trigger file's "Quillomat_UNICODE", and text that came from elsewhere),
// as one Unicode key event pair. A character neither the layout nor the
// Alt-code table can type is dropped.
void type_char(char c, bool unicode_fallback);
// Types one Unicode character as Unicode key events (a surrogate pair above U+FFFF).
void type_code_point(uint32_t code_point);

// Caps Lock turns what the layout types into the other case (letters, and
// on some layouts digits and more), so text is typed with it off: this
// switches it off when it is on, and returns whether it did;
// caps_lock_back() then switches it on again, as the user had it.
bool caps_lock_off_for_typing();
void caps_lock_back(bool switched_off);
