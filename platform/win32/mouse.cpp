// The pointer: where it is, moving it and clicking.
#include "platform/platform.h"

#include <windows.h>

ScreenPoint cursor_position() {
    POINT point{0, 0};
    GetCursorPos(&point);
    return ScreenPoint{point.x, point.y};
}
void set_cursor_position(int32_t x, int32_t y) {
    SetCursorPos(x, y);
}
void show_cursor() {
    ShowCursor(TRUE);
}
void send_mouse_event(uint32_t flags, int32_t dx, int32_t dy) {
    mouse_event(flags, static_cast<DWORD>(dx), static_cast<DWORD>(dy), 0, 0);
}
uint32_t double_click_time() {
    return GetDoubleClickTime();
}
ScreenPoint screen_size() {
    return ScreenPoint{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}
