// The main window: the trigger file editor, the status bar, layout, the
// save question on closing and the shutdown sequence.
#include "app/shell.h"

#include "app/form_window.h"
#include "app/list_window.h"
#include "engine/engine.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_windows.h"

#include <commctrl.h>
#include <cstring>

namespace {
constexpr DWORD editor_style =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
constexpr WPARAM editor_text_limit = 0xFFF00;

// The editor's font (the setting, at the window's DPI) and the status bar's.
void create_fonts(HWND window) {
    char value[64] = {};
    setting_text("font", value, 63);
    int points = parse_decimal(value);
    value[std::strcspn(value, ",;")] = '\0';
    if (points < 7) points = 10;
    const int dpi = window_dpi(window);
    shell.editor_font.reset(
        make_font(value[0] ? value : "Courier New", points, false, false, false, dpi));
    shell.ui_font.reset(make_ui_font(dpi));
}

void on_create(HWND window) {
    shell.main = window;
    create_fonts(window);
    shell.hand_cursor = create_hand_cursor(shell.instance);
    HMENU menu = GetMenu(window);
    CheckMenuItem(menu, command::auto_start,
                  MF_BYCOMMAND | (auto_start_is_on() ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, command::minimize_to_tray,
                  MF_BYCOMMAND | (shell.tray ? MF_CHECKED : MF_UNCHECKED));
    engine.undo.enabled = setting_int("undo_backspace") != 0;
    CheckMenuItem(menu, command::undo_backspace,
                  MF_BYCOMMAND | (engine.undo.enabled ? MF_CHECKED : MF_UNCHECKED));
    RECT outer;
    GetWindowRect(window, &outer);
    // A Unicode edit control, so that a UTF-8 file shows every character; an
    // ANSI file shows as it always did.
    shell.editor = CreateWindowExW(
        0, L"EDIT", L"", editor_style | (shell.wrap ? 0 : ES_AUTOHSCROLL), 0, 0,
        outer.right - outer.left, outer.bottom - outer.top - 20, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(editor_id)), shell.instance, nullptr);
    SendMessageW(shell.editor, WM_SETFONT, reinterpret_cast<WPARAM>(shell.editor_font.get()), TRUE);
    SendMessageW(shell.editor, EM_LIMITTEXT, editor_text_limit, 0);
    ShowWindow(shell.editor, SW_SHOW);
    UpdateWindow(shell.editor);
    shell.status_bar = CreateWindowExW(
        0, STATUSCLASSNAMEW, L" ", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(status_bar_id)), shell.instance, nullptr);
    SendMessageW(shell.status_bar, WM_SETFONT, reinterpret_cast<WPARAM>(shell.ui_font.get()), TRUE);
    ShowWindow(shell.status_bar, SW_SHOW);
    UpdateWindow(shell.status_bar);
    win32_set_main_window(window);
    SetFocus(shell.editor);
}

void on_size(HWND window, WPARAM type, LPARAM size) {
    if (type == SIZE_MINIMIZED && shell.tray) {
        tray_icon_add(window);
        ShowWindow(window, SW_HIDE);
        UpdateWindow(window);
        return;
    }
    RECT client, bar;
    GetClientRect(window, &client);
    GetWindowRect(shell.status_bar, &bar);
    SetWindowPos(shell.editor, HWND_TOP, 0, 0, client.right,
                 client.bottom - (bar.bottom - bar.top) + 1, SWP_FRAMECHANGED);
    SendMessageW(shell.status_bar, WM_SIZE, type, size);
    InvalidateRect(shell.status_bar, nullptr, TRUE);
}

// Moved to a monitor of another DPI (or the DPI changed): the suggested
// size, and fonts drawn for the new DPI.
void on_dpi_changed(HWND window, LPARAM suggested) {
    const RECT* at = reinterpret_cast<const RECT*>(suggested);
    SetWindowPos(window, nullptr, at->left, at->top, at->right - at->left, at->bottom - at->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    create_fonts(window);
    SendMessageW(shell.editor, WM_SETFONT, reinterpret_cast<WPARAM>(shell.editor_font.get()), TRUE);
    SendMessageW(shell.status_bar, WM_SETFONT, reinterpret_cast<WPARAM>(shell.ui_font.get()), TRUE);
    RECT client;
    GetClientRect(window, &client);
    on_size(window, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

void on_shutdown(HWND window) {
    const bool minimized = IsIconic(window) != 0;
    write_setting("window_start", minimized          ? "minimized"
                                  : IsZoomed(window) ? "maximized"
                                                     : "normal");
    if (!setting_present("font")) write_setting("font", "Courier New,10");
    write_setting_int("activation_count",
                      setting_int("activation_count") + engine.prepare.use_count);
    if (minimized && shell.tray) tray_icon_remove(window);
    win32_set_main_window(nullptr);
    if (shell.hand_cursor) DestroyCursor(shell.hand_cursor);
    shell.hand_cursor = nullptr;
    shell.editor_font.reset();
    shell.ui_font.reset();
    close_form();
    release_list_text();
    PostQuitMessage(0);
}

void store_geometry(HWND window) {
    if (IsZoomed(window) || IsIconic(window)) return;
    RECT rect;
    GetWindowRect(window, &rect);
    write_setting_int("window_left", rect.left);
    write_setting_int("window_top", rect.top);
    write_setting_int("window_width", rect.right - rect.left);
    write_setting_int("window_height", rect.bottom - rect.top);
}
} // namespace

namespace {
// Logoff or shutdown: the same question as closing, while Windows shows why
// the program holds the session up. Yes saves, and the session may end only
// if that save worked; No lets it end (the edits are given up); Cancel
// refuses the end.
BOOL query_end_session(HWND window) {
    if (!shell.dirty) return TRUE;
    ShutdownBlockReasonCreate(window, L"Unsaved changes to the trigger file");
    const int answer = ask_save_changes(window);
    const bool may_end =
        answer == IDNO || (answer == IDYES && SendMessageW(window, WM_COMMAND, command::save_file,
                                                           0) == save_succeeded);
    if (answer == IDNO) shell.edits_given_up = true;
    if (may_end) ShutdownBlockReasonDestroy(window);
    return may_end ? TRUE : FALSE;
}
} // namespace

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        on_create(window);
        break;
    case WM_SIZE:
        on_size(window, wparam, lparam);
        break;
    case WM_SETFOCUS:
        SetFocus(shell.editor);
        break;
    case WM_CLOSE:
        // A cancelled question or a failed save keeps the window and the edits.
        if (!settle_unsaved_edits(window)) return 0;
        break;
    case WM_QUERYENDSESSION:
        return query_end_session(window);
    case WM_ENDSESSION:
        // A logoff that was cancelled (wParam FALSE) leaves the program running.
        if (!wparam) return 0;
        // Ending anyway (forced, or "Shut down anyway") with edits unsaved:
        // they are kept beside the trigger file for the next start.
        if (shell.dirty && !shell.edits_given_up) keep_unsaved_edits();
        [[fallthrough]];
    case WM_DESTROY:
        // Runs once: the end of a session may be followed by the window's destruction.
        if (shell.main) on_shutdown(window);
        shell.main = nullptr;
        return 0;
    case WM_COMMAND:
        return on_command(window, wparam, lparam);
    case WM_INPUT: {
        Win32InputEvent events[6];
        const int count = win32_read_input(lparam, events);
        const uint32_t time = static_cast<uint32_t>(GetMessageTime());
        for (int i = 0; i < count; ++i)
            engine_input_event(events[i].vk, events[i].down, time, events[i].unit);
        break; // the default procedure frees the input
    }
    case WM_TIMER:
        if (wparam == track_mouse_timer)
            on_track_mouse_timer();
        else if (wparam == about_link_timer)
            on_about_link_timer();
        else
            engine_on_timer(static_cast<int>(wparam));
        break;
    case WM_EXITSIZEMOVE:
        store_geometry(window);
        break;
    case WM_DPICHANGED:
        on_dpi_changed(window, lparam);
        return 0;
    case WM_RENDERFORMAT:
        if (wparam == CF_UNICODETEXT) win32_render_clipboard(false);
        return 0;
    case WM_RENDERALLFORMATS:
        win32_render_clipboard(true);
        return 0;
    default: {
        static const UINT taskbar_created = RegisterWindowMessageW(L"TaskbarCreated");
        if (message == tray_callback_message) on_tray_callback(window, lparam);
        if (message == taskbar_created) on_taskbar_created(window);
        break;
    }
    }
    return DefWindowProcW(window, message, wparam, lparam);
}
