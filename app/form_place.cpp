// Where the form opens: the monitor of the caret (or of the window the user
// was typing in), at that monitor's DPI, fully on its work area.
#include "app/form_window.h"

#include "app/shell.h"

#include <algorithm>

bool find_caret(HWND window, RECT* caret) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!window || !GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return false;
    HWND owner = info.hwndCaret;
    if (!owner || (owner != window && !IsChild(window, owner))) return false;
    RECT rect = info.rcCaret;
    if (rect.bottom <= rect.top) return false;
    MapWindowPoints(owner, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    *caret = rect;
    return true;
}

HWND focused_control(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!window || !GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    HWND focus = info.hwndFocus;
    return focus && (focus == window || IsChild(window, focus)) ? focus : nullptr;
}

HMONITOR form_monitor(HWND target, const RECT* caret) {
    if (caret) return MonitorFromRect(caret, MONITOR_DEFAULTTONEAREST);
    if (target) return MonitorFromWindow(target, MONITOR_DEFAULTTONEAREST);
    POINT pointer{};
    GetCursorPos(&pointer);
    return MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY);
}

RECT monitor_work_area(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) return info.rcWork;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

int monitor_dpi(HMONITOR monitor) {
    // Per monitor from Windows 8.1 on; the system's before.
    using ForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto for_monitor = [] {
        HMODULE shcore = LoadLibraryW(L"shcore.dll");
        return shcore ? reinterpret_cast<ForMonitor>(
                            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    constexpr int effective_dpi = 0;
    UINT x = 0, y = 0;
    if (for_monitor && for_monitor(monitor, effective_dpi, &x, &y) == S_OK && y > 0)
        return static_cast<int>(y);
    return window_dpi(nullptr);
}

POINT form_position(SIZE size, const RECT& work, const RECT* caret, const RECT& target, int gap) {
    POINT at;
    if (caret) {
        at.x = caret->left;
        at.y = caret->bottom + gap;
        if (at.y + size.cy > work.bottom) at.y = caret->top - gap - size.cy;
    } else {
        at.x = (target.left + target.right) / 2 - size.cx / 2;
        at.y = (target.top + target.bottom) / 2 - size.cy / 2;
    }
    at.x = std::max(std::min(at.x, work.right - size.cx), work.left);
    at.y = std::max(std::min(at.y, work.bottom - size.cy), work.top);
    return at;
}
