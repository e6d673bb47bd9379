// The program's own windows on the simulated desktop: what the core shows is
// kept for tests to read, and written to the log.
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"
#include "ui/ui.h"

namespace {
struct SimWindows {
    std::string editor_text;
    bool editor_read_only = false;
    bool unsaved_edits = false;
    std::string status_text; // the latest
};
SimWindows windows;
} // namespace

void sim_reset_ui() {
    windows = SimWindows{};
}

const std::string& sim_editor_text() {
    return windows.editor_text;
}
std::string sim_status_text() {
    return windows.status_text;
}
void sim_set_unsaved_edits(bool unsaved) {
    windows.unsaved_edits = unsaved;
}
void sim_edit_editor(const std::string& utf8) {
    windows.editor_text = utf8;
    windows.unsaved_edits = true;
}

void set_editor_text(std::string_view utf8, bool keep_place) {
    windows.editor_text = std::string(utf8);
    windows.unsaved_edits = false;
    (void)keep_place;
}

void set_editor_read_only(bool read_only) {
    if (read_only != windows.editor_read_only)
        sim_log_event("editor", read_only ? "read-only" : "editable");
    windows.editor_read_only = read_only;
}

bool editor_has_unsaved_edits() {
    return windows.unsaved_edits;
}

std::string editor_text_utf8() {
    return windows.editor_text;
}

void set_status_text(const char* text) {
    windows.status_text = text ? text : "";
    sim_log_event("status", windows.status_text);
}

void show_tray_note(const char* text) {
    sim_log_event("note", text);
}

void show_paused(bool paused) {
    sim_log_event("paused", paused ? "on" : "off");
}

bool open_search_window() {
    sim_log_event("search", "open");
    return true;
}

void open_list_window(const char* list_text) {
    sim_log_event("list", list_text);
}
