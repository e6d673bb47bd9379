// The Options menu: start at login (the one reader and writer of the Run
// key), minimize to the tray, the editor's font, the mouse readout and
// Backspace Undoes Expansion.
#include "app/shell.h"

#include "engine/engine.h"
#include "platform/win32/wide.h"
#include "ui/status.h"

#include <commdlg.h>
#include <string>

namespace {
const wchar_t* const run_key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const run_value = L"Quillomat";
bool tracking_mouse = false;

bool run_value_write(const char* text) {
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, run_key, 0, KEY_ALL_ACCESS, key.receive()) !=
            ERROR_SUCCESS &&
        RegCreateKeyExW(HKEY_CURRENT_USER, run_key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, key.receive(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring value = widen(text);
    return RegSetValueExW(
               key.get(), run_value, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void run_value_delete() {
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, run_key, 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                      key.receive()) == ERROR_SUCCESS)
        RegDeleteValueW(key.get(), run_value);
}

// Runs the font dialog; the face goes to `face` (UTF-8), the size in points is returned; 0 on
// cancel.
int pick_font(HWND owner, std::string& face) {
    // It opens at the editor's font, owned by the main window (one at a time).
    LOGFONTW font{};
    if (shell.editor_font) GetObjectW(shell.editor_font.get(), sizeof font, &font);
    CHOOSEFONTW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpLogFont = &font;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_FORCEFONTEXIST;
    if (!ChooseFontW(&dialog)) return 0;
    face = narrow(font.lfFaceName);
    return dialog.iPointSize / 10; // tenths of a point
}
} // namespace

bool auto_start_is_on() {
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, run_key, 0, KEY_QUERY_VALUE, key.receive()) !=
        ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    return RegQueryValueExW(key.get(), run_value, nullptr, &type, nullptr, &size) ==
               ERROR_SUCCESS &&
           size > sizeof(wchar_t);
}

void toggle_tray(HWND window) {
    shell.tray = !shell.tray;
    write_setting_int("tray", shell.tray ? 1 : 0);
    CheckMenuItem(GetMenu(window), command::minimize_to_tray,
                  MF_BYCOMMAND | (shell.tray ? MF_CHECKED : MF_UNCHECKED));
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

void choose_editor_font(HWND window) {
    std::string face;
    const int points = pick_font(window, face);
    if (points == 0) return;
    shell.editor_font.reset(make_font(face.empty() ? "Courier New" : face.c_str(), points, false,
                                      false, false, window_dpi(window)));
    SendMessageW(shell.editor, WM_SETFONT, reinterpret_cast<WPARAM>(shell.editor_font.get()), TRUE);
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

void on_track_mouse_timer() {
    POINT at{};
    GetCursorPos(&at);
    RECT frame{};
    GetWindowRect(GetForegroundWindow(), &frame);
    status_printf("  %d, %d", static_cast<int>(at.x - frame.left),
                  static_cast<int>(at.y - frame.top));
}

void toggle_undo_backspace(HWND window) {
    engine.undo.enabled = !engine.undo.enabled;
    engine.undo.open = false;
    write_setting_int("undo_backspace", engine.undo.enabled ? 1 : 0);
    CheckMenuItem(GetMenu(window), command::undo_backspace,
                  MF_BYCOMMAND | (engine.undo.enabled ? MF_CHECKED : MF_UNCHECKED));
}
