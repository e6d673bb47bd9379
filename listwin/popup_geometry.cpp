#include "listwin/popup_geometry.h"

#include "app/shell.h"

#include <cstdio>
#include <cstring>
#include <string_view>

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
    return true;
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
