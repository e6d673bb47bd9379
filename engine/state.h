// The engine's state: one struct per stage, all of it in `engine`.
//
// Each struct belongs to the file named above it; other files read it but
// leave changes to its owner. reset_engine() puts everything back as it is
// at start-up.
#pragma once

#include "common/text.h"
#include "engine/disk_copy.h"
#include "platform/platform.h"
#include "triggers/encoding.h"
#include "triggers/output_script.h"
#include "triggers/triggers.h"

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

constexpr int history_length = 32;
using KeyHistory = std::array<char, history_length>; // typed characters, newest first; 0: none

// The trigger file as loaded (engine/load.cpp). Outputs and the search
// window's rows come from this one parse.
struct LoadedFile {
    std::string path;
    std::string text; // the file as the engine reads it (see triggers/encoding.h)
    TriggerTable table;
    std::vector<int> untypeable;                // lines whose trigger the code page cannot type
    TextEncoding encoding = TextEncoding::ansi; // how the file is written; Save keeps it
    // Why the last load left the file alone (`ok`: the table and the editor
    // came from it). While a file is refused the editor is empty and locked,
    // and nothing is saved over that file.
    FileRead refusal = FileRead::ok;
    std::string refusal_words; // for `not_text`, after "it": "holds a zero byte at line 3"
    DiskIdentity on_disk;      // the file as last loaded or saved
    std::string modes_path;    // the file whose markers switched debug or remap mode on
    std::string debug_log;     // where debug mode writes; beside the trigger file
    std::string link_target;   // the file the path leads to, when it is a symbolic link
    bool awaited = false;      // missing, and loaded as soon as it appears (refusal `missing`)
};

// What the watch on the trigger file's folder waits for (engine/disk_copy.cpp).
struct DiskCheck {
    bool pending = false;      // a change came and the file was not looked at since
    uint32_t first_change = 0; // when the first of the pending changes came
    int failed_reads = 0;      // reads of the changed file that failed in a row
};

// What the keyboard did (engine/detect.cpp).
struct KeyMonitor {
    std::array<uint8_t, 256> key_state{}; // 1: down when last polled (the remapped key: see detect)
    KeyHistory history{};
    WindowId front = 0;                  // the window in front when the last key was typed
    bool paused = false;                 // expansions are off: only PAUSE: and SEARCH: hotkeys fire
    std::set<std::string> told_elevated; // programs the tray has named as out of reach
};

// How the letters of an output follow the case the trigger was typed in
// ("Quillomat_CASE: on"): "btw", "Btw", "BTW".
enum class OutputCase : uint8_t { as_written, capitalized, upper };

// A trigger that fired, on its way to the keyboard (engine/prepare.cpp).
struct Preparation {
    enum class Stage : uint8_t {
        idle,
        waiting_for_modifiers, // the user's Ctrl, Shift or Alt still down: the keys wait
    } stage = Stage::idle;
    int entry = -1;
    int erase = 0; // Backspaces that take the typed trigger away
    OutputCase letters = OutputCase::as_written;
    uint32_t since = 0;    // when the wait began
    int32_t use_count = 0; // outputs prepared since start-up
};

// The output being played (engine/play.cpp).
struct Player {
    OutputScript script;        // empty when nothing plays
    std::size_t next = 0;       // the step the next tick starts with
    std::size_t chars_done = 0; // of a type step cut short by a paste, the characters already out
    bool active = false;
    bool searching = false;        // the search window is open: nothing typed is matched
    bool second_click_due = false; // a double click waits for its second half
    bool pasting = false;          // a paste was sent: the clipboard goes back once it is taken
    uint32_t paste_sent_at = 0;
    ScreenPoint saved_mouse{0, 0}; // the pointer when the trigger fired
    std::string trigger;           // the trigger as written (UTF-8), for messages
};

// "Backspace Undoes Expansion": right after an output made only of
// characters, Enter and Tab, a plain Backspace takes it back and types the
// trigger again. Any other key, a modifier, a click or another window in
// front ends the chance (engine/undo.cpp).
struct UndoChance {
    bool enabled = false;           // the option
    bool open = false;              // the next key may take the output back
    int typed = 0;                  // characters the output put in the window; -1: final
    std::array<char, 64> trigger{}; // the trigger's characters as they were typed
    WindowId window = 0;            // the window it was typed into
};

// Whether the keyboard is watched, and how (engine/input_watch.cpp).
struct InputWatch {
    bool polling = false; // polling was started: the timer runs unless paused or resting
    int pauses = 0;       // pause_polling calls not resumed yet
    bool watching =
        false; // started with events and the watch timer; until then polling never rests
    bool events_available = false;            // the platform said it reports events
    bool events = false;                      // key events arrive from the platform (trusted)
    bool resting = false;                     // the polling timer is off until input comes
    std::array<uint8_t, 256> event_down{};    // down by the last event for the key
    std::array<uint8_t, 256> event_pressed{}; // pressed since the poll last looked at the key
    std::array<uint32_t, 256> pressed_at{};   // the key's latest press event
    std::array<uint8_t, 64> presses{};        // keys pressed, in the order the events came
    uint8_t press_count = 0;
    uint32_t last_activity = 0; // the latest key change, polled or reported
    // Events stamped up to `own_input_until` are the program's own output.
    // The mark is dropped a while later: a time kept for weeks would wrap
    // around the millisecond clock and swallow the user's keys.
    bool own_input_pending = false;
    uint32_t own_input_until = 0;
    uint32_t event_count = 0, events_at_check = 0;
    uint32_t input_at_check = 0;
    int silent_checks = 0;
};

struct Engine {
    LoadedFile file;
    KeyMonitor keys;
    InputWatch watch;
    Preparation prepare;
    Player player;
    UndoChance undo;
    DiskCheck disk;
};
extern Engine engine;

// Everything as at start-up; the netbook flag, a fact of the computer, stays.
void reset_engine();
