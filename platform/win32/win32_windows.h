// What the Windows shell tells the backend, and asks of it.
#pragma once

#include <windows.h>

// The main window: it owns the timers, the raw input registration, the
// clipboard while a paste is out, and the message boxes. Until the shell
// sets it those do nothing.
void win32_set_main_window(HWND window);

// The events one WM_INPUT message reports: keys and mouse buttons (vk 1 to
// 254) going down or up; other input (a mouse move, the wheel) as vk 0.
// Returns how many were written to `events` (at most 6), 0 when the message
// cannot be read.
struct Win32InputEvent {
    int vk;
    bool down;
};
int win32_read_input(LPARAM lparam, Win32InputEvent events[6]);

// The main window was asked for the clipboard's pasted text (WM_RENDERFORMAT),
// or for every format before it goes (`all`, WM_RENDERALLFORMATS).
void win32_render_clipboard(bool all);
