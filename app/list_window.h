// The custom list: a small always-on-top window that shows the items of a
// "LIST: " command as numbered rows and activates or starts the one picked.
#pragma once

#include <windows.h>

// Opens a list window for `list_text` (items separated by ";"), owned by `owner`.
void open_custom_list(HWND owner, const char* list_text);
// Releases the list text; the main window calls this when it is destroyed.
void release_list_text();
