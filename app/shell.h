// The Windows shell's state: the main window and its children, the settings
// file and the options read at start-up.
#pragma once

#include "common/text.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"

#include <string>
#include <windows.h>

constexpr int editor_id = 4001;
constexpr int status_bar_id = 4002;
constexpr int app_icon_id = 1001;
constexpr int main_menu_id = 3000;
constexpr int accelerators_id = 5001;
constexpr UINT tray_callback_message = 546;

// The main window's command ids: menu 3000, accelerators 5001 and the tray menu.
namespace command {
enum : int {
    open_file = 3101,
    save_file = 3102,
    save_file_as = 3103,
    exit_program = 3104,
    show_totals = 3197,
    remove_clipboard_formatting = 3198,
    show_window = 3199,
    undo = 3201,
    cut = 3202,
    copy = 3203,
    paste = 3204,
    clear = 3205,
    select_all = 3206,
    auto_start = 3401,
    minimize_to_tray = 3402,
    choose_font = 3403,
    track_mouse = 3404,
    pause_expansions = 3405,
    undo_backspace = 3406,
    help_reference = 3501,
    about = 3502,
    support = 3503,
};
} // namespace command

struct Shell {
    HINSTANCE instance = nullptr;
    HWND main = nullptr;
    HWND editor = nullptr;
    HWND status_bar = nullptr;
    OwnedFont editor_font;
    OwnedFont ui_font; // the status bar's, at the main window's DPI
    HCURSOR hand_cursor = nullptr;
    HICON small_icon = nullptr;
    char settings_path[path_capacity] = {};
    bool tray = true;            // minimizing hides the window behind a tray icon
    bool wrap = true;            // the editor wraps long lines
    bool dirty = false;          // the editor holds edits not saved yet (the title shows " *")
    bool edits_given_up = false; // "No" to the save question as the session ends
};
extern Shell shell;

extern const wchar_t* const main_class_name;

// ---- settings file (keys and values in UTF-8) ----
// Reads the settings file at start (making an older one UTF-16; see
// settings.cpp). Returns the warning the user should see when it could not
// be read whole or rewritten, "" when all went well.
std::string load_settings_file();
bool setting_present(const char* key);
int setting_int(const char* key);
void setting_text(const char* key, char* out, std::size_t capacity);
void write_setting(const char* key, const char* value);
void write_setting_int(const char* key, int value);
void remove_setting(const char* key);

// ---- main window ----
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The title "Quillomat - <trigger file>".
std::wstring main_title();
// Sets that title: the editor holds no unsaved edits.
void set_main_title();
// After a load or a save: the title names the file, and its folder is
// watched; `new_name` (Open, Save As): the settings name it from now on.
void settle_file_name(bool new_name);
// The program's own path, in UTF-8.
std::string program_path();
// The DPI the window is shown at (per monitor where Windows tells it), and a
// length given at 96 DPI scaled to it; with no window, the system's.
int window_dpi(HWND window);
int scaled(HWND window, int pixels_at_96);
// A font of `points` at `dpi`; the UI font (the system's message font) at `dpi`.
HFONT make_font(const char* face, int points, bool bold, bool italic, bool underline, int dpi);
HFONT make_ui_font(int dpi);
HCURSOR create_hand_cursor(HINSTANCE instance);

// ---- the watch on the trigger file's folder ----
// Watches the folder of the trigger file now loaded, and of the file a link
// leads to (again after every load: Open, Save As, a file that appeared).
void watch_trigger_folder();
// The change notifications the message loop waits on (at most 2); their count.
int trigger_folder_watches(HANDLE* handles);
// Something changed in a watched folder: the engine looks at the file a moment later.
void on_trigger_folder_changed(HANDLE which);

// Asks with two buttons named for what they do (and Cancel with `cancel`):
// 1 the first, 2 the second, 0 Cancel or the box closed.
int ask_choice(HWND owner, const std::wstring& text, const wchar_t* first, const wchar_t* second,
               bool cancel);

// ---- unsaved edits at the end of a session ----
// Keeps the editor's text in a copy (the session ends without a save); when
// no place takes it, the next start says so.
void keep_unsaved_edits();
// At start: offers edits kept by an earlier session ("Open them" / "Discard").
void offer_kept_edits(HWND window);
// The kept edits were saved into the trigger file: their file goes.
void forget_kept_edits();

// ---- commands (commands.cpp: the dispatcher) ----
LRESULT on_command(HWND window, WPARAM wparam, LPARAM lparam);
// A warning under the program's name, owned by `owner`.
void warn_user(HWND owner, const std::string& text);

// ---- the file menu (file_commands.cpp); Save and Save As answer save_failed and the others ----
LRESULT save_file(HWND window);
// What stood in the way of a write, in a sentence; "" when it is not known.
std::string write_problem_words(WriteProblem why);
LRESULT save_file_as(HWND window);
void open_file(HWND window);

// ---- the options menu (options.cpp) ----
void toggle_tray(HWND window);
void toggle_auto_start(HWND window);
void choose_editor_font(HWND window);
void toggle_track_mouse(HWND window);
void on_track_mouse_timer();
void toggle_undo_backspace(HWND window);
// Leaves only plain text on the clipboard (clipboard_command.cpp); false when nothing changed.
bool remove_clipboard_formatting();

// ---- the tray icon ----
// Shows the tray icon: greyed, with "Quillomat (paused)", while expansions are paused.
void tray_icon_add(HWND window);
void tray_icon_show_paused(HWND window, bool paused);
// A balloon from the tray icon, when it is shown.
void tray_note(const char* text);
void tray_icon_remove(HWND window);
// Explorer started again (it announces "TaskbarCreated"): the icon, if shown, is added again.
void on_taskbar_created(HWND window);
void on_tray_callback(HWND window, LPARAM mouse_message);
// ---- help menu ----
void show_help_reference(HWND window);
void show_about(HWND window);
void on_about_link_timer();
void open_support_page();

// The save question; returns IDYES, IDNO or IDCANCEL, or IDNO when there is nothing to ask.
int ask_save_changes(HWND window);
// Asks the save question and saves on Yes. True when the caller may go on
// (No, nothing to ask, or saved); false on Cancel or when the save failed.
bool settle_unsaved_edits(HWND window);
// What Save (and Save As) answer through WM_COMMAND.
constexpr LRESULT save_failed = 0;
constexpr LRESULT save_succeeded = 1;
constexpr LRESULT save_cancelled = 2; // the Save As dialog was cancelled
// The first change after a load or save marks the title with " *".
void mark_dirty(HWND window);
// The editor's whole text.
std::wstring editor_text();
// Whether the Run value for auto-start at login is there.
bool auto_start_is_on();
