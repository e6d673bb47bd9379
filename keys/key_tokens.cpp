#include "keys/key_tokens.h"

#include "common/text.h"

#include <cstring>

const KeyToken key_tokens[] = {
    {"{Control}", 0x11},
    {"{CtrlDown}", 0x11},
    {"{ControlDown}", 0x11},
    {"{CtrlUp}", 0x11},
    {"{ControlUp}", 0x11},
    {"{Shift}", 0x10},
    {"{ShiftDown}", 0x10},
    {"{ShiftUp}", 0x10},
    {"{Alt}", 0x12},
    {"{AltDown}", 0x12},
    {"{AltUp}", 0x12},
    {"{Enter}", 0x0D},
    {"{Return}", 0x0D},
    {"{Newline}", 0x0D},
    {"{Space}", 0x20},
    {"{Tab}", 0x09},
    {"{Left}", 0x25},
    {"{Right}", 0x27},
    {"{Up}", 0x26},
    {"{Down}", 0x28},
    {"{PageUp}", 0x21},
    {"{PgUp}", 0x21},
    {"{PageDown}", 0x22},
    {"{PgDn}", 0x22},
    {"{Home}", 0x24},
    {"{End}", 0x23},
    {"{Escape}", 0x1B},
    {"{Insert}", 0x2D},
    {"{Delete}", 0x2E},
    {"{Backspace}", 0x08},
    {"{CapsLock}", 0x14},
    {"{PrintScreen}", 0x2C},
    {"{ScrollLock}", 0x91},
    {"{Pause}", 0x13},
    {"{WinKey}", 0x5B},
    {"{WinKeyDown}", 0x5B},
    {"{WinKeyUp}", 0x5B},
    {"{LeftWinkey}", 0x5B},
    {"{RightWinkey}", 0x5C},
    {"{AppKey}", 0x5D},
    {"{F1}", 0x70},
    {"{F2}", 0x71},
    {"{F3}", 0x72},
    {"{F4}", 0x73},
    {"{F5}", 0x74},
    {"{F6}", 0x75},
    {"{F7}", 0x76},
    {"{F8}", 0x77},
    {"{F9}", 0x78},
    {"{F10}", 0x79},
    {"{F11}", 0x7A},
    {"{F12}", 0x7B},
    {"{F13}", 0x7C},
    {"{F14}", 0x7D},
    {"{F15}", 0x7E},
    {"{F16}", 0x7F},
    {"{NumLock}", 0x90},
    {"{Num0}", 0x60},
    {"{Num1}", 0x61},
    {"{Num2}", 0x62},
    {"{Num3}", 0x63},
    {"{Num4}", 0x64},
    {"{Num5}", 0x65},
    {"{Num6}", 0x66},
    {"{Num7}", 0x67},
    {"{Num8}", 0x68},
    {"{Num9}", 0x69},
    {"{Num*}", 0x6A},
    {"{Num+}", 0x6B},
    {"{Num-}", 0x6D},
    {"{Num.}", 0x6E},
    {"{Num/}", 0x6F},
    {"{VolumeUp}", 0xAF},
    {"{VolumeDown}", 0xAE},
    {"{VolumeMute}", 0xAD},
    {"{NextTrack}", 0xB0},
    {"{PreviousTrack}", 0xB1},
    {"{MediaStop}", 0xB2},
    {"{MediaPause}", 0xB3},
    {"{BrowserBack}", 0xA6},
    {"{BrowserForward}", 0xA7},
    {"{BrowserRefresh}", 0xA8},
    {"{BrowserStop}", 0xA9},
    {"{BrowserSearch}", 0xAA},
    {"{BrowserFavorites}", 0xAB},
    {"{BrowserHome}", 0xAC},
    {"{LaunchEmail}", 0xB4},
    {"{SleepMode}", 0x5F},
    {"{App1}", 0xB6},
    {"{App2}", 0xB7},
    {"{xbutton1}", 0x05},
    {"{xbutton2}", 0x06},
    {"{mouse_middle}", 0x04},
    {"", 0},
};

static_assert(sizeof key_tokens / sizeof key_tokens[0] == key_token_count + 1,
              "the token table has its rows and one terminator");

bool is_extended_key(uint8_t vk) {
    return (vk >= 0x21 && vk <= 0x2E) || vk == 0x11 || vk == 0x5B || vk == 0x5C || vk == 0x5D;
}

uint8_t parse_key_token(const char* text, uint32_t* length, int* mode) {
    if (length) *length = 0;
    if (mode) *mode = press_and_release;
    if (!text || text[0] != '{') return 0;
    for (const KeyToken* row = key_tokens; !row->name.empty(); ++row) {
        if (!starts_with_nocase(text, row->name)) continue;
        if (mode && (row->vk == 0x10 || row->vk == 0x11 || row->vk == 0x12))
            *mode = row->name.find("Down") != std::string_view::npos ? press_only : release_only;
        if (length) *length = static_cast<uint32_t>(row->name.size());
        return row->vk;
    }
    return 0;
}
