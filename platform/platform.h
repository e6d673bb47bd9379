// The one seam between Quillomat's core and the operating system.
//
// Every operating-system service the core uses is declared here, in the
// program's own words, with plain integers and small structs. A backend is
// chosen at link time: platform/win32 is the real one, platform/sim a
// deterministic simulation for tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

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

// ---- Files ------------------------------------------------------------------

enum class FileRead {
    ok,
    missing,    // no such file
    unreadable, // it exists but cannot be opened or read (locked, access denied, a folder)
    too_large,  // larger than the caller's limit
};

// Reads a whole file, opened shared for reading and writing, into a fresh
// mem_alloc block of file_buffer_size(size) bytes, terminated after the bytes
// read. `size` receives the number of bytes read. Files above `max_size`
// bytes are not read.
FileRead read_whole_file(const char* path, std::size_t max_size, char** text, std::size_t* size);
// Opens or creates the file and writes `data` at its end. False on failure.
bool append_to_file(const char* path, std::string_view data);
// Deletes the file; false when it could not be deleted.
bool delete_file(const char* path);

// ---- Built-in texts ---------------------------------------------------------

// The packed bytes of a built-in text (8001 help reference, 8002 default
// trigger file); empty when the program carries no such text.
std::string_view builtin_text(int id);

// ---- Main window ------------------------------------------------------------

// Replaces the editor's whole text and puts the caret at its start.
void set_editor_text(const char* text);
// Shows a text in the status bar.
void set_status_text(const char* text);
