// The main window's commands: the menu, the accelerators, the tray menu and
// the editor's change notification.
#include "app/shell.h"

#include "common/memory.h"
#include "engine/engine.h"
#include "platform/win32/wide.h"
#include "ui/status.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
void show_totals_box(HWND window) {
    const int stored = setting_int("activation_count");
    char text[160];
    std::snprintf(text, sizeof text,
                  "Automations since startup: \t%d\n\nAutomations since install: \t%d",
                  engine.prepare.use_count, stored + engine.prepare.use_count);
    MessageBoxW(window, widen(text).c_str(), L"Quillomat Totals", MB_OK | MB_SETFOREGROUND);
}

void show_main_window(HWND window) {
    tray_icon_remove(window);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetForegroundWindow(window);
}

} // namespace

LRESULT on_command(HWND window, WPARAM wparam, LPARAM) {
    switch (LOWORD(wparam)) {
    case command::open_file:
        open_file(window);
        break;
    case command::save_file:
        return save_file(window);
    case command::save_file_as:
        return save_file_as(window);
    case command::exit_program:
        SendMessageW(window, WM_CLOSE, 0, 0);
        break;
    case command::show_totals:
        show_totals_box(window);
        break;
    case command::show_window:
        show_main_window(window);
        break;
    case command::undo:
        SendMessageW(shell.editor, WM_UNDO, 0, 0);
        break;
    case command::cut:
        SendMessageW(shell.editor, WM_CUT, 0, 0);
        break;
    case command::copy:
        SendMessageW(shell.editor, WM_COPY, 0, 0);
        break;
    case command::paste:
        SendMessageW(shell.editor, WM_PASTE, 0, 0);
        break;
    case command::clear:
        SendMessageW(shell.editor, WM_CLEAR, 0, 0);
        break;
    case command::select_all:
        SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
        break;
    case command::remove_clipboard_formatting:
        remove_clipboard_formatting();
        break;
    case command::auto_start:
        toggle_auto_start(window);
        break;
    case command::minimize_to_tray:
        toggle_tray(window);
        break;
    case command::choose_font:
        choose_editor_font(window);
        break;
    case command::track_mouse:
        toggle_track_mouse(window);
        break;
    case command::pause_expansions:
        set_expansions_paused(!engine.keys.paused);
        break;
    case command::undo_backspace:
        toggle_undo_backspace(window);
        break;
    case command::help_reference:
        show_help_reference(window);
        break;
    case command::about:
        show_about(window);
        break;
    case command::support:
        open_support_page();
        break;
    case editor_id:
        if (HIWORD(wparam) == EN_CHANGE) mark_dirty(window);
        break;
    default:
        break;
    }
    return 0;
}
