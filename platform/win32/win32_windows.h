// What the Windows shell tells the backend, and asks of it.
#pragma once

#include <windows.h>

#include <cstdint>

// The main window: it owns the timers, the raw input registration, the
// clipboard while a paste is out, and the message boxes. Until the shell
// sets it those do nothing.
void win32_set_main_window(HWND window);

// Puts `window` (the one the user was typing into before a window of ours
// took the keyboard) in front again, and waits, half a second at the most,
// until its keyboard focus is back, so that keys typed or played next reach
// it. Nothing when it is gone.
void give_keyboard_back(HWND window);
// The modifiers went up while our window had the keyboard, so the thread of
// the window in front before may still count them as held, and would read
// an output's letters as Ctrl or Alt combinations. Its key state is set to
// what the keyboard really holds.
void forget_stale_modifiers(DWORD thread);
// Gives `control` (a child of `window`) the keyboard focus back, once
// `window` is in front again: activation puts the focus where that
// program's own code decides, which for a plain window is the window
// itself, not the edit control the user was typing in. Nothing happens when
// the control is gone or has the focus already.
void restore_focus(HWND window, HWND control);

// The events one WM_INPUT message reports: keys and mouse buttons (vk 1 to
// 254) going down or up; other input (a mouse move, the wheel) as vk 0.
// Returns how many were written to `events` (at most 6), 0 when the message
// cannot be read.
struct Win32InputEvent {
    int vk;
    bool down;
    uint16_t unit = 0; // of a Unicode key event (vk_packet)
};
int win32_read_input(LPARAM lparam, Win32InputEvent events[6]);

// The main window was asked for the clipboard's pasted text (WM_RENDERFORMAT),
// or for every format before it goes (`all`, WM_RENDERALLFORMATS).
void win32_render_clipboard(bool all);
