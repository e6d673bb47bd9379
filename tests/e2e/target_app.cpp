// A target application for the end-to-end tests: one edit control that logs
// every key message it gets, with a timestamp, to the file named on its
// command line. A Unicode window, so that it takes every character typed.
//
// QUILLOMAT_TARGET_PASTE stands in for windows that paste badly: "ignore"
// drops every paste, "delay:MS" is busy for MS milliseconds before it reads
// the clipboard.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {
WNDPROC edit_proc = nullptr;
FILE* key_log = nullptr;
HWND edit = nullptr;
bool paste_ignored = false;
DWORD paste_delay_ms = 0;

void read_paste_mode() {
    wchar_t mode[64] = {};
    GetEnvironmentVariableW(L"QUILLOMAT_TARGET_PASTE", mode, 63);
    paste_ignored = lstrcmpW(mode, L"ignore") == 0;
    if (wcsncmp(mode, L"delay:", 6) == 0) paste_delay_ms = static_cast<DWORD>(_wtoi(mode + 6));
}

const char* message_name(UINT message) {
    switch (message) {
    case WM_KEYDOWN:
        return "down";
    case WM_KEYUP:
        return "up";
    case WM_SYSKEYDOWN:
        return "sysdown";
    case WM_SYSKEYUP:
        return "sysup";
    case WM_CHAR:
        return "char";
    default:
        return nullptr;
    }
}

LRESULT CALLBACK logging_edit_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (const char* name = message_name(message)) {
        if (key_log) {
            // The time the input was generated; then when this window got
            // round to it, and whether Caps Lock was on for this window then.
            std::fprintf(key_log, "%lu %s %u %s %lu %d\n",
                         static_cast<unsigned long>(GetMessageTime()), name,
                         static_cast<unsigned>(wparam), (lparam & (1 << 24)) ? "ext" : "-",
                         static_cast<unsigned long>(GetTickCount()), GetKeyState(VK_CAPITAL) & 1);
            std::fflush(key_log);
        }
    }
    if (message == WM_PASTE) {
        if (paste_ignored) return 0;
        Sleep(paste_delay_ms); // busy, as a window that takes long to answer Ctrl+V
    }
    return CallWindowProcW(edit_proc, window, message, wparam, lparam);
}

LRESULT CALLBACK frame_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_SIZE:
        MoveWindow(edit, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(edit);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    if (command_line && *command_line) key_log = std::fopen(command_line, "a");
    read_paste_mode();
    WNDCLASSW wc{};
    wc.lpfnWndProc = frame_proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    // QUILLOMAT_TARGET_CLASS names the window class, to stand in for another kind of window.
    wchar_t class_name[128] = L"QuillomatTargetClass";
    GetEnvironmentVariableW(L"QUILLOMAT_TARGET_CLASS", class_name, 127);
    wc.lpszClassName = class_name;
    RegisterClassW(&wc);
    HWND frame =
        CreateWindowExW(0, wc.lpszClassName, L"Quillomat Target", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        150, 120, 500, 300, nullptr, nullptr, instance, nullptr);
    edit = CreateWindowExW(0, L"EDIT", L"",
                           WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0,
                           500, 300, frame, nullptr, instance, nullptr);
    edit_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(logging_edit_proc)));
    SetForegroundWindow(frame);
    SetFocus(edit);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (key_log) std::fclose(key_log);
    return 0;
}
