// What the files of the Win32 backend share among themselves.
#pragma once

#include "platform/platform.h"

#include <string>
#include <string_view>
#include <windows.h>

// The main window the shell gave (win32_set_main_window), or null.
HWND win32_main_window();

inline HWND hwnd_of(WindowId window) {
    return reinterpret_cast<HWND>(window);
}
inline WindowId id_of(HWND window) {
    return reinterpret_cast<WindowId>(window);
}

// A path as the user knows it, without the long-path prefix, in UTF-8.
std::string shown_path(const std::wstring& path);

// Writes all of `data` at the file's current position.
bool write_all(HANDLE file, std::string_view data);

// Whether the process runs with higher rights than this one: an elevated
// program, whose token a program of ordinary rights may not even read.
bool runs_with_more_rights(HANDLE process);
