// The notification-area icon that stands in for the hidden main window.
#include "app/shell.h"

#include "platform/win32/wide.h"

#include <shellapi.h>
#include <string>
#include <vector>

namespace {
bool icon_shown = false; // Explorer forgets the icon when it restarts
bool paused = false;
HICON grey_icon = nullptr;

NOTIFYICONDATAW icon_record(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE; // the record every shell version knows
    data.hWnd = window ? window : GetDesktopWindow();
    data.uID = app_icon_id;
    data.uFlags = NIF_MESSAGE | NIF_ICON;
    data.uCallbackMessage = tray_callback_message;
    return data;
}

// Light greys for the icon's pixels (of 32 bits, alpha kept).
void make_grey(std::vector<uint32_t>& pixels) {
    for (uint32_t& pixel : pixels) {
        const uint32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
        const uint32_t grey = (r * 30 + g * 59 + b * 11) / 100 / 2 + 96; // light grey
        pixel = (pixel & 0xFF000000u) | (grey << 16) | (grey << 8) | grey;
    }
}

// The icon drawn in greys, for while expansions are paused.
HICON make_grey_icon(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return nullptr;
    // The icon's bitmaps are copies made for us.
    const OwnedBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<std::size_t>(bitmap.bmWidth) *
                                 static_cast<std::size_t>(bitmap.bmHeight));
    const WindowDC screen(nullptr);
    const UINT rows = static_cast<UINT>(bitmap.bmHeight);
    if (pixels.empty() ||
        !GetDIBits(screen.get(), info.hbmColor, 0, rows, pixels.data(), &format, DIB_RGB_COLORS))
        return nullptr;
    make_grey(pixels);
    SetDIBits(screen.get(), info.hbmColor, 0, rows, pixels.data(), &format, DIB_RGB_COLORS);
    return CreateIconIndirect(&info);
}

// The icon and tooltip for now: greyed and "(paused)" while expansions are paused.
void fill_look(NOTIFYICONDATAW& data) {
    if (paused && !grey_icon) grey_icon = make_grey_icon(shell.small_icon);
    HICON icon = paused && grey_icon ? grey_icon : shell.small_icon;
    data.hIcon = icon ? icon : LoadIconW(nullptr, MAKEINTRESOURCEW(32516)); // IDI_ASTERISK
    data.uFlags |= NIF_TIP;
    const std::wstring tip = paused ? L"Quillomat (paused)" : L"Quillomat";
    tip.copy(data.szTip, sizeof data.szTip / sizeof data.szTip[0] - 1);
}
} // namespace

void tray_icon_add(HWND window) {
    icon_shown = true;
    NOTIFYICONDATAW data = icon_record(window);
    fill_look(data);
    Shell_NotifyIconW(NIM_ADD, &data);
}

void tray_icon_show_paused(HWND window, bool now_paused) {
    paused = now_paused;
    if (!icon_shown) return;
    NOTIFYICONDATAW data = icon_record(window);
    fill_look(data);
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void tray_note(const char* text) {
    // A balloon needs the icon; with the window shown, the status bar says it.
    if (!icon_shown || !text) return;
    NOTIFYICONDATAW data = icon_record(shell.main);
    data.uFlags = NIF_INFO;
    const std::wstring wide = widen(text);
    wide.copy(data.szInfo, sizeof data.szInfo / sizeof data.szInfo[0] - 1);
    std::wstring(L"Quillomat").copy(data.szInfoTitle, 9);
    data.dwInfoFlags = NIIF_WARNING;
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void on_taskbar_created(HWND window) {
    if (icon_shown) tray_icon_add(window);
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
    const OwnedMenu menu(CreatePopupMenu());
    if (!menu) return;
    AppendMenuW(menu.get(), MF_STRING, command::show_window, L"Show Quillomat");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING | (paused ? MF_CHECKED : MF_UNCHECKED),
                command::pause_expansions, L"Pause Expansions");
    AppendMenuW(menu.get(), MF_STRING, command::remove_clipboard_formatting,
                L"Remove Clipboard Formatting");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, command::exit_program, L"Exit Quillomat");
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(menu.get(), 0, at.x, at.y, 0, window, nullptr);
}
