// The loop's one owner of timing: the polling timer is armed here and only
// here, and every timer tick goes to its stage from here.
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/platform.h"

Engine engine;

void reset_engine() {
    const bool netbook = engine.file.table.netbook;
    engine = Engine{};
    engine.file.table.netbook = netbook;
}

void output_done() {
    // Events still on their way for keys the program sent (the Backspaces
    // that erased a trigger, keys typed into the search window) are not the user's.
    note_own_input();
    continue_polling();
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

void engine_on_timer(int id) {
    switch (id) {
    case polling_timer:
        kill_timer(polling_timer); // each arming gives one tick, which arms the next
        polling_tick();
        break;
    case playback_timer:
        kill_timer(playback_timer);
        if (engine.prepare.stage != Preparation::Stage::idle)
            prepare_tick();
        else
            playback_tick();
        if (!output_on_its_way()) output_done();
        break;
    case watch_timer: // periodic
        watch_tick();
        break;
    case disk_check_timer:
        kill_timer(disk_check_timer);
        check_trigger_file();
        break;
    default:
        break;
    }
}
