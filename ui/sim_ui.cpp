// The program's own windows on the simulated desktop: what the core shows is
// kept for tests to read, and written to the log.
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"
#include "ui/ui.h"

#include <stdexcept>

namespace {
struct SimWindows {
    std::string editor_text;
    bool editor_read_only = false;
    bool unsaved_edits = false;
    std::string status_text; // the latest
};
SimWindows windows;

struct SimForm {
    bool open = false;
    bool refuse = false;
    FormRequest request;
    FormValues values;
};
SimForm form;
} // namespace

void sim_reset_ui() {
    windows = SimWindows{};
    form = SimForm{};
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

// ---- the fill-in form ----

namespace {
std::string shown(const FormField& field, const FieldValue& value) {
    if (field.kind == FieldKind::check) return value.ticked ? "[x]" : "[ ]";
    std::string text;
    for (const char c : value.text)
        text += c == '\n' ? std::string("\\n") : std::string(1, c);
    return text;
}

std::string shown_values() {
    std::string out;
    for (std::size_t i = 0; i < form.request.form.size(); ++i)
        out +=
            " | " + form.request.form[i].label + "=" + shown(form.request.form[i], form.values[i]);
    return out;
}
} // namespace

bool open_fill_in_form(const FormRequest& request) {
    if (form.refuse || form.open) return false;
    form.open = true;
    form.request = request;
    form.values = request.values;
    form.values.resize(request.form.size());
    sim_log_event("form", sim_open_form());
    return true;
}

std::string sim_open_form() {
    if (!form.open) return "";
    return form.request.caption + shown_values() + " | for " + std::to_string(form.request.target);
}

void sim_refuse_forms(bool refuse) {
    form.refuse = refuse;
}

void sim_fill_form(const std::string& label, const std::string& value) {
    if (!form.open) throw std::logic_error("no form is open to fill in");
    for (std::size_t i = 0; i < form.request.form.size(); ++i) {
        if (form.request.form[i].label != label) continue;
        form.values[i].text = value;
        form.values[i].ticked = value == "on";
        return;
    }
    throw std::invalid_argument("the form has no field " + label);
}

void sim_answer_form(bool submitted) {
    if (!form.open) throw std::logic_error("no form is open to answer");
    sim_log_event("form", std::string(submitted ? "ok" : "cancel") + shown_values());
    const FormValues values = form.values;
    form.open = false;
    form_closed(submitted, values);
}
