// The loop: every timer tick and every input event comes in here and goes to
// its stage.
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/platform.h"

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
        if (watch_tick()) polling_tick();
        break;
    case disk_check_timer:
        kill_timer(disk_check_timer);
        check_trigger_file();
        break;
    default:
        break;
    }
}

void engine_input_event(int vk, bool down, uint32_t time, uint16_t unit) {
    // A character sent as itself has no key to poll: its event is the keystroke.
    if (unit != 0) {
        if (record_character_event(down, time)) take_typed_unit(unit);
        return;
    }
    // The first event after a rest runs a polling tick at once.
    if (record_input_event(vk, down, time)) polling_tick();
}
