// The editor and the main window's title: what the shell's commands share.
#include "app/shell.h"

#include "engine/engine.h"
#include "platform/win32/wide.h"

#include <string>

std::wstring main_title() {
    return widen("Quillomat - " + engine.file.path);
}

std::string program_path() {
    std::wstring module(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &module[0], 32767);
    return narrow(module.c_str(), static_cast<int>(length));
}

void set_main_title() {
    shell.dirty = false; // a fresh title after a load or a save: nothing unsaved
    SetWindowTextW(shell.main, main_title().c_str());
}

void settle_file_name(bool new_name) {
    if (new_name) write_setting("file", engine.file.path.c_str());
    set_main_title();
    watch_trigger_folder();
}

void warn_user(HWND owner, const std::string& text) {
    MessageBoxW(owner, widen(text).c_str(), L"Quillomat",
                MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND);
}

std::wstring editor_text() {
    const int length = GetWindowTextLengthW(shell.editor);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(shell.editor, &wide[0], length + 1);
    wide.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return wide;
}

void mark_dirty(HWND window) {
    shell.dirty = true;
    shell.edits_given_up = false;
    const int length = GetWindowTextLengthW(window);
    std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
    title.resize(static_cast<std::size_t>(GetWindowTextW(window, &title[0], length + 1)));
    if (title.find(L'*') != std::wstring::npos) return;
    SetWindowTextW(window, (title + L" *").c_str());
}
