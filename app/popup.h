// What the small popup windows (the pick list, the search window) share:
// their window class, and where they open: their last outer rectangle, kept
// in the settings as "left,top,width,height".
#pragma once

#include <windows.h>

// Registers a popup class (arrow cursor, button-face background) once;
// true when it is registered.
bool register_popup_class(const wchar_t* name, WNDPROC procedure);

// False when the setting is absent, or names a place on no monitor there is
// now; `rect` holds right = width and bottom = height.
bool read_popup_geometry(const char* key, RECT* rect);
// Whether a window at `rect` (right = width, bottom = height) shows its title bar on a monitor.
bool on_a_monitor(const RECT& rect);
void write_popup_geometry(const char* key, HWND window);
