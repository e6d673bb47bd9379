// Starting programs through the shell, and the program's message boxes.
#include "platform/platform.h"
#include "platform/win32/backend.h"
#include "platform/win32/win32_windows.h"
#include "platform/win32/wide.h"

#include <shellapi.h>

bool shell_launch(const char* program, const char* arguments) {
    const std::wstring wide_program = widen(program ? program : "");
    const std::wstring wide_arguments = widen(arguments ? arguments : "");
    const HINSTANCE result =
        ShellExecuteW(nullptr, nullptr, wide_program.c_str(),
                      arguments ? wide_arguments.c_str() : nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void set_current_directory(const char* path) {
    SetCurrentDirectoryW(widen(path ? path : "").c_str());
}

void show_message(const char* text, const char* caption, uint32_t style) {
    const HWND main_window = win32_main_window();
    const HWND had_keyboard = GetForegroundWindow();
    MessageBoxW(main_window, widen(text ? text : "").c_str(),
                caption ? widen(caption).c_str() : nullptr, style);
    // Closing the box activates its owner, the main window (hidden, often):
    // the keyboard goes back to the window the user was typing into.
    if (had_keyboard != main_window) give_keyboard_back(had_keyboard);
}
