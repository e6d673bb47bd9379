// The program's windows where there are none (quillomat-check): the core's
// calls do nothing.
#include "ui/ui.h"

void set_editor_text(std::string_view, bool) {}
void set_editor_read_only(bool) {}
bool editor_has_unsaved_edits() {
    return false;
}
std::string editor_text_utf8() {
    return {};
}
void set_status_text(const char*) {}
void show_tray_note(const char*) {}
void show_paused(bool) {}
void open_list_window(const char*) {}
bool open_search_window() {
    return false;
}
bool open_fill_in_form(const FormRequest&) {
    return false;
}
