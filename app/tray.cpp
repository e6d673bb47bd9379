// The notification-area icon that stands in for the hidden main window.
#include "app/shell.h"

#include <shellapi.h>

namespace {
NOTIFYICONDATAA icon_record(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE; // the 488-byte record every shell version knows
    data.hWnd = window ? window : GetDesktopWindow();
    data.uID = app_icon_id;
    data.uFlags = NIF_MESSAGE | NIF_ICON;
    data.uCallbackMessage = tray_callback_message;
    return data;
}
} // namespace

void tray_icon_add(HWND window, HICON icon, const char* tip) {
    NOTIFYICONDATAA data = icon_record(window);
    data.hIcon = icon ? icon : LoadIconA(nullptr, MAKEINTRESOURCEA(32516)); // IDI_ASTERISK
    if (tip && *tip) {
        data.uFlags |= NIF_TIP;
        copy_bounded(data.szTip, sizeof data.szTip, tip);
    }
    Shell_NotifyIconA(NIM_ADD, &data);
}

void tray_icon_remove(HWND window) {
    NOTIFYICONDATAA data = icon_record(window);
    Shell_NotifyIconA(NIM_DELETE, &data);
}

void on_tray_callback(HWND window, LPARAM mouse_message) {
    if (mouse_message == WM_LBUTTONDBLCLK) {
        SendMessageA(window, WM_COMMAND, command::show_window, 0);
        return;
    }
    if (mouse_message != WM_LBUTTONDOWN && mouse_message != WM_RBUTTONDOWN) return;
    SetForegroundWindow(window);
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuA(menu, MF_STRING, command::show_window, "Show Quillomat");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, command::remove_clipboard_formatting,
                "Remove Clipboard Formatting");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, command::exit_program, "Exit Quillomat");
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(menu, 0, at.x, at.y, 0, window, nullptr);
    DestroyMenu(menu);
}
