// The Windows shell tells the backend which controls show the editor text
// and the status bar. Until it does, those operations do nothing.
#pragma once

#include <windows.h>

void win32_set_main_windows(HWND main_window, HWND editor, HWND status_bar);

// The custom list window is the shell's; it says here how to open one.
void win32_set_list_opener(void (*open_list)(const char* list_text));
