// The second seam: what the core shows through the program's own windows,
// and the one call those windows make back into the core (form_closed).
//
// The engine and the loader drive the editor, the status bar, the tray icon
// and the two popups through these calls; they never include the windows
// themselves. The Windows program implements them in app/, the simulated
// desktop records them for tests, and quillomat-check links a null version
// that does nothing.
#pragma once

#include "triggers/fields.h"

#include <string>
#include <string_view>

// ---- The editor of the trigger file -------------------------------------------

// Shows the trigger file's text (UTF-8) as it was loaded; the editor then
// holds no unsaved edits. `keep_place`: the caret and the first line shown
// stay where they were (a reload), else the caret goes to the start.
void set_editor_text(std::string_view utf8, bool keep_place = false);
// Locks the editor against typing (the file on screen could not be loaded), or unlocks it.
void set_editor_read_only(bool read_only);
// Whether the editor holds edits that are not saved yet.
bool editor_has_unsaved_edits();
// The editor's whole text (UTF-8), as the user sees it.
std::string editor_text_utf8();

// ---- The status bar and the tray icon -----------------------------------------

// Shows a text (UTF-8) in the status bar.
void set_status_text(const char* text);
// A short note from the tray icon (a balloon), where there is one.
void show_tray_note(const char* text);
// Shows that expansions were paused or resumed (status bar, tray icon) and keeps it in the
// settings.
void show_paused(bool paused);

// ---- The popups -----------------------------------------------------------------

// Opens the pick list with the items of `list_text` (";" between them), an
// output's 8-bit text.
void open_list_window(const char* list_text);
// Opens the search window (or brings the open one forward). Its rows come
// from search_items(); when it closes it calls search_window_closed. False
// when it could not be opened.
bool open_search_window();

// ---- The fill-in form ------------------------------------------------------------

// Opens the form that asks for an output's fields, in front of (and for)
// the request's target window. Once it has closed and the keyboard is back
// in that window, it calls form_closed (engine/engine.h), never from
// within this call. False when it could not be opened: then nothing is called.
bool open_fill_in_form(const FormRequest& request);

// ---- The core's entry point the windows call -------------------------------------

// The form has closed and the keyboard is back where it was (or the windows
// gave up waiting for that): with `submitted`, the output goes out with the
// values (one per field) once its window is in front; else nothing is
// erased or typed. The values are offered again the next time. The core
// implements this.
void form_closed(bool submitted, const FormValues& values);
