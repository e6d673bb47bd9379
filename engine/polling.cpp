// When the keyboard is polled: one pair of calls pauses and resumes it, and
// it never resumes while an output is on its way. The polling timer is armed
// here and only here.
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/platform.h"
#include "ui/status.h"
#include "ui/ui.h"

void output_done() {
    // Events still on their way for keys the program sent (the Backspaces
    // that erased a trigger, keys typed into the search window) are not the user's.
    note_own_input();
    continue_polling();
}

// Nothing holds the user's key back (the keyboard is watched, not hooked):
// it has reached the window, and the output stops rather than type on
// around it. A key that comes before the first tick only comes before the
// whole output.
void user_pressed_during_output(int vk) {
    const bool modifier = vk == 16 || vk == 17 || vk == 18 || (vk >= 160 && vk <= 165);
    if (engine.prepare.stage != Preparation::Stage::idle) {
        if (modifier) return; // the very keys the output waits for
        cancel_preparation();
    } else if (engine.player.active && engine.player.next > 0) {
        stop_playback();
    } else {
        return;
    }
    status_printf(" Output stopped: a key was pressed while it played");
    if (!output_on_its_way()) output_done();
}

void start_polling() {
    engine.watch.polling = true;
    continue_polling();
}

void continue_polling() {
    if (!engine.watch.polling || engine.watch.pauses > 0 || output_on_its_way()) return;
    set_timer(polling_timer, 10);
}

void pause_polling() {
    ++engine.watch.pauses;
    kill_timer(polling_timer);
}

void resume_polling() {
    if (engine.watch.pauses > 0) --engine.watch.pauses;
    continue_polling();
}

bool output_on_its_way() {
    return engine.prepare.stage != Preparation::Stage::idle || engine.player.active ||
           engine.player.searching;
}

void note_own_input() {
    engine.watch.own_input_pending = true;
    engine.watch.own_input_until = tick_count();
}

void set_expansions_paused(bool paused) {
    engine.keys.paused = paused;
    engine.keys.history.fill(0);
    show_paused(paused);
}
