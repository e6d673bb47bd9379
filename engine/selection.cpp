// {Selection}: what is selected in the window in front is copied (Ctrl+C,
// or Ctrl+Insert in console windows, where Ctrl+C stops the program), the
// copy is waited for by the clipboard's sequence number, and the user's
// clipboard goes back only once the program's own copy has landed, so that
// a late copy never lands on top of it.
#include "engine/engine.h"
#include "engine/stages.h"
#include "keys/synthesis.h"
#include "platform/platform.h"

#include <string>

namespace {
constexpr uint32_t copy_check_ms = 10;
// A window with nothing selected copies nothing: the output goes on without it then.
constexpr uint32_t copy_wait_ms = 500;
constexpr uint8_t vk_control = 17, vk_insert = 45;

void debug_note(const std::string& line) {
    if (engine.file.table.debug_mode) append_debug_log(line);
}
} // namespace

bool selection_wanted() {
    // A typed trigger has replaced any selection by the time it fires; and
    // some editors copy the whole line when nothing is selected.
    return engine.prepare.erase == 0 && holds_insert(engine.prepare.markup, InsertKind::selection);
}

bool start_selection_copy() {
    Preparation& prepare = engine.prepare;
    std::string not_kept;
    if (!clipboard_save(&not_kept)) {
        debug_note("the clipboard was busy: {Selection} copied nothing");
        return false;
    }
    if (!not_kept.empty()) debug_note("clipboard formats not kept: " + not_kept);
    prepare.copy_sequence = clipboard_sequence();
    const uint8_t key = is_console_window(front_program()) ? vk_insert : 'C';
    send_key(vk_control, false);
    send_key(key, false);
    send_key(key, true);
    send_key(vk_control, true);
    note_own_input(); // the copy keys' reports are not the user's
    prepare.stage = Preparation::Stage::copying_selection;
    prepare.copy_sent_at = tick_count();
    next_output_step_in(copy_check_ms);
    return true;
}

bool selection_copied() {
    Preparation& prepare = engine.prepare;
    const uint32_t waited = tick_count() - prepare.copy_sent_at;
    const uint32_t sequence = clipboard_sequence();
    const bool changed = sequence != prepare.copy_sequence;
    std::string text;
    // The copier may still hold the clipboard open, or write the text after
    // emptying it: its copy is done once the text can be read.
    const ClipboardText read = changed ? clipboard_text(&text) : ClipboardText::none;
    if (read != ClipboardText::text && waited < copy_wait_ms) {
        next_output_step_in(copy_check_ms);
        return false;
    }
    prepare.inserted.selection = cut_inserted_text(std::move(text));
    if (!changed) {
        debug_note("nothing was copied: {Selection} is empty");
        return true;
    }
    const bool given_back = clipboard_give_back(sequence);
    debug_note(std::string("selection copied after ") + std::to_string(waited) +
               " ms; the clipboard " +
               (given_back ? "was given back" : "was left as it was (copied meanwhile)"));
    return true;
}
