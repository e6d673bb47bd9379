// Long runs of plain text go in through the clipboard, in one paste. The
// user's clipboard is given back only once the window has read the pasted
// text: a window that reads late would otherwise paste the user's own data
// (a password just copied) in place of the output. A window that reads
// nothing in time gets the text typed, when it is still in front; otherwise
// the text stays on the clipboard, and the status bar says which.
#include "common/text.h"
#include "common/utf8.h"
#include "engine/engine.h"
#include "engine/stages.h"
#include "keys/synthesis.h"
#include "platform/platform.h"
#include "ui/status.h"

#include <string>

namespace {
constexpr uint32_t paste_check_ms = 5; // how often a sent paste is looked at
// A window busy for a while (a large document, a slow remote session) still
// takes its paste within this; one that has not by then is taken to ignore it.
constexpr uint32_t paste_wait_ms = 3000;

Player& player = engine.player;

void debug_note(const std::string& line) {
    if (engine.file.table.debug_mode) append_debug_log(line);
}

// Ctrl+V, or Shift+Insert in the console windows that take no Ctrl+V.
void send_paste_keys(const FrontProgram& front) {
    const bool console = is_console_window(front);
    const uint8_t modifier = console ? 16 : 17, key = console ? 45 : 'V';
    send_key(modifier, false);
    send_key(key, false);
    send_key(key, true);
    send_key(modifier, true);
}

// The window read the text: the user's clipboard comes back, unless they
// copied something else meanwhile.
void paste_taken(uint32_t waited) {
    const bool restored = clipboard_restore();
    debug_note("paste taken after " + std::to_string(waited) + " ms; the clipboard " +
               (restored ? "was given back" : "was left as it was (copied meanwhile)"));
}

// Nothing read the text in time. Typed instead while the same window is in
// front and the user has not taken over; the text, taken off the clipboard
// first, can then no longer arrive twice. Otherwise it stays on the
// clipboard (never the user's data, which the window may still paste), and
// how much the output put in the window is not known.
void paste_not_taken(const OutputStep& run) {
    const bool same_window = foreground_window() == player.paste_window;
    if (!player.stop_asked && same_window && clipboard_withdraw_paste()) {
        type_chars(run);
        status_printf(" The window did not take the paste: the text was typed instead");
        debug_note("paste not taken: typed instead; the clipboard was emptied");
        return;
    }
    if (clipboard_paste_taken()) return paste_taken(paste_wait_ms); // read at the last moment
    player.typed_unknown = true;
    status_printf(" The window did not take the paste: the text is left on the clipboard");
    debug_note("paste not taken: the text is left on the clipboard");
}
} // namespace

bool paste_run(const OutputStep& step) {
    const TriggerTable& table = engine.file.table;
    if (table.paste_at <= 0 || step.chars.size() < static_cast<std::size_t>(table.paste_at))
        return false;
    const FrontProgram front = front_program();
    if (program_matches(table.type_in, front)) return false;
    std::string run;
    for (const TypedChar& c : step.chars)
        utf8_append(run, c.code_point ? c.code_point : 0xFFFD);
    std::string not_kept;
    if (!clipboard_put_for_paste(run.c_str(), &not_kept)) {
        debug_note("the clipboard was busy: the text was typed");
        return false;
    }
    if (!not_kept.empty()) debug_note("clipboard formats not kept: " + not_kept);
    send_paste_keys(front);
    player.pasting = true;
    player.paste_sent_at = tick_count();
    player.paste_window = front.window;
    player.paste_step = player.next - 1;
    next_output_step_in(paste_check_ms);
    return true;
}

bool waiting_for_paste() {
    if (!player.pasting) return false;
    const uint32_t waited = tick_count() - player.paste_sent_at;
    if (clipboard_paste_taken()) {
        player.pasting = false;
        paste_taken(waited);
        return false;
    }
    if (waited < paste_wait_ms) {
        next_output_step_in(paste_check_ms);
        return true;
    }
    player.pasting = false;
    paste_not_taken(player.script[player.paste_step]);
    return false;
}
