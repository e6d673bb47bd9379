// The notification-area icon that stands in for the hidden main window.
#include "app/shell.h"

#include "platform/win32/wide.h"

#include <shellapi.h>
#include <string>

namespace {
// What the icon shows while it is there: Explorer forgets it when it restarts.
bool icon_shown = false;
HICON shown_icon = nullptr;
std::string shown_tip;

NOTIFYICONDATAW icon_record(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE; // the record every shell version knows
    data.hWnd = window ? window : GetDesktopWindow();
    data.uID = app_icon_id;
    data.uFlags = NIF_MESSAGE | NIF_ICON;
    data.uCallbackMessage = tray_callback_message;
    return data;
}
} // namespace

void tray_icon_add(HWND window, HICON icon, const char* tip) {
    icon_shown = true;
    shown_icon = icon;
    shown_tip = tip ? tip : "";
    NOTIFYICONDATAW data = icon_record(window);
    data.hIcon = icon ? icon : LoadIconW(nullptr, MAKEINTRESOURCEW(32516)); // IDI_ASTERISK
    if (tip && *tip) {
        data.uFlags |= NIF_TIP;
        const std::wstring wide = widen(tip);
        wide.copy(data.szTip, sizeof data.szTip / sizeof data.szTip[0] - 1);
    }
    Shell_NotifyIconW(NIM_ADD, &data);
}

void on_taskbar_created(HWND window) {
    if (icon_shown) tray_icon_add(window, shown_icon, shown_tip.c_str());
}

void tray_icon_remove(HWND window) {
    icon_shown = false;
    NOTIFYICONDATAW data = icon_record(window);
    Shell_NotifyIconW(NIM_DELETE, &data);
}

void on_tray_callback(HWND window, LPARAM mouse_message) {
    if (mouse_message == WM_LBUTTONDBLCLK) {
        SendMessageW(window, WM_COMMAND, command::show_window, 0);
        return;
    }
    if (mouse_message != WM_LBUTTONDOWN && mouse_message != WM_RBUTTONDOWN) return;
    SetForegroundWindow(window);
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuW(menu, MF_STRING, command::show_window, L"Show Quillomat");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, command::remove_clipboard_formatting,
                L"Remove Clipboard Formatting");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, command::exit_program, L"Exit Quillomat");
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(menu, 0, at.x, at.y, 0, window, nullptr);
    DestroyMenu(menu);
}
