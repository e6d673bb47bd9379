// The loop: every timer tick and every input event comes in here and goes to
// its stage.
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/platform.h"
#include "ui/status.h"

// Nothing holds the user's key back (the keyboard is watched, not hooked):
// it has reached the window, and the output stops rather than type on
// around it. A key that comes before the first tick only comes before the
// whole output.
namespace {
// The user pressed `vk` (a key or a button) while an output was on its way:
// it stops, unless it has not begun to type and the key is a modifier it
// waits for.
void user_pressed_during_output(int vk) {
    const bool modifier = vk == 16 || vk == 17 || vk == 18 || (vk >= 160 && vk <= 165);
    const Preparation::Stage stage = engine.prepare.stage;
    // Keys typed into a form are its own, and so are the ones that bring its
    // window back; only an output that is about to go out is given up.
    if (stage == Preparation::Stage::form_open || stage == Preparation::Stage::waiting_for_target)
        return;
    if (stage != Preparation::Stage::idle) {
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
} // namespace

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
    bool during_output = false;
    if (record_input_event(vk, down, time, &during_output)) polling_tick();
    if (during_output) user_pressed_during_output(vk);
}
