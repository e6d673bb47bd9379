// The Windows shell tells the backend which controls show the editor text
// and the status bar. Until it does, those operations do nothing.
#pragma once

#include <windows.h>

void win32_set_main_windows(HWND main_window, HWND editor, HWND status_bar);
