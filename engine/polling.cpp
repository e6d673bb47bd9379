// When the keyboard is polled: one pair of calls pauses and resumes it, and
// it never resumes while an output is on its way. The polling timer and the
// playback timer are armed here and only here.
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

void next_output_step_in(uint32_t ms) {
    set_timer(playback_timer, ms);
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
    forget_typed();
    show_paused(paused);
}
