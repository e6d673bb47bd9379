// The main window's commands: the menu, the accelerators, the tray menu and
// the editor's change notification.
#include "app/shell.h"

#include "common/memory.h"
#include "engine/engine.h"
#include "platform/win32/wide.h"
#include "ui/status.h"

#include <commdlg.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

void warn(HWND window, const char* message) {
    MessageBoxW(window, widen(message).c_str(), L"Quillomat",
                MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND);
}

const wchar_t* const run_key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const run_value = L"Quillomat";
bool tracking_mouse = false;

// Runs the open or save dialog; `path` (path_capacity bytes of UTF-8) is
// both the proposed name and the result. False, with `path` emptied, on
// cancel, or when the name chosen does not fit.
bool pick_file(HWND owner, char* path, bool save) {
    std::wstring name(4096, L'\0');
    const std::wstring proposed = widen(path);
    proposed.copy(&name[0], name.size() - 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize =
        OPENFILENAME_SIZE_VERSION_400W; // the record without its later extension fields
    dialog.hwndOwner = IsWindow(owner) ? owner : GetForegroundWindow();
    dialog.lpstrFilter = L"Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
    dialog.lpstrFile = &name[0];
    dialog.nMaxFile = static_cast<DWORD>(name.size() - 1);
    dialog.lpstrInitialDir = proposed.c_str();
    dialog.Flags = save ? (OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_LONGNAMES)
                        : (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_LONGNAMES);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    const std::string utf8 = chosen ? narrow(name.c_str()) : std::string();
    path[0] = '\0';
    if (utf8.size() >= path_capacity) return false;
    copy_bounded(path, path_capacity, utf8);
    return path[0] != '\0';
}

bool saving_as = false; // Save is running for Save As: the new name is no changed file

// A file is loaded under its name: the title, the settings and the watch follow it.
void load_named(const std::string& path) {
    load_triggers(path.c_str());
    settle_file_name();
}

// What the file on screen is when the loader refused it, for the message
// that explains why it will not be saved.
std::string refusal_reason(FileRead why) {
    switch (why) {
    case FileRead::not_text:
        return "It is not text that Quillomat can load and save back: it " +
               engine.file.refusal_words + ".";
    case FileRead::too_large:
        return "It is too large to load.";
    case FileRead::no_memory:
        return "There was not enough memory to load it.";
    case FileRead::missing:
        return "It does not exist and could not be created.";
    default:
        return "It could not be read: another program may hold it open, or you may not have "
               "access to it.";
    }
}

// A file the loader refused is never written: the editor holds none of its text.
bool refuse_to_save_refused_file(HWND window) {
    if (engine.file.refusal == FileRead::ok) return false;
    const std::string message =
        "The trigger file was not loaded, so Quillomat will not save over it:\n\n" +
        engine.file.path + "\n\n" + refusal_reason(engine.file.refusal) +
        "\n\nOpen it again once it can be read, or open another trigger file.";
    warn(window, message.c_str());
    return true;
}

// Another program changed the file since it was loaded or saved: the user
// decides whether the edits go over it. False when the save must not go on.
bool settle_change_on_disk(HWND window) {
    if (saving_as || trigger_file_change() != DiskChange::changed) return true;
    const int answer = ask_choice(
        window,
        widen("The trigger file was changed by another program since you opened it:\n\n" +
              engine.file.path),
        L"Overwrite it with your edits", L"Load the file from disk", true);
    if (answer == 1) return true;
    if (answer == 2) load_named(engine.file.path);
    return false;
}

LRESULT save(HWND window) {
    if (engine.file.path.empty()) return SendMessageW(window, WM_COMMAND, command::save_file_as, 0);
    if (refuse_to_save_refused_file(window)) return save_failed;
    if (!settle_change_on_disk(window)) return save_cancelled;
    if (!save_trigger_text(narrow(editor_text().c_str()))) {
        // The editor keeps the text and its dirty marker; nothing on disk changed.
        const std::string message = "Unable to save the trigger file:\n\n" + engine.file.path +
                                    "\n\nThe file was left as it was, and your changes are still "
                                    "in the editor.";
        warn(window, message.c_str());
        return save_failed;
    }
    settle_file_name();
    forget_kept_edits();
    return save_succeeded;
}

// The new name counts only once the text is saved under it: a failed save
// leaves the engine, the title and the `file` setting on the old file.
LRESULT save_as(HWND window) {
    if (refuse_to_save_refused_file(window)) return save_failed;
    char path[path_capacity] = {};
    copy_bounded(path, sizeof path, engine.file.path);
    if (!pick_file(window, path, true)) return save_cancelled;
    const std::string previous = engine.file.path;
    engine.file.path = path;
    saving_as = true;
    const LRESULT result = SendMessageW(window, WM_COMMAND, command::save_file, 0);
    saving_as = false;
    if (result != save_succeeded) engine.file.path = previous;
    return result;
}

void open(HWND window) {
    if (!settle_unsaved_edits(window)) return;
    char path[path_capacity] = {};
    if (!pick_file(window, path, false)) return;
    load_named(path);
}

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

void toggle_tray(HWND window) {
    shell.tray = !shell.tray;
    write_setting_int("tray", shell.tray ? 1 : 0);
    CheckMenuItem(GetMenu(window), command::minimize_to_tray,
                  MF_BYCOMMAND | (shell.tray ? MF_CHECKED : MF_UNCHECKED));
}

bool run_value_write(const char* text) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, run_key, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS &&
        RegCreateKeyExW(HKEY_CURRENT_USER, run_key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring value = widen(text);
    const LONG result = RegSetValueExW(key, run_value, 0, REG_EXPAND_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void run_value_delete() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, run_key, 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                      &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, run_value);
    RegCloseKey(key);
}

// The check mark shows what the registry holds, whatever the write achieved.
void toggle_auto_start(HWND window) {
    HMENU menu = GetMenu(window);
    if (GetMenuState(menu, command::auto_start, MF_BYCOMMAND) & MF_CHECKED) {
        run_value_delete();
    } else {
        // Quoted: an unquoted path with blanks lets Windows start "C:\My.exe" for "C:\My
        // Tools\...".
        (void)run_value_write(("\"" + program_path() + "\"").c_str());
    }
    CheckMenuItem(menu, command::auto_start,
                  MF_BYCOMMAND | (auto_start_is_on() ? MF_CHECKED : MF_UNCHECKED));
}

// Runs the font dialog; the face goes to `face` (UTF-8), the size in points is returned; 0 on
// cancel.
int pick_font(HWND owner, std::string& face) {
    // It opens at the editor's font, owned by the main window (one at a time).
    LOGFONTW font{};
    if (shell.editor_font) GetObjectW(shell.editor_font, sizeof font, &font);
    CHOOSEFONTW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpLogFont = &font;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_FORCEFONTEXIST;
    if (!ChooseFontW(&dialog)) return 0;
    face = narrow(font.lfFaceName);
    return dialog.iPointSize / 10; // tenths of a point
}

void choose_editor_font(HWND window) {
    std::string face;
    const int points = pick_font(window, face);
    if (points == 0) return;
    if (shell.editor_font) DeleteObject(shell.editor_font);
    shell.editor_font = make_font(face.empty() ? "Courier New" : face.c_str(), points, false, false,
                                  false, window_dpi(window));
    SendMessageW(shell.editor, WM_SETFONT, reinterpret_cast<WPARAM>(shell.editor_font), TRUE);
    write_setting("font", (face + "," + std::to_string(points)).c_str());
}

void toggle_track_mouse(HWND window) {
    tracking_mouse = !tracking_mouse;
    if (tracking_mouse) {
        set_timer(track_mouse_timer, 50);
    } else {
        kill_timer(track_mouse_timer);
        status_printf(" ");
    }
    CheckMenuItem(GetMenu(window), command::track_mouse,
                  MF_BYCOMMAND | (tracking_mouse ? MF_CHECKED : MF_UNCHECKED));
}

// Leaves only plain text on the clipboard, as Unicode text, so that no
// character is lost (the system makes the code-page form from it for
// programs that ask for one); false when nothing changed.
bool plain_text_clipboard() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) return false;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* locked = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (!locked) {
        CloseClipboard();
        return false;
    }
    // Bounded by the block: text from another program need not be terminated.
    const std::size_t units = GlobalSize(data) / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < units && locked[length])
        ++length;
    const std::wstring copy(locked, length);
    GlobalUnlock(data);
    const std::size_t bytes = (copy.size() + 1) * sizeof(wchar_t);
    HGLOBAL fresh = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    void* target = fresh ? GlobalLock(fresh) : nullptr;
    if (!target) {
        if (fresh) GlobalFree(fresh);
        CloseClipboard();
        return false;
    }
    std::memcpy(target, copy.c_str(), bytes);
    GlobalUnlock(fresh);
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, fresh)) GlobalFree(fresh);
    CloseClipboard();
    return true;
}

} // namespace

void show_paused_state(bool paused) {
    status_printf(paused ? " Paused " : " Expansions resumed ");
    tray_icon_show_paused(shell.main, paused);
    write_setting_int("paused", paused ? 1 : 0);
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

void on_track_mouse_timer() {
    POINT at{};
    GetCursorPos(&at);
    RECT frame{};
    GetWindowRect(GetForegroundWindow(), &frame);
    status_printf("  %d, %d", static_cast<int>(at.x - frame.left),
                  static_cast<int>(at.y - frame.top));
}

LRESULT on_command(HWND window, WPARAM wparam, LPARAM) {
    switch (LOWORD(wparam)) {
    case command::open_file:
        open(window);
        break;
    case command::save_file:
        return save(window);
    case command::save_file_as:
        return save_as(window);
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
        plain_text_clipboard();
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
        engine.undo.enabled = !engine.undo.enabled;
        engine.undo.open = false;
        write_setting_int("undo_backspace", engine.undo.enabled ? 1 : 0);
        CheckMenuItem(GetMenu(window), command::undo_backspace,
                      MF_BYCOMMAND | (engine.undo.enabled ? MF_CHECKED : MF_UNCHECKED));
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
