// What the core shows through the program's windows: the editor, the status
// bar, the tray icon and the two popups.
#include "app/form_window.h"
#include "app/list_window.h"
#include "app/search_window.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "platform/win32/wide.h"
#include "ui/status.h"
#include "ui/ui.h"

#include <commctrl.h>

void set_editor_text(std::string_view utf8, bool keep_place) {
    if (!shell.editor || !IsWindow(shell.editor)) return;
    // A reload keeps the caret and the first line shown, as far as the new text allows.
    DWORD start = 0, end = 0;
    SendMessageW(shell.editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    const LRESULT first_line = SendMessageW(shell.editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    SetWindowTextW(shell.editor, widen(utf8).c_str());
    if (keep_place) {
        SendMessageW(shell.editor, EM_SETSEL, start, end);
        const LRESULT now_first = SendMessageW(shell.editor, EM_GETFIRSTVISIBLELINE, 0, 0);
        SendMessageW(shell.editor, EM_LINESCROLL, 0, first_line - now_first);
    } else {
        SendMessageW(shell.editor, EM_SETSEL, 0, 0);
        SendMessageW(shell.editor, EM_SCROLLCARET, 0, 0);
    }
    if (shell.main) InvalidateRect(shell.main, nullptr, TRUE);
    InvalidateRect(shell.editor, nullptr, TRUE);
    set_main_title();
}

void set_editor_read_only(bool read_only) {
    if (shell.editor && IsWindow(shell.editor))
        SendMessageW(shell.editor, EM_SETREADONLY, read_only ? TRUE : FALSE, 0);
}

bool editor_has_unsaved_edits() {
    return shell.dirty;
}

std::string editor_text_utf8() {
    return narrow(editor_text().c_str());
}

void set_status_text(const char* text) {
    if (!shell.status_bar || !IsWindow(shell.status_bar) || !text || !*text) return;
    const std::wstring wide = widen(text);
    SendMessageW(shell.status_bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    UpdateWindow(shell.status_bar);
}

void show_tray_note(const char* text) {
    tray_note(text);
}

void show_paused(bool paused) {
    status_printf(paused ? " Paused " : " Expansions resumed ");
    tray_icon_show_paused(shell.main, paused);
    write_setting_int("paused", paused ? 1 : 0);
}

void open_list_window(const char* list_text) {
    open_custom_list(shell.main, list_text);
}

bool open_search_window() {
    return open_search(shell.main);
}

bool open_fill_in_form(const FormRequest& request) {
    return open_form(request, form_closed);
}
