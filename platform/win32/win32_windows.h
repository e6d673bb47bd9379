// The Windows shell tells the backend which controls show the editor text
// and the status bar. Until it does, those operations do nothing.
#pragma once

#include <windows.h>

void win32_set_main_windows(HWND main_window, HWND editor, HWND status_bar);

// The custom list window is the shell's; it says here how to open one.
void win32_set_list_opener(void (*open_list)(const char* list_text));
// The search window is the shell's too.
void win32_set_search_opener(bool (*open_search)());
// The shell shows and keeps the paused state (status bar, tray icon, settings).
void win32_set_pause_shower(void (*show)(bool paused));
// The shell's tray icon shows short notes as balloons.
void win32_set_note_shower(void (*show)(const char* text));

// Puts `window` (the one the user was typing into before a window of ours
// took the keyboard) in front again, and waits, half a second at the most,
// until its keyboard focus is back, so that keys typed or played next reach
// it. Nothing when it is gone.
void give_keyboard_back(HWND window);

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
