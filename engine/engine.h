// The engine: one loop from the keyboard to the window in front.
//
//   detect   engine/detect.cpp, engine/input_watch.cpp: key events and the
//            polling tick turn the keyboard into the history of typed characters
//   match    engine/match.cpp: the first trigger, in file order, that the newest key completes
//   prepare  engine/prepare.cpp: waits for the modifiers to go up, erases the
//            typed trigger, fills in the output and reads it into steps
//   play     engine/play.cpp: carries the steps out, one burst per playback tick;
//            engine/paste.cpp puts long runs of text in through the clipboard
//
// The trigger file comes in through engine/load.cpp and is watched by
// engine/disk_copy.cpp. engine/loop.cpp owns the polling timer and routes
// every timer to its stage. The shell calls what this header declares.
#pragma once

#include "engine/state.h"

#include <cstdint>
#include <string_view>

// ---- Watching the keyboard --------------------------------------------------------

// Starts watching: input events where the platform has them, polling, and
// the watch timer.
void start_watching();
// Matching stops (a load, a save, a question of the shell) and goes on
// again. Polling never resumes while an output is on its way: its end
// resumes it.
void pause_polling();
void resume_polling();
// A trigger fired and its output is not done yet (or the search window is open).
bool output_on_its_way();
// Switches expansions off or on (PAUSE:, the tray menu, the setting at start)
// and has the shell show it.
void set_expansions_paused(bool paused);

// ---- The trigger file ---------------------------------------------------------------

// What a load does when the file is missing: write the built-in examples
// there (the program's own file at a first start), or wait for it (a file
// the settings name, a reload: it may be on its way, from a sync tool).
enum class IfMissing : uint8_t { write_examples, wait };
// Loads the file at `path` into the trigger table and the editor, sets the
// markers' modes and reports the count in the status bar; matching stops
// meanwhile. A missing file is written from the built-in default (an
// existing one never is) or awaited, as `if_missing` says; a symbolic link
// to a missing file is always awaited, never replaced. A file that exists
// but cannot be read or holds bytes that are no text (or a default that
// cannot be written), or one awaited, is refused: it is left untouched, the
// table is empty and the editor empty and read-only. An awaited file is
// loaded as soon as it appears. `keep_place`: a reload, the editor's caret stays.
void load_triggers(const char* path, bool keep_place = false,
                   IfMissing if_missing = IfMissing::write_examples);
// Writes the editor's text (UTF-8) to the trigger file in the encoding it
// was read in (text the code page cannot hold turns an ANSI file into
// UTF-8 with a mark), through the one safe writer, and loads it again.
// False when the text did not take the file's place; `kept_at` then names
// the file that holds it, if the old file is gone, and `why` says what stood
// in the way (see replace_file).
bool save_trigger_text(std::string_view editor_text, std::string* kept_at = nullptr,
                       WriteProblem* why = nullptr);
// Something changed in the trigger file's folder: it is looked at a moment
// later, once the other program has finished writing.
void trigger_folder_changed();

// ---- The search window ----------------------------------------------------------------

// The search window has closed, with the trigger-table entry picked or -1
// for none: the entry's output plays as if it had fired, erasing nothing,
// and polling resumes.
void search_window_closed(int entry);

// ---- Random choices -----------------------------------------------------------------------

// Seeds the source {Random:} chooses from: once per start (tests fix it).
void seed_random_choices(uint32_t seed);

// ---- The debug log ----------------------------------------------------------------------

// Appends a line, stamped with the time of day, to the debug log.
void append_debug_log(std::string_view line);
