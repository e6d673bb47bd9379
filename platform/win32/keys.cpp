// The keyboard's state and the keys the program types.
#include "platform/platform.h"

#include <windows.h>

bool key_is_down(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

bool caps_lock_on() {
    return (GetKeyState(VK_CAPITAL) & 1) != 0;
}

void clear_keyboard_state() {
    BYTE state[256] = {};
    SetKeyboardState(state);
}

void send_key_event(uint8_t vk, uint8_t scan_code, uint32_t flags) {
    DWORD win_flags = 0;
    if (flags & key_extended) win_flags |= KEYEVENTF_EXTENDEDKEY;
    if (flags & key_release) win_flags |= KEYEVENTF_KEYUP;
    keybd_event(vk, scan_code, win_flags, 0);
}

// The key calls below speak the code page on purpose: the engine's keys and
// characters are 8-bit code-page text.
unsigned key_scan_code(int vk) {
    return MapVirtualKeyA(static_cast<UINT>(vk), 0);
}
unsigned key_char(int vk) {
    return MapVirtualKeyA(static_cast<UINT>(vk), 2) & 0xFF;
}
int16_t char_key(char c) {
    return static_cast<int16_t>(VkKeyScanA(c));
}

void send_unicode_unit(uint16_t unit, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = unit;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (release ? KEYEVENTF_KEYUP : 0);
    SendInput(1, &input, sizeof input);
}
