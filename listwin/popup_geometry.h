// Where the small popup windows (the pick list, the search window) open:
// their last outer rectangle, kept in the settings as "left,top,width,height".
#pragma once

#include <windows.h>

// False when the setting is absent; `rect` then holds right = width and bottom = height.
bool read_popup_geometry(const char* key, RECT* rect);
void write_popup_geometry(const char* key, HWND window);
