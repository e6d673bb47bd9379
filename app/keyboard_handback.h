// Handing the keyboard back to another program's window after one of
// Quillomat's own windows (the search window, a form) had it.
#pragma once

#include <windows.h>

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
