#include "app/list_window.h"
#include "app/popup.h"

#include "app/shell.h"
#include "common/memory.h"
#include "engine/engine.h"
#include "keys/launch.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_windows.h"
#include "triggers/encoding.h"
#include "triggers/output_script.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
const wchar_t* const list_class_name = L"Quillomat_List_Class";
constexpr UINT raise_delay_ms = 250;
constexpr int first_pick = 0x8000;
constexpr int last_pick = 0x8020;

// One list text for every open list window: a later "LIST: " replaces it,
// and the trigger that showed it, for the message of a pick that fails.
HeapText list_text;
std::string list_trigger;
int row_height = 16;

OwnedFont list_font; // at the list's DPI

int measure_row_height() {
    const WindowDC screen(nullptr);
    const SelectedObject font(screen.get(), list_font.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen.get(), &metrics);
    POINT size{0, metrics.tmHeight};
    LPtoDP(screen.get(), &size, 1);
    return size.y + 2;
}

void paint(HWND window) {
    const PaintDC painting(window);
    const HDC dc = painting.get();
    RECT rect;
    GetClientRect(window, &rect);
    rect.left = 5;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 255));
    if (!list_font) list_font.reset(make_ui_font(window_dpi(window)));
    const SelectedObject font(dc, list_font.get());
    row_height = measure_row_height();
    const char* p = list_text ? list_text.get() : "";
    int row = 0;
    while (*p) {
        while (*p == ' ')
            ++p;
        char item[256];
        std::size_t n = 0;
        while (*p && *p != ';') {
            if (n < 255) item[n++] = *p;
            ++p;
        }
        item[n] = '\0';
        if (*p == ';') ++p;
        char line[270];
        if (rect.top < 9 * row_height)
            std::snprintf(line, sizeof line, "%d - %s", row + 1, item);
        else
            copy_bounded(line, sizeof line, item);
        // The list is an output's 8-bit text: shown as the characters it types.
        DrawTextW(dc, widen(engine_text_to_utf8(line)).c_str(), -1, &rect, DT_SINGLELINE);
        rect.top += row_height;
        ++row;
    }
}

// The item'th piece of the list text, trimmed of blanks and tabs.
void item_of(int item, char* out, std::size_t capacity) {
    const char* p = list_text ? list_text.get() : "";
    for (int k = 0; k < item && p; ++k) {
        p = std::strchr(p, ';');
        if (p) ++p;
    }
    out[0] = '\0';
    if (!p) return;
    std::size_t n = std::strcspn(p, ";");
    copy_bounded(out, capacity < 255 ? capacity : 255, std::string_view(p, n));
    char* start = out;
    while (*start == ' ' || *start == '\t')
        ++start;
    std::size_t length = std::strlen(start);
    while (length > 0 && (start[length - 1] == ' ' || start[length - 1] == '\t'))
        --length;
    std::memmove(out, start, length);
    out[length] = '\0';
}

// The window in front when the list opened, kept with the list.
HWND window_before(HWND list) {
    return reinterpret_cast<HWND>(GetWindowLongPtrW(list, GWLP_USERDATA));
}

// Closes the list. A list that has the keyboard gives it back first to the
// window that was in front before it: destroyed while active, it would
// hand it to its owner, the main window, whose editor would then take the
// user's next keys.
void close_list(HWND window) {
    if (GetForegroundWindow() == window) give_keyboard_back(window_before(window));
    DestroyWindow(window);
}

// A pick that cannot start says so, as RUN: does, once the list is gone.
void warn_unable_to_run(const std::string& item) {
    const std::string text =
        "Unable to run program\n\nTrigger: " + list_trigger + "\nList item: " + item;
    show_message(text.c_str(), "Quillomat", message_playback_warning);
}

void pick(HWND window, int item) {
    char chosen[256];
    item_of(item, chosen, sizeof chosen);
    if (!chosen[0]) return close_list(window);
    const std::string name = engine_text_to_utf8(chosen);
    if (const WindowId found = find_window_by_title(name.c_str())) {
        activate_window(found);
        DestroyWindow(window); // the chosen window has the keyboard
        return;
    }
    enter_command_directory(name.c_str());
    const bool started = launch_command(name.c_str());
    // Until the program shows a window, keys go where they went before the list.
    close_list(window);
    if (!started) warn_unable_to_run(name);
}

LRESULT CALLBACK list_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 1;
    case WM_MOUSEMOVE:
        SetCursor(shell.hand_cursor);
        break;
    case WM_LBUTTONDOWN:
        SendMessageW(window, WM_COMMAND,
                     static_cast<WPARAM>(first_pick + HIWORD(lparam) / row_height), 0);
        break;
    case WM_KEYDOWN:
        if (wparam >= '1' && wparam <= '9')
            SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(first_pick + (wparam - '1')), 0);
        else
            close_list(window);
        break;
    case WM_CLOSE: // the caption's close box
        close_list(window);
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wparam);
        if (id >= first_pick && id <= last_pick) pick(window, id - first_pick);
        break;
    }
    case WM_TIMER:
        if (wparam == popup_raise_timer) {
            KillTimer(window, popup_raise_timer);
            activate_window(reinterpret_cast<WindowId>(window));
            SetFocus(window);
        }
        break;
    case WM_DPICHANGED: {
        const RECT* at = reinterpret_cast<const RECT*>(lparam);
        SetWindowPos(window, nullptr, at->left, at->top, at->right - at->left, at->bottom - at->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        list_font.reset(); // made again for the new DPI when painted
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case WM_DESTROY:
        write_popup_geometry("window_list", window);
        list_font.reset();
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// The last place of the list, or the top-right corner.
RECT list_geometry() {
    RECT at;
    if (!read_popup_geometry("window_list", &at))
        at = RECT{GetSystemMetrics(SM_CXSCREEN) - scaled(nullptr, 310), scaled(nullptr, 10),
                  scaled(nullptr, 300), scaled(nullptr, 200)};
    return at;
}
} // namespace

void open_custom_list(HWND owner, const char* text) {
    HeapText fresh = alloc_text(max_list_chars + 1);
    if (!fresh) return;
    copy_bounded(fresh.get(), max_list_chars + 1, text); // already cut at CR, LF and "{"
    list_text = std::move(fresh);
    list_trigger = engine.player.trigger;
    // The output plays on into the window in front; the list takes the
    // keyboard from it a moment later, and gives it back when it closes.
    HWND before = GetForegroundWindow();
    register_popup_class(list_class_name, list_window_proc);
    const RECT at = list_geometry();
    // Shown without taking the focus: the rest of the output plays on into the
    // window in front, and the list takes the focus 250 ms later. (Some
    // desktops let a new visible window take the focus at once, which would
    // send the output's next keys to the list and close it.)
    HWND window =
        CreateWindowExW(WS_EX_TOPMOST, list_class_name, L"Custom List",
                        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, at.left, at.top,
                        at.right, at.bottom, owner, nullptr, shell.instance, nullptr);
    if (!window) return;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(before));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    SetTimer(window, popup_raise_timer, raise_delay_ms, nullptr);
}

void release_list_text() {
    list_text.reset();
}
