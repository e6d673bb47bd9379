#include "app/search_window.h"
#include "app/popup.h"

#include "app/shell.h"
#include "engine/engine.h"
#include "engine/search.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_windows.h"
#include "triggers/encoding.h"

#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
const wchar_t* const search_class_name = L"Quillomat_Search_Class";
constexpr UINT raise_delay_ms = 50;
constexpr int query_id = 101, results_id = 102;
constexpr int margin = 4, query_height = 22; // at 96 DPI

// The open window and what it shows; one at a time.
struct SearchWindow {
    HWND window = nullptr, query = nullptr, results = nullptr;
    HWND previous = nullptr; // in front when the window opened
    WNDPROC edit_proc = nullptr, list_proc = nullptr;
    std::vector<SearchItem> items;
    std::vector<int> shown; // item indexes, best first
    OwnedFont font;         // at the window's DPI
    bool closing = false;
};
SearchWindow search;

void refill() {
    wchar_t query[128] = {};
    GetWindowTextW(search.query, query, 127);
    search.shown = search_rank(search.items, narrow(query));
    SendMessageW(search.results, WM_SETREDRAW, FALSE, 0);
    SendMessageW(search.results, LB_RESETCONTENT, 0, 0);
    // Long labels are cut on screen (they are searched whole), so that the
    // outputs stay in their column.
    constexpr std::size_t label_chars = 34;
    for (const int i : search.shown) {
        const SearchItem& item = search.items[static_cast<std::size_t>(i)];
        std::wstring label = widen(item.label);
        if (!item.programs.empty()) // a row for some programs only says which
            label = L"[" + widen(item.programs) + L"] " + label;
        if (label.size() > label_chars) label = label.substr(0, label_chars - 3) + L"...";
        const std::wstring row = widen(item.trigger) + L"\t" + label + L"\t" + widen(item.output);
        SendMessageW(search.results, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
    }
    if (search.shown.empty())
        SendMessageW(search.results, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(L"No trigger matches"));
    SendMessageW(search.results, LB_SETCURSEL, 0, 0);
    SendMessageW(search.results, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(search.results, nullptr, TRUE);
}

// Closes the window. With an entry its output then plays, as if it had
// fired, into the window that was in front before;
// `give_back` returns the foreground to that window (a pick or Escape; not
// when the user clicked elsewhere).
void close_search(int entry, bool give_back) {
    if (!search.window || search.closing) return;
    search.closing = true;
    write_popup_geometry("window_search", search.window);
    // The foreground goes back first: destroying the active window would
    // hand the activation to its owner, the main window, and the output
    // could race that change.
    HWND previous = search.previous;
    if (give_back && previous && IsWindow(previous)) give_keyboard_back(previous);
    DestroyWindow(search.window);
    search = SearchWindow{}; // and its font goes
    search_window_closed(entry);
}

void pick(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= search.shown.size()) return;
    const SearchItem& item =
        search.items[static_cast<std::size_t>(search.shown[static_cast<std::size_t>(row)])];
    close_search(item.entry, true);
}

// Moves the selection: by a row, by a page of rows, or to either end.
bool move_selection(WPARAM key, bool control) {
    const int row = static_cast<int>(SendMessageW(search.results, LB_GETCURSEL, 0, 0));
    const int rows = static_cast<int>(SendMessageW(search.results, LB_GETCOUNT, 0, 0));
    RECT client;
    GetClientRect(search.results, &client);
    const int height = static_cast<int>(SendMessageW(search.results, LB_GETITEMHEIGHT, 0, 0));
    const int page = height > 0 && client.bottom / height > 1 ? client.bottom / height - 1 : 1;
    int next = row;
    switch (key) {
    case VK_UP:
        next = row - 1;
        break;
    case VK_DOWN:
        next = row + 1;
        break;
    case VK_PRIOR:
        next = row - page;
        break;
    case VK_NEXT:
        next = row + page;
        break;
    case VK_HOME:
        if (!control) return false;
        next = 0;
        break;
    case VK_END:
        if (!control) return false;
        next = rows - 1;
        break;
    default:
        return false;
    }
    if (next < 0) next = 0;
    if (next > rows - 1) next = rows - 1;
    if (rows > 0) SendMessageW(search.results, LB_SETCURSEL, next, 0);
    return true;
}

// Ctrl+Backspace: the word before the caret goes, with the blanks after it.
void delete_word_before_caret(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (start != end) {
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
        return;
    }
    wchar_t text[128] = {};
    GetWindowTextW(edit, text, 127);
    DWORD from = start < 127 ? start : 127;
    while (from > 0 && text[from - 1] == L' ')
        --from;
    while (from > 0 && text[from - 1] != L' ')
        --from;
    SendMessageW(edit, EM_SETSEL, from, start);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
}

// Keys both controls share: pick, close, and Tab between them.
bool common_key(WPARAM key, HWND from) {
    switch (key) {
    case VK_RETURN:
        pick(static_cast<int>(SendMessageW(search.results, LB_GETCURSEL, 0, 0)));
        return true;
    case VK_ESCAPE:
        close_search(-1, true);
        return true;
    case VK_TAB:
        SetFocus(from == search.query ? search.results : search.query);
        return true;
    default:
        return false;
    }
}

// The query line takes the keys that move through the results and pick, and
// the editing keys users expect of it (Ctrl+A, Ctrl+Backspace).
LRESULT CALLBACK query_proc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
    const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (message == WM_KEYDOWN) {
        if (move_selection(wparam, control) || common_key(wparam, edit)) return 0;
        if (control && wparam == 'A') {
            SendMessageW(edit, EM_SETSEL, 0, -1);
            return 0;
        }
    }
    if (message == WM_CHAR) {
        if (wparam == 0x7F) { // what Ctrl+Backspace types
            delete_word_before_caret(edit);
            return 0;
        }
        // Enter, Escape, Tab and Ctrl+A were handled as keys: no beep, no character.
        if (wparam == '\r' || wparam == 27 || wparam == '\t' || wparam == 1) return 0;
    }
    return CallWindowProcW(search.edit_proc, edit, message, wparam, lparam);
}

// A click on a row picks it, whether or not it was selected already. The
// list takes the same keys as the query line; typing goes to the query.
LRESULT CALLBACK results_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_KEYDOWN && common_key(wparam, list)) return 0;
    if (message == WM_CHAR) {
        if (wparam == '\r' || wparam == 27 || wparam == '\t') return 0;
        if (wparam >= 32) {
            SetFocus(search.query);
            return SendMessageW(search.query, WM_CHAR, wparam, lparam);
        }
    }
    if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
    const LRESULT result = CallWindowProcW(search.list_proc, list, message, wparam, lparam);
    if (message == WM_LBUTTONUP) {
        const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, lparam);
        if (HIWORD(hit) == 0) pick(static_cast<int>(LOWORD(hit))); // 0: inside an item
    }
    return result;
}

void layout(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int line = scaled(window, query_height), gap = scaled(window, margin);
    MoveWindow(search.query, gap, gap, client.right - 2 * gap, line, TRUE);
    MoveWindow(search.results, gap, 2 * gap + line, client.right - 2 * gap,
               client.bottom - 3 * gap - line, TRUE);
}

// The controls' font, for the window's DPI.
void set_font(HWND window) {
    search.font.reset(make_ui_font(window_dpi(window)));
    SendMessageW(search.query, WM_SETFONT, reinterpret_cast<WPARAM>(search.font.get()), TRUE);
    SendMessageW(search.results, WM_SETFONT, reinterpret_cast<WPARAM>(search.font.get()), TRUE);
}

void create_children(HWND window) {
    search.query = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 0, 0, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(query_id)), shell.instance, nullptr);
    search.results = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"LISTBOX", L"",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT, 0,
        0, 0, 0, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(results_id)), shell.instance,
        nullptr);
    set_font(window);
    SendMessageW(search.query, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"Type to search triggers, labels and outputs"));
    INT tabs[2] = {64, 210}; // dialog units: trigger, label, output
    SendMessageW(search.results, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(tabs));
    search.edit_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(search.query, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(query_proc)));
    search.list_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(search.results, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(results_proc)));
}

LRESULT CALLBACK search_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_SIZE:
        if (search.query) layout(window);
        break;
    case WM_COMMAND:
        if (LOWORD(wparam) == query_id && HIWORD(wparam) == EN_CHANGE) refill();
        break;
    case WM_TIMER:
        if (wparam == popup_raise_timer) {
            KillTimer(window, popup_raise_timer);
            bring_window_forward(reinterpret_cast<WindowId>(window), false);
            SetFocus(search.query);
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wparam) == WA_INACTIVE && search.window) {
            // Losing the focus to another window closes it, playing nothing.
            HWND to = reinterpret_cast<HWND>(lparam);
            if (to != window && !IsChild(window, to)) close_search(-1, false);
        }
        break;
    case WM_CLOSE:
        close_search(-1, true);
        return 0;
    case WM_DPICHANGED: {
        const RECT* at = reinterpret_cast<const RECT*>(lparam);
        SetWindowPos(window, nullptr, at->left, at->top, at->right - at->left, at->bottom - at->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        set_font(window);
        layout(window);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// The last place of the window, or the pick list's corner.
RECT geometry() {
    RECT at;
    if (!read_popup_geometry("window_search", &at) || at.right < 120 || at.bottom < 80) {
        const int width = scaled(nullptr, 520), height = scaled(nullptr, 320);
        at = RECT{GetSystemMetrics(SM_CXSCREEN) - width - scaled(nullptr, 10), scaled(nullptr, 10),
                  width, height};
    }
    return at;
}

} // namespace

bool open_search(HWND owner) {
    if (search.window && IsWindow(search.window)) {
        bring_window_forward(reinterpret_cast<WindowId>(search.window), false);
        return true;
    }
    if (!register_popup_class(search_class_name, search_window_proc)) return false;
    search = SearchWindow{};
    search.previous = GetForegroundWindow();
    search.items = search_items(engine.file);
    const RECT at = geometry();
    // Shown without the focus, which it takes a moment later, as the pick list does.
    search.window =
        CreateWindowExW(WS_EX_TOPMOST, search_class_name, L"Quillomat Search",
                        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, at.left, at.top,
                        at.right, at.bottom, owner, nullptr, shell.instance, nullptr);
    if (!search.window) return false;
    create_children(search.window);
    layout(search.window);
    refill();
    ShowWindow(search.window, SW_SHOWNOACTIVATE);
    UpdateWindow(search.window);
    SetTimer(search.window, popup_raise_timer, raise_delay_ms, nullptr);
    return true;
}
