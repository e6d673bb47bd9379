// The main window's commands: the menu, the accelerators, the tray menu and
// the editor's change notification.
#include "app/shell.h"

#include "common/memory.h"
#include "engine/engine.h"
#include "engine/triggers.h"

#include <commdlg.h>
#include <cstdio>
#include <cstring>

namespace {
enum Command : int {
    open_file = 3101,
    save_file = 3102,
    save_file_as = 3103,
    exit_program = 3104,
    show_totals = 3197,
    show_window = 3199,
    undo = 3201,
    cut = 3202,
    copy = 3203,
    paste = 3204,
    clear = 3205,
    select_all = 3206,
    minimize_to_tray = 3402,
};

constexpr LRESULT cancelled = 2;

// Runs the open or save dialog; `path` (at least 256 characters) is both
// the proposed name and the result. False, with `path` emptied, on cancel.
bool pick_file(HWND owner, char* path, bool save) {
    OPENFILENAMEA dialog{};
    dialog.lStructSize = 76; // the record without its later extension fields
    dialog.hwndOwner = IsWindow(owner) ? owner : GetForegroundWindow();
    dialog.lpstrFilter = "Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = 256;
    dialog.lpstrInitialDir = path;
    dialog.Flags = save ? (OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_LONGNAMES)
                        : (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_LONGNAMES);
    const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) path[0] = '\0';
    return chosen && path[0];
}

void reload_and_retitle() {
    load_triggers(engine_files.trigger_file);
    write_setting("file", engine_files.trigger_file);
    set_main_title();
}

// Writes `text` to a fresh file beside `path`, flushes it and then puts it in
// place of the old file in one step. On any failure the old file is left as
// it was and false is returned.
bool replace_file_safely(const char* path, const char* text, DWORD length) {
    char folder[path_capacity];
    copy_bounded(folder, sizeof folder, path);
    char* slash = std::strrchr(folder, '\\');
    char* forward = std::strrchr(folder, '/');
    if (forward > slash) slash = forward;
    if (slash)
        slash[1] = '\0';
    else
        copy_bounded(folder, sizeof folder, ".");
    char temporary[MAX_PATH + 1];
    if (!GetTempFileNameA(folder, "qlm", 0, temporary)) return false;
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = file != INVALID_HANDLE_VALUE;
    if (written) {
        DWORD done = 0;
        written =
            (length == 0 || (WriteFile(file, text, length, &done, nullptr) && done == length)) &&
            FlushFileBuffers(file);
        CloseHandle(file);
    }
    if (written && MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temporary);
    return false;
}

LRESULT save(HWND window) {
    if (!engine_files.trigger_file[0] &&
        SendMessageA(window, WM_COMMAND, save_file_as, 0) == cancelled)
        return 0;
    KillTimer(window, polling_timer);
    DWORD start = 0, end = 0;
    SendMessageA(shell.editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    const DWORD caret = start < end ? start : end;
    const int length = GetWindowTextLengthA(shell.editor);
    HeapText text = alloc_text(static_cast<std::size_t>(length) + 4096);
    bool saved = false;
    if (text) {
        const int got = GetWindowTextA(shell.editor, text.get(), length + 2);
        saved = replace_file_safely(engine_files.trigger_file, text.get(), static_cast<DWORD>(got));
    }
    if (!saved) {
        // The editor keeps the text and its dirty marker; nothing on disk changed.
        char message[path_capacity + 128];
        std::snprintf(message, sizeof message,
                      "Unable to save the trigger file:\n\n%s\n\nThe file was left as it was, and "
                      "your changes are "
                      "still in the editor.",
                      engine_files.trigger_file);
        MessageBoxA(window, message, "Quillomat", MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND);
        SetTimer(window, polling_timer, polling_period_ms, nullptr);
        return 0;
    }
    reload_and_retitle();
    SendMessageA(shell.editor, EM_SETSEL, caret, caret);
    SendMessageA(shell.editor, EM_SCROLLCARET, 0, 0);
    SetTimer(window, polling_timer, polling_period_ms, nullptr);
    return 0;
}

LRESULT save_as(HWND window) {
    char path[path_capacity] = {};
    copy_bounded(path, sizeof path, engine_files.trigger_file);
    if (!pick_file(window, path, true)) return cancelled;
    copy_bounded(engine_files.trigger_file, path_capacity, path);
    SendMessageA(window, WM_COMMAND, save_file, 0);
    return 0;
}

void open(HWND window) {
    const int answer = ask_save_changes(window);
    if (answer == IDCANCEL) return;
    if (answer == IDYES) SendMessageA(window, WM_COMMAND, save_file, 0);
    char path[path_capacity] = {};
    if (!pick_file(window, path, false)) return;
    copy_bounded(engine_files.trigger_file, path_capacity, path);
    KillTimer(window, polling_timer);
    reload_and_retitle();
    SetTimer(window, polling_timer, polling_period_ms, nullptr);
}

void show_totals_box(HWND window) {
    const int stored = setting_int("activation_count");
    char text[160];
    std::snprintf(text, sizeof text,
                  "Automations since startup: \t%d\n\nAutomations since install: \t%d",
                  output_state.use_count, stored + output_state.use_count);
    MessageBoxA(window, text, "Quillomat Totals", MB_OK | MB_SETFOREGROUND);
}

void show_main_window(HWND window) {
    tray_icon_remove(window);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetForegroundWindow(window);
}

void toggle_tray(HWND window) {
    shell.tray = !shell.tray;
    write_setting_int("tray", shell.tray ? 1 : 0);
    CheckMenuItem(GetMenu(window), minimize_to_tray,
                  MF_BYCOMMAND | (shell.tray ? MF_CHECKED : MF_UNCHECKED));
}

// The first change after a load or save marks the title with " *".
void mark_dirty(HWND window) {
    char title[256] = {};
    GetWindowTextA(window, title, 255);
    if (std::strchr(title, '*')) return;
    append_bounded(title, sizeof title, " *");
    SetWindowTextA(window, title);
}
} // namespace

LRESULT on_command(HWND window, WPARAM wparam, LPARAM) {
    switch (LOWORD(wparam)) {
    case open_file:
        open(window);
        break;
    case save_file:
        return save(window);
    case save_file_as:
        return save_as(window);
    case exit_program:
        SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    case show_totals:
        show_totals_box(window);
        break;
    case show_window:
        show_main_window(window);
        break;
    case undo:
        SendMessageA(shell.editor, WM_UNDO, 0, 0);
        break;
    case cut:
        SendMessageA(shell.editor, WM_CUT, 0, 0);
        break;
    case copy:
        SendMessageA(shell.editor, WM_COPY, 0, 0);
        break;
    case paste:
        SendMessageA(shell.editor, WM_PASTE, 0, 0);
        break;
    case clear:
        SendMessageA(shell.editor, WM_CLEAR, 0, 0);
        break;
    case select_all:
        SendMessageA(GetFocus(), EM_SETSEL, 0, -1);
        break;
    case minimize_to_tray:
        toggle_tray(window);
        break;
    case editor_id:
        if (HIWORD(wparam) == EN_CHANGE) mark_dirty(window);
        break;
    default:
        break;
    }
    return 0;
}
