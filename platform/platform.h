// The one seam between Quillomat's core and the operating system.
//
// Every operating-system service the core uses is declared here, in the
// program's own words, with plain integers and small structs. A backend is
// chosen at link time: platform/win32 is the real one, platform/sim a
// deterministic simulation for tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Flags of a synthesized key event.
constexpr uint32_t key_extended = 1; // the key's event carries the extended-key bit
constexpr uint32_t key_release = 2;  // a release (key up); a press otherwise

// ---- Keyboard -------------------------------------------------------------

// Whether the key is down right now, as seen by the whole desktop.
bool key_is_down(int vk);
// Whether Caps Lock is toggled on.
bool caps_lock_on();
// Clears this thread's keyboard state (all 256 keys up, nothing toggled).
void clear_keyboard_state();
// Sends one key event to whatever window has the keyboard focus.
void send_key_event(uint8_t vk, uint8_t scan_code, uint32_t flags);
// The scan code of a virtual key on the current keyboard layout, 0 if none.
unsigned key_scan_code(int vk);
// The unshifted character of a virtual key (low byte), 0 if the key has none.
unsigned key_char(int vk);
// Which key types a character: low byte the virtual key, high byte the shift
// state (1 Shift, 2 Ctrl, 4 Alt); -1 when the layout has no key for it.
int16_t char_key(char c);
// Sends one UTF-16 unit as a Unicode key event (press, or release with
// `release`), to whatever window has the keyboard focus.
void send_unicode_unit(uint16_t unit, bool release);

// ---- The ANSI code page ----------------------------------------------------

// The code page's byte for a Unicode character, -1 when it has none.
int ansi_byte_of(uint32_t code_point);
// The Unicode character of a code page byte (0 when it stands for none).
uint32_t code_point_of_ansi(uint8_t byte);
// A text in the code page (an ANSI trigger file) as UTF-8; characters of
// several bytes, where the code page has them, come out whole.
std::string code_page_to_utf8(std::string_view bytes);
// UTF-8 text in the code page; false when some character has no form there.
bool utf8_to_code_page(std::string_view utf8, std::string* bytes);

// ---- Input events -------------------------------------------------------------

// Starts reporting the desktop's key and mouse-button events, as they happen
// and without hooking the keyboard, to engine_input_event (mouse moves as
// vk 0). The program's own synthesized input may be reported too. False when
// the platform cannot report them.
bool start_input_events();
// When the user last gave any input (key, button or move), on the tick_count clock.
uint32_t last_input_time();

// ---- Files ------------------------------------------------------------------

enum class FileRead {
    ok,
    missing,    // no such file
    unreadable, // it exists but cannot be opened or read (locked, access denied, a folder)
    too_large,  // larger than the caller's limit
    no_memory,  // no buffer could be had for it
    not_text,   // read, but its bytes are no text the program can load and save back
};

// Reads a whole file, opened shared for reading and writing, into a fresh
// mem_alloc block of file_buffer_size(size) bytes, terminated after the bytes
// read. `size` receives the number of bytes read. Files above `max_size`
// bytes are not read.
FileRead read_whole_file(const char* path, std::size_t max_size, char** text, std::size_t* size);
// Opens or creates the file and writes `data` at its end. False on failure.
bool append_to_file(const char* path, std::string_view data);
// The one writer of a user's file: makes `data` the file's whole content,
// creating the file when it is missing. The text is written in full beside
// the file first and then takes its place in one step, so that a failure
// leaves the old file as it was (false). The file a link points at is the
// one replaced, and the file keeps its permissions, attributes and other
// names (a file with several names is rewritten in place, after a copy of
// its old bytes has been put aside). The new text is never deleted while
// it is the only copy: should the system take the old file away and then
// fail to put the new one in its place, the new file stays where it was
// written, `kept_at` gets its path, and the result is false.
// `why` (when given) says what stood in the way of a write that failed.
enum class WriteProblem : uint8_t {
    none,
    read_only, // the file is marked read-only
    denied,    // access to the file, or to its folder, is denied
    in_use,    // another program holds the file open
    disk_full,
    other,
};
bool replace_file(const char* path, std::string_view data, std::string* kept_at = nullptr,
                  WriteProblem* why = nullptr);

// What a file is on disk now, to tell whether another program changed it.
struct FileStat {
    bool exists = false;
    uint64_t write_time = 0; // the platform's own units
    uint64_t size = 0;
};
FileStat file_stat(const char* path);
// Deletes the file; false when it could not be deleted.
bool delete_file(const char* path);
// The folder that holds what is the user's alone (the local application
// data folder's "Quillomat", or its `subfolder`), made when missing, with
// its separator at the end; empty when there is none.
std::string user_data_folder(const char* subfolder = nullptr);
// The names of the files (not folders) in a folder; none when it cannot be read.
std::vector<std::string> files_in_folder(const char* folder);

// Where a path leads when it is a symbolic link (or runs through one): the
// file it names in the end. `dangling`: the link leads to a file that is
// missing; `target` is then that file's path, or empty when the platform
// cannot tell it.
struct LinkTarget {
    bool link = false;
    bool dangling = false;
    std::string target;
};
LinkTarget link_target(const char* path);

// ---- Built-in texts ---------------------------------------------------------

// The packed bytes of a built-in text (8001 help reference, 8002 default
// trigger file); empty when the program carries no such text.
std::string_view builtin_text(int id);

// ---- Timers and time ---------------------------------------------------------

// Every timer of the program's windows, in one list.
enum TimerId : int {
    popup_raise_timer = 1001,   // a popup takes the keyboard a moment after it shows
    form_handback_timer = 1002, // a closed form waits for the keyboard to be back in its window
    about_link_timer = 4321,    // adds the link to the About box once the box is on screen
    polling_timer = 7771,       // keyboard poll and trigger match, every 10 ms
    playback_timer = 7772,      // the steps of an output: the wait for modifiers, typing, pauses
    track_mouse_timer = 7773,   // the mouse position readout in the status bar
    watch_timer = 7774,         // checks that input events still come
    disk_check_timer = 7775,    // a moment after something changed in the trigger file's folder
};

// Arms (or re-arms) a timer of the main window; its ticks arrive as
// engine_on_timer(id) calls from the message loop.
void set_timer(TimerId id, uint32_t period_ms);
void kill_timer(TimerId id);
// Milliseconds since some fixed start, wrapping at 2^32.
uint32_t tick_count();

struct LocalTime {
    int year, month, day, hour, minute, second;
};
LocalTime local_time();

// ---- Environment ----------------------------------------------------------------

// Expands %NAME% references into `out` (capacity bytes). Returns the size the
// whole expansion needs, terminator included (more than `capacity` when it did
// not fit, and then `out` holds nothing usable), or 0 on failure. Undefined
// names stay as written.
std::size_t expand_environment(const char* text, char* out, std::size_t capacity);

// ---- Mouse ------------------------------------------------------------------------

struct ScreenPoint {
    int32_t x, y;
};
struct ScreenRect {
    int32_t left, top, right, bottom;
};

// Mouse event flags, as the platform numbers them.
constexpr uint32_t mouse_move = 0x0001;
constexpr uint32_t mouse_left_down = 0x0002;
constexpr uint32_t mouse_left_up = 0x0004;
constexpr uint32_t mouse_right_down = 0x0008;
constexpr uint32_t mouse_right_up = 0x0010;
constexpr uint32_t mouse_middle_down = 0x0020;
constexpr uint32_t mouse_middle_up = 0x0040;
constexpr uint32_t mouse_absolute = 0x8000;

ScreenPoint cursor_position();
void set_cursor_position(int32_t x, int32_t y);
// Makes sure the pointer is shown (adds one to the display count).
void show_cursor();
void send_mouse_event(uint32_t flags, int32_t dx, int32_t dy);
uint32_t double_click_time();
// Width and height of the primary screen.
ScreenPoint screen_size();

// ---- Windows of other programs ------------------------------------------------------

// A top-level window; 0 is none.
using WindowId = uintptr_t;

WindowId foreground_window();

// The program whose window is in front, for the rules that say where
// triggers fire: its executable's file name ("winword.exe"), the window's
// title and class, in UTF-8; all empty when no window is in front.
struct FrontProgram {
    WindowId window = 0;
    std::string exe, title, window_class;
    bool elevated = false; // it runs with higher rights than Quillomat: typed keys never reach it
};
FrontProgram front_program();
// The window's outer rectangle in screen coordinates; all 0 for none.
ScreenRect window_rect(WindowId window);
// A top-level window whose title is exactly `title`, or 0.
WindowId find_top_window(const char* title);
// The next window below in the z-order, or 0.
WindowId next_window(WindowId window);
// Reads the title into `out` (capacity bytes); false when the window did not
// answer within `timeout_ms`.
bool window_title(WindowId window, char* out, std::size_t capacity, uint32_t timeout_ms);
bool is_window(WindowId window);
bool is_minimized(WindowId window);
// Shows the window (restoring it when `restore`), puts it on top and gives it
// the foreground, activation and keyboard focus. Waits at most a few hundred
// milliseconds for a window that does not answer.
void bring_window_forward(WindowId window, bool restore);

// ---- Programs ---------------------------------------------------------------------

// Starts a program, document or web address through the shell, with the
// default action and `arguments` as its parameters. True when it started.
bool shell_launch(const char* program, const char* arguments);
// Changes the process's current directory; failures are not reported.
void set_current_directory(const char* path);

// Message box styles, as the platform numbers them.
constexpr uint32_t message_warning = 0x30;
constexpr uint32_t message_task_modal = 0x2000;
constexpr uint32_t message_set_foreground = 0x10000;
constexpr uint32_t message_topmost = 0x40000;
// The style of warnings raised by playback: 0x52030.
constexpr uint32_t message_playback_warning =
    message_warning | message_task_modal | message_set_foreground | message_topmost;

// Shows a modal message box owned by the main window; returns when closed.
void show_message(const char* text, const char* caption, uint32_t style);

// ---- The clipboard, for pasting long outputs --------------------------------------

// Saves every format on the clipboard that can be read and puts `text` (UTF-8)
// there in their place, as Unicode text marked to stay out of clipboard
// history and clipboard managers. False when another program holds the
// clipboard (after brief retries): nothing changed. `not_kept` gets the names
// of formats that could not be saved.
bool clipboard_put_for_paste(const char* text, std::string* not_kept);
// Whether the window the paste went to has taken the text (read it and let
// the clipboard go).
bool clipboard_paste_taken();
// Puts the saved formats back, but only while the clipboard still holds the
// pasted text: whatever was copied meanwhile stays. True when restored.
bool clipboard_restore();
// Takes the pasted text off the clipboard before anyone has read it, so
// that a window that pastes late gets nothing: the clipboard is emptied
// while it still holds the unread text. True when the text is off the
// clipboard unread (emptied now, or replaced by a copy meanwhile); false
// when it was read, or the clipboard could not be had.
bool clipboard_withdraw_paste();

// ---- The clipboard's text, for {Clipboard} and {Selection} ------------------------

// A number that moves on whenever the clipboard's content changes.
uint32_t clipboard_sequence();
enum class ClipboardText : uint8_t {
    text, // read
    none, // the clipboard holds no text (a picture, files, nothing)
    busy, // another program holds it open (after brief retries)
};
// The clipboard's Unicode text, as UTF-8.
ClipboardText clipboard_text(std::string* utf8);
// Saves every format on the clipboard that can be read, as a paste does,
// and leaves the clipboard as it is. False when another program holds it.
// `not_kept` gets the names of formats that could not be saved.
bool clipboard_save(std::string* not_kept);
// Puts the formats saved by clipboard_save back, unless the clipboard's
// sequence number has moved on from `sequence` (something else was copied
// since). True when given back.
bool clipboard_give_back(uint32_t sequence);

// ---- The core's entry points -----------------------------------------------------
//
// The only calls a backend makes into the core. The core implements them.

// A timer armed with set_timer fell due.
void engine_on_timer(int id);
// A key (`vk` 1 to 254) or mouse button went down or up at `time` (the
// tick_count clock); vk 0 is input without one (a mouse move). A character
// sent as itself, by an on-screen keyboard or another program (a Unicode
// key event), comes as the packet key with its UTF-16 unit in `unit`: no
// key of the keyboard is down for it.
constexpr int vk_packet = 0xE7;
void engine_input_event(int vk, bool down, uint32_t time, uint16_t unit = 0);
