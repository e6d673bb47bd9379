#include "app/popup.h"

#include "app/shell.h"

#include <cstdio>
#include <cstring>
#include <string_view>

bool register_popup_class(const wchar_t* name, WNDPROC procedure) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(shell.instance, name, &wc)) return true;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = shell.instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

bool read_popup_geometry(const char* key, RECT* rect) {
    char value[256] = {};
    setting_text(key, value, 255);
    if (!value[0]) return false;
    int fields[4] = {};
    const char* p = value;
    for (int k = 0; k < 4 && p; ++k) {
        char field[32];
        copy_bounded(field, sizeof field, std::string_view(p, std::strcspn(p, ",")));
        fields[k] = parse_decimal(field);
        p = std::strchr(p, ',');
        if (p) ++p;
    }
    *rect = RECT{fields[0], fields[1], fields[2], fields[3]};
    return on_a_monitor(*rect);
}

bool on_a_monitor(const RECT& rect) {
    // The middle of the title bar must be on a monitor that exists now, or
    // the window could not be seen, nor moved, while it has the keyboard.
    const POINT title{rect.left + rect.right / 2, rect.top + 10};
    return MonitorFromPoint(title, MONITOR_DEFAULTTONULL) != nullptr;
}

void write_popup_geometry(const char* key, HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    char value[64];
    std::snprintf(value, sizeof value, "%ld,%ld,%ld,%ld", static_cast<long>(rect.left),
                  static_cast<long>(rect.top), static_cast<long>(rect.right - rect.left),
                  static_cast<long>(rect.bottom - rect.top));
    write_setting(key, value);
}
