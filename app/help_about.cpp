// The Help menu: the help reference in the text editor, the About box with
// its link to the support page, and the support page itself.
#include "app/shell.h"

#include "common/memory.h"
#include "common/packed_text.h"
#include "keys/launch.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "version.h"

#include <shellapi.h>
#include <string>

const wchar_t* const support_page = L"https://quillomat.example/";

namespace {
const wchar_t* const support_label = L"quillomat.example";
constexpr int help_text_resource = 8001;
constexpr int link_control_id = 0x800F;
constexpr UINT playback_style = MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND | MB_TOPMOST;

const wchar_t* const about_text = L"\n\n\nQuillomat " QUILLOMAT_VERSION L"\n"
                                  L"Text expander and hotkey macro player\n\n"
                                  L"Copyright (c) 2026 The Quillomat authors.\n"
                                  L"MIT license: free to use, copy, change and share.\n\n"
                                  L"This program is provided as is, without warranty of any kind.";

LRESULT CALLBACK link_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_MOUSEMOVE:
        SetCursor(shell.hand_cursor);
        break;
    case WM_LBUTTONDOWN:
        ShellExecuteW(nullptr, nullptr, support_page, nullptr, nullptr, SW_SHOWNORMAL);
        break;
    case WM_PAINT: {
        const PaintDC dc(window);
        RECT rect;
        GetClientRect(window, &rect);
        SetBkMode(dc.get(), TRANSPARENT);
        SetTextColor(dc.get(), RGB(0, 0, 255));
        const SelectedObject font(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 255);
        UINT flags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
        if (GetWindowLongW(window, GWL_STYLE) & SS_CENTER) flags |= DT_CENTER;
        DrawTextW(dc.get(), text, -1, &rect, flags);
        return 1;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// The temporary folder, with its separator at the end; empty when there is none.
std::string temporary_folder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return {};
    std::string path = narrow(folder);
    if (path.back() != '\\') path += '\\';
    return path;
}

// Writes the help file whole into the temporary folder and returns its path;
// "" when no copy could be written. A copy from before that another program
// holds open cannot be written over, and the editor must not show it: the
// text then goes under the next name that can be written.
std::string write_help_file(std::string_view text) {
    const std::string folder = temporary_folder();
    if (folder.empty()) return {};
    for (int copy = 1; copy <= 9; ++copy) {
        const std::string number = copy > 1 ? " (" + std::to_string(copy) + ")" : "";
        const std::string path = folder + "Quillomat README" + number + ".txt";
        if (replace_file(path.c_str(), text)) return path;
    }
    return {};
}
} // namespace

void show_help_reference(HWND window) {
    const std::string_view packed = builtin_text(help_text_resource);
    if (packed.empty()) {
        MessageBoxW(window, L"Unable to show help: the help text is missing from the program.",
                    L"Quillomat", playback_style);
        return;
    }
    int32_t length = static_cast<int32_t>(packed.size());
    HeapText text(unpack_text(packed.data(), &length));
    const std::string path = write_help_file(text ? text.get() : "");
    if (path.empty()) {
        const std::string message = "Unable to show help: it could not be written to the "
                                    "temporary folder:\n\n" +
                                    temporary_folder();
        MessageBoxW(window, widen(message).c_str(), L"Quillomat", playback_style);
        return;
    }
    const std::string command = "notepad.exe " + path;
    if (!launch_command(command.c_str()))
        MessageBoxW(window, widen("Unable to run program:\n\n" + command).c_str(), L"Quillomat",
                    playback_style);
}

void show_about(HWND window) {
    set_timer(about_link_timer, 10);
    MSGBOXPARAMSW box{};
    box.cbSize = sizeof box;
    box.hwndOwner = window;
    box.hInstance = shell.instance;
    box.lpszText = about_text;
    box.lpszCaption = L"About Quillomat";
    box.dwStyle = MB_OK | MB_USERICON | MB_TASKMODAL | MB_SETFOREGROUND | MB_TOPMOST;
    box.lpszIcon = MAKEINTRESOURCEW(app_icon_id);
    MessageBoxIndirectW(&box);
    kill_timer(about_link_timer);
}

// Adds the link to the About box once it is on screen.
void on_about_link_timer() {
    HWND box = FindWindowExW(nullptr, nullptr, nullptr, L"About Quillomat");
    if (!box) return;
    kill_timer(about_link_timer);
    RECT client;
    GetClientRect(box, &client);
    const int y = LOBYTE(LOWORD(GetVersion())) < 6 ? 15 : 30;
    HWND link = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", support_label,
                                WS_CHILD | WS_VISIBLE | SS_CENTER, 75, y, client.right - 150, 20,
                                box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(link_control_id)),
                                shell.instance, nullptr);
    if (!link) return;
    SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);
    SetWindowLongPtrW(link, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(link_proc));
    ShowWindow(link, SW_SHOW);
    UpdateWindow(link);
    InvalidateRect(box, nullptr, TRUE);
    InvalidateRect(link, nullptr, TRUE);
}

void open_support_page() {
    ShellExecuteW(nullptr, nullptr, support_page, nullptr, nullptr, SW_SHOWNORMAL);
}
