// After a match: the output is composed as it fires (engine/compose.cpp),
// the selection it takes is copied (engine/selection.cpp), its form asks
// for its fields (engine/form_step.cpp), the modifiers go up, the typed
// trigger is erased, and the output is filled in (engine/fill_in.cpp) and
// read into steps for the player. Every wait is a playback-timer step.
#include "common/text.h"
#include "engine/engine.h"
#include "engine/stages.h"
#include "keys/key_tokens.h"
#include "keys/synthesis.h"
#include "platform/platform.h"
#include "triggers/encoding.h"
#include "ui/status.h"
#include "ui/ui.h"

#include <string>

namespace {
constexpr uint32_t modifier_wait_ms = 1000; // then the output goes out all the same
constexpr uint32_t modifier_check_ms = 10;
constexpr uint8_t vk_backspace = 8;

bool modifiers_down() {
    return key_is_down(16) || key_is_down(17) || key_is_down(18);
}

// The trigger as written, with its "=": a pattern may be longer than its lookup key holds.
std::string written_key(const TriggerEntry& entry) {
    if (entry.pattern) return std::string(written_trigger(engine.file.text, entry)) + "=";
    return entry.lookup_key.data() + 1;
}

// A form's values in place of its fields, in every markup piece.
OutputPieces with_form_values(const OutputPieces& pieces, const FilledForm& form) {
    if (form.form.empty()) return pieces;
    OutputPieces out;
    for (const OutputPiece& piece : pieces) {
        if (piece.kind != OutputPiece::markup) {
            out.push_back(piece);
            continue;
        }
        for (OutputPiece& filled : compose_output(piece.content, form.form, form.values))
            out.push_back(std::move(filled));
    }
    return out;
}

// The output as it will play: the markup composed when it fired, with what
// comes from elsewhere (a pattern's captures, a form's values, the
// clipboard, the selection) set in as text pieces, filled in and read into
// steps.
OutputScript prepared_output(const Preparation& prepare) {
    const TriggerEntry& entry = engine.file.table.entries[prepare.entry];
    OutputPieces pieces = with_form_values(
        entry.pattern ? pattern_output(prepare.entry, prepare.markup, prepare.pattern)
                      : OutputPieces{OutputPiece{OutputPiece::markup, prepare.markup}},
        prepare.form);
    set_in_inserted_text(pieces);
    fill_in(pieces, prepare.letters);
    return compile_output(pieces);
}

// Everything is ready: the trigger goes, and its output starts.
void send_output() {
    Preparation& prepare = engine.prepare;
    for (int i = 0; i < prepare.erase; ++i)
        play_key_token(vk_backspace, press_and_release);
    note_own_input(); // the Backspaces' reports are not the user's keys
    forget_typed();
    OutputScript script = prepared_output(prepare);
    prepare.stage = Preparation::Stage::idle;
    prepare.form = FilledForm{};

    engine.player.trigger = prepare.trigger; // for the messages of commands that fail
    ++prepare.use_count;
    status_printf(" Shortcuts Used:  %d", prepare.use_count);
    tell_what_was_not_inserted();
    engine.player.saved_mouse = cursor_position();
    engine.undo.open = false;
    start_playback(std::move(script));
}

// True while the user's Ctrl, Shift or Alt is still down (for a second at
// most): they would change the keys sent. The wait goes on in prepare_tick.
bool waiting_for_modifiers() {
    Preparation& prepare = engine.prepare;
    if (prepare.stage != Preparation::Stage::waiting_for_modifiers) prepare.since = tick_count();
    if (!modifiers_down() || tick_count() - prepare.since >= modifier_wait_ms) {
        prepare.stage = Preparation::Stage::idle;
        return false;
    }
    prepare.stage = Preparation::Stage::waiting_for_modifiers;
    next_output_step_in(modifier_check_ms);
    return true;
}

// A fired entry, as it is now: its output goes out as it was composed when
// the trigger fired, even if the file is saved meanwhile.
void take_entry(int entry_index, WindowId target) {
    const TriggerEntry& entry = engine.file.table.entries[entry_index];
    Preparation& prepare = engine.prepare;
    prepare.entry = entry_index;
    const std::string written = written_key(entry);
    prepare.trigger = engine_text_to_utf8(std::string_view(written).substr(0, written.size() - 1));
    prepare.selection_taken = false;
    prepare.form = FilledForm{};
    prepare.form_answered = false;
    prepare.form_for = target;
    compose_fired_output(entry_index);
}

// What was typed of a plain trigger, to type it back if the output is undone.
void remember_typed_trigger(const TriggerEntry& entry) {
    engine.undo.trigger.fill(0);
    if (entry.flags != 0) return;
    if (entry.pattern) { // the stretch it matched, in the code page the keys typed it in
        const std::vector<std::string>& groups = engine.prepare.pattern.groups;
        std::string typed;
        if (!groups.empty() && utf8_to_code_page(groups[0], &typed))
            copy_bounded(engine.undo.trigger.data(), engine.undo.trigger.size(), typed.c_str());
        return;
    }
    for (int i = 0; i < entry.match_length && i < 63; ++i)
        engine.undo.trigger[static_cast<std::size_t>(i)] =
            engine.keys.history[static_cast<std::size_t>(entry.match_length - 1 - i)];
}
} // namespace

void go_on_preparing() {
    Preparation& prepare = engine.prepare;
    // Ctrl+C for {Selection} goes out with every modifier up.
    if (!prepare.selection_taken && selection_wanted()) {
        if (waiting_for_modifiers()) return;
        prepare.selection_taken = true;
        if (start_selection_copy()) return;
    }
    if (!prepare.form_answered) {
        prepare.form_answered = true;
        if (ask_for_fields(prepare.form_for)) return;
    }
    if (waiting_for_modifiers()) return;
    send_output();
}

void begin_output(int entry_index, uint8_t new_key, OutputCase letters,
                  const PatternMatch* pattern) {
    const TriggerEntry& entry = engine.file.table.entries[entry_index];
    Preparation& prepare = engine.prepare;
    prepare.pattern = pattern ? *pattern : PatternMatch();
    remember_typed_trigger(entry);
    if (engine.file.table.debug_mode) append_debug_log("\"" + written_key(entry) + "\"");
    take_entry(entry_index, foreground_window());
    prepare.letters = letters;
    // A plain trigger completed by a middle click has nothing typed to erase;
    // a pattern erases the stretch it matched.
    prepare.erase = entry.flags == 0 && new_key != 4 ? entry.match_length : 0;
    if (entry.pattern) prepare.erase = prepare.pattern.length;
    go_on_preparing();
}

void prepare_tick() {
    switch (engine.prepare.stage) {
    case Preparation::Stage::copying_selection:
        if (selection_copied()) go_on_preparing();
        return;
    case Preparation::Stage::waiting_for_target:
        if (form_target_in_front()) go_on_preparing();
        return;
    case Preparation::Stage::waiting_for_modifiers:
        return go_on_preparing();
    default:
        return;
    }
}

void cancel_preparation() {
    engine.prepare.stage = Preparation::Stage::idle;
    kill_timer(playback_timer);
    forget_typed();
}

void search_window_closed(int entry) {
    engine.player.searching = false;
    engine.undo.trigger.fill(0); // a pick erased nothing: an undo types nothing back
    forget_typed();
    if (entry < 0 || entry >= engine.file.table.count) return output_done();
    engine.prepare.pattern = PatternMatch(); // nothing typed: a pattern's groups are empty
    take_entry(entry, engine.player.before_search);
    engine.prepare.letters = OutputCase::as_written;
    engine.prepare.erase = 0;
    go_on_preparing();
    if (!output_on_its_way()) output_done(); // a form that did not open
}

void form_closed(bool submitted, const FormValues& values) {
    if (keep_form_answer(submitted, values) && form_target_in_front()) go_on_preparing();
    if (!output_on_its_way()) output_done();
}
