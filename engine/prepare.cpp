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

// The line's output, as the file wrote it.
std::string_view entry_output(const TriggerEntry& entry) {
    const std::string& text = engine.file.text;
    if (entry.output_at > text.size()) return {};
    return std::string_view(text).substr(entry.output_at, entry.output_length);
}

// The entry's output as it will play: the line's markup, with what comes
// from elsewhere set in as text pieces, filled in and read into steps.
OutputScript prepared_output(const TriggerEntry& entry, OutputCase letters) {
    OutputPieces pieces{OutputPiece{OutputPiece::markup, std::string(entry_output(entry))}};
    fill_in(pieces, letters);
    return compile_output(pieces);
}

// The modifiers are up (or waited for long enough): the trigger goes, and
// its output starts.
void send_output() {
    Preparation& prepare = engine.prepare;
    const TriggerEntry& entry = engine.file.table.entries[prepare.entry];
    for (int i = 0; i < prepare.erase; ++i)
        play_key_token(vk_backspace, press_and_release);
    note_own_input();
    engine.keys.history.fill(0);
    OutputScript script = prepared_output(entry, prepare.letters);
    prepare.stage = Preparation::Stage::idle;

    // The trigger as written, for the messages of commands that fail.
    const std::string_view written(entry.lookup_key.data() + 1);
    engine.player.trigger = engine_text_to_utf8(written.substr(0, written.size() - 1));
    ++prepare.use_count;
    status_printf(" Shortcuts Used:  %d", prepare.use_count);
    engine.player.saved_mouse = cursor_position();
    engine.undo.open = false;
    start_playback(std::move(script));
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
    prepare.entry = entry_index;
    prepare.letters = letters;
    // A plain trigger completed by a middle click has nothing typed to erase.
    prepare.erase = entry.flags == 0 && new_key != 4 ? entry.match_length : 0;
    prepare.since = tick_count();
    // The user's modifiers go up first, so that they do not change the keys sent.
    if (!modifiers_down()) return send_output();
    prepare.stage = Preparation::Stage::waiting_for_modifiers;
    set_timer(playback_timer, modifier_check_ms);
}

void prepare_tick() {
    if (modifiers_down() && tick_count() - engine.prepare.since < modifier_wait_ms) {
        set_timer(playback_timer, modifier_check_ms);
        return;
    }
    send_output();
}

void cancel_preparation() {
    engine.prepare.stage = Preparation::Stage::idle;
    kill_timer(playback_timer);
    engine.keys.history.fill(0);
}

void search_window_closed(int entry) {
    engine.player.searching = false;
    engine.undo.trigger.fill(0); // a pick erased nothing: an undo types nothing back
    engine.keys.history.fill(0);
    if (entry < 0 || entry >= engine.file.table.count) return output_done();
    engine.prepare.entry = entry;
    engine.prepare.letters = OutputCase::as_written;
    engine.prepare.erase = 0;
    send_output();
}
