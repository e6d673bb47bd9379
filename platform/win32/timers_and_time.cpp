// The main window's timers, the clocks and the environment.
#include "platform/platform.h"
#include "platform/win32/backend.h"

void set_timer(TimerId id, uint32_t period_ms) {
    if (const HWND main_window = win32_main_window())
        SetTimer(main_window, static_cast<UINT_PTR>(id), period_ms, nullptr);
}
void kill_timer(TimerId id) {
    if (const HWND main_window = win32_main_window())
        KillTimer(main_window, static_cast<UINT_PTR>(id));
}
uint32_t tick_count() {
    return GetTickCount();
}

LocalTime local_time() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::size_t expand_environment(const char* text, char* out, std::size_t capacity) {
    const DWORD room = capacity > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(capacity);
    // The ANSI call on purpose: this is an output's 8-bit text, typed as keys.
    return ExpandEnvironmentStringsA(text, out, room);
}
