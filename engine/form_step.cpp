// A trigger whose output has fields: its form asks for them before anything
// is erased, and the output goes out only into the window it was for, once
// that window is in front again.
#include "engine/engine.h"
#include "engine/search.h"
#include "engine/stages.h"
#include "platform/platform.h"
#include "ui/status.h"
#include "ui/ui.h"

namespace {
// After the form, the window it was for has this long to come back in front.
constexpr uint32_t target_wait_ms = 1000;
constexpr uint32_t target_check_ms = 10;

Preparation& prepare = engine.prepare;

// Nothing is erased or typed; the values stay for the next time.
void give_up(const char* why) {
    prepare.stage = Preparation::Stage::idle;
    prepare.form = FilledForm{};
    engine.keys.history.fill(0);
    status_printf(" Nothing typed: %s", why);
}
} // namespace

bool ask_for_fields(WindowId target) {
    Form form = read_form(prepare.markup);
    if (form.empty()) return false;
    FormRequest request;
    request.caption = trigger_label(engine.file, prepare.entry);
    const auto last = prepare.last_forms.find(prepare.trigger);
    request.values = last == prepare.last_forms.end()
                         ? default_values(form)
                         : starting_values(form, last->second.form, last->second.values);
    request.form = form;
    request.target = target;
    prepare.form = FilledForm{std::move(form), {}};
    prepare.form_for = target;
    // Set first: it keeps the keyboard unwatched while the form is open.
    prepare.stage = Preparation::Stage::form_open;
    if (!open_fill_in_form(request)) give_up("the form could not be opened");
    return true;
}

bool keep_form_answer(bool submitted, const FormValues& values) {
    if (prepare.stage != Preparation::Stage::form_open) return false;
    // Cancelled ones too: an Escape by mistake loses nothing typed.
    prepare.last_forms[prepare.trigger] = FilledForm{prepare.form.form, values};
    if (!submitted) {
        // The trigger stays as it was typed; what is typed next starts afresh.
        prepare.stage = Preparation::Stage::idle;
        prepare.form = FilledForm{};
        engine.keys.history.fill(0);
        return false;
    }
    prepare.form.values = values;
    prepare.stage = Preparation::Stage::waiting_for_target;
    prepare.since = tick_count();
    return true;
}

bool form_target_in_front() {
    const WindowId target = prepare.form_for;
    if (target != 0 && foreground_window() == target) return true;
    if (!is_window(target)) {
        give_up("the window the form was for has closed");
    } else if (tick_count() - prepare.since >= target_wait_ms) {
        give_up("another window is in front of the one the form was for");
    } else {
        next_output_step_in(target_check_ms);
    }
    return false;
}
