// After a match: the modifiers go up first, then the typed trigger is erased
// and the output, taken from the loaded file, is filled in (engine/fill_in.cpp)
// and read into steps for the player.
#include "common/text.h"
#include "engine/engine.h"
#include "engine/stages.h"
#include "keys/key_tokens.h"
#include "keys/synthesis.h"
#include "platform/platform.h"
#include "triggers/encoding.h"
#include "ui/status.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
constexpr uint32_t modifier_wait_ms = 1000; // then the output goes out all the same
constexpr uint32_t modifier_check_ms = 10;
constexpr uint8_t vk_backspace = 8;

bool modifiers_down() {
    return key_is_down(16) || key_is_down(17) || key_is_down(18);
}

// The output as it will play: the line's markup, with what comes from
// elsewhere (a form's values) set in as text pieces, filled in and read
// into steps.
OutputScript prepared_output(const Preparation& prepare) {
    OutputPieces pieces =
        prepare.form.form.empty()
            ? OutputPieces{OutputPiece{OutputPiece::markup, prepare.output}}
            : compose_output(prepare.output, prepare.form.form, prepare.form.values);
    fill_in(pieces, prepare.letters);
    return compile_output(pieces);
}

// The modifiers are up (or waited for long enough): the trigger goes, and
// its output starts.
void send_output() {
    Preparation& prepare = engine.prepare;
    for (int i = 0; i < prepare.erase; ++i)
        play_key_token(vk_backspace, press_and_release);
    engine.keys.history.fill(0);
    OutputScript script = prepared_output(prepare);
    prepare.stage = Preparation::Stage::idle;
    prepare.form = FilledForm{};

    // The trigger as written, for the messages of commands that fail.
    engine.player.trigger = prepare.trigger;
    ++prepare.use_count;
    status_printf(" Shortcuts Used:  %d", prepare.use_count);
    engine.player.saved_mouse = cursor_position();
    engine.undo.open = false;
    start_playback(std::move(script));
}

// The entry's output and trigger as they are now: the output goes out as
// the file said when the trigger fired.
void take_entry(int entry_index) {
    const TriggerEntry& entry = engine.file.table.entries[entry_index];
    Preparation& prepare = engine.prepare;
    prepare.entry = entry_index;
    prepare.output = std::string(entry_output(entry));
    const std::string_view written(entry.lookup_key.data() + 1);
    prepare.trigger = engine_text_to_utf8(written.substr(0, written.size() - 1));
}

// What was typed of a plain trigger, to type it back if the output is undone.
void remember_typed_trigger(const TriggerEntry& entry) {
    engine.undo.trigger.fill(0);
    if (entry.flags != 0) return;
    for (int i = 0; i < entry.match_length && i < 63; ++i)
        engine.undo.trigger[static_cast<std::size_t>(i)] =
            engine.keys.history[static_cast<std::size_t>(entry.match_length - 1 - i)];
}
} // namespace

void begin_output(int entry_index, uint8_t new_key, OutputCase letters) {
    const TriggerEntry& entry = engine.file.table.entries[entry_index];
    remember_typed_trigger(entry);
    if (engine.file.table.debug_mode)
        append_debug_log(std::string("\"") + (entry.lookup_key.data() + 1) + "\"");
    Preparation& prepare = engine.prepare;
    take_entry(entry_index);
    prepare.letters = letters;
    // A plain trigger completed by a middle click has nothing typed to erase.
    prepare.erase = entry.flags == 0 && new_key != 4 ? entry.match_length : 0;
    if (ask_for_fields(foreground_window())) return;
    send_once_modifiers_are_up();
}

void send_once_modifiers_are_up() {
    Preparation& prepare = engine.prepare;
    prepare.since = tick_count();
    // The user's modifiers go up first, so that they do not change the keys sent.
    if (!modifiers_down()) return send_output();
    prepare.stage = Preparation::Stage::waiting_for_modifiers;
    set_timer(playback_timer, modifier_check_ms);
}

void prepare_tick() {
    const Preparation::Stage stage = engine.prepare.stage;
    if (stage == Preparation::Stage::waiting_for_target) return form_target_tick();
    if (stage != Preparation::Stage::waiting_for_modifiers) return;
    if (modifiers_down() && tick_count() - engine.prepare.since < modifier_wait_ms) {
        set_timer(playback_timer, modifier_check_ms);
        return;
    }
    send_output();
}

void search_window_closed(int entry) {
    engine.player.searching = false;
    engine.undo.trigger.fill(0); // a pick erased nothing: an undo types nothing back
    engine.keys.history.fill(0);
    if (entry < 0 || entry >= engine.file.table.count) return output_done();
    take_entry(entry);
    engine.prepare.letters = OutputCase::as_written;
    engine.prepare.erase = 0;
    if (!ask_for_fields(engine.player.before_search)) return send_output();
    if (!output_on_its_way()) output_done(); // the form did not open
}

void append_debug_log(std::string_view line) {
    const LocalTime now = local_time();
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", now.hour, now.minute, now.second);
    const std::string stamped = stamp + std::string(line) + "\r\n";
    if (append_to_file(engine.file.debug_log.c_str(), stamped)) return;
    // The trigger file's folder may not take new files: the log goes to the
    // user's own folder instead, and the status bar says where, once.
    const std::string folder = user_data_folder();
    if (folder.empty()) return;
    const std::string fallback = folder + "Quillomat_log.txt";
    if (!append_to_file(fallback.c_str(), stamped)) return;
    status_printf(" The debug log is written to %s", fallback.c_str());
    engine.file.debug_log = fallback;
}
