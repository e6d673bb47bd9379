// The engine's timers and the files it works with.
#pragma once

#include "common/memory.h"
#include "common/text.h"
#include "engine/disk_copy.h"

#include <array>
#include <cstdint>
#include <string_view>

constexpr int polling_timer = 7771;  // keyboard poll and trigger match, every 10 ms
constexpr int playback_timer = 7772; // plays the output text
constexpr uint32_t polling_period_ms = 10;

struct EngineFiles {
    char trigger_file[path_capacity] = {};
    char debug_log[path_capacity] = "C:\\Quillomat_log.txt";
    DiskIdentity on_disk; // the trigger file as last loaded or saved
};
extern EngineFiles engine_files;

// The output of the trigger that fired, while it plays.
struct OutputState {
    HeapText text;                    // one line, no CR or LF; empty when no output is pending
    int32_t cursor = 0;               // the next character to play
    int32_t saved_x = 0, saved_y = 0; // the mouse pointer when the output was prepared
    int32_t use_count = 0;            // outputs prepared since start-up
    bool searching = false;           // the search window is open: nothing typed is matched
    std::array<char, 256> trigger{};  // the trigger that fired, as written (UTF-8), for messages
    bool pasting = false;             // a paste was sent: the clipboard goes back once it is taken
    uint32_t paste_sent_at = 0;
    int32_t typed_until = 0; // a text run being typed (no paste) ends here
};
extern OutputState output_state;

// "Backspace Undoes Expansion": right after an output made only of
// characters, Enter and Tab, a plain Backspace takes it back and types the
// trigger again. Any other key, a modifier, a click or another window in
// front ends the chance.
struct UndoChance {
    bool enabled = false;           // the option
    bool open = false;              // the next key may take the output back
    int typed = 0;                  // characters the output put in the window; -1: final
    std::array<char, 64> trigger{}; // the trigger's characters as they were typed
    uintptr_t window = 0;           // the window it was typed into
};
extern UndoChance undo_chance;
// The length of the output command ("RUN: ", "WINDOW: ", "LIST: ",
// "SEARCH:", "PAUSE:", any case) that starts at `at`; 0 when none does.
std::size_t output_command_at(const char* at);
// Appends a line, stamped with the time of day, to the debug log.
void append_debug_log(std::string_view line);

// How many characters `output` puts in the window (Enter and Tab one each),
// or -1 when anything else in it (another key, a command, a pause, a click)
// makes it final.
int undoable_length(const char* output);

// One polling-timer tick: poll the keyboard, match, and on a match prepare
// the output and start its playback.
void polling_tick();
// How the letters of an output follow the case the trigger was typed in
// ("Quillomat_CASE: on"): "btw", "Btw", "BTW".
enum class OutputCase : uint8_t { as_written, capitalized, upper };

// After entry `entry` matched on the key `new_key`: erase, fetch and prepare
// its output and start the playback timer.
void prepare_output(int entry, uint8_t new_key, OutputCase letters = OutputCase::as_written);
// One playback-timer tick.
void playback_tick();
// The search window has closed, with the entry picked or -1 for none: the
// entry's output plays as if it had fired, erasing nothing, and polling
// resumes. `line` names the file line the pick stood on (0: the first line of
// the trigger), so that of two lines with the same trigger each plays its own.
void search_window_closed(int entry, int line = 0);

// Routes a main-window timer to its tick; false for timers the engine does not own.
bool engine_on_timer(int id);
