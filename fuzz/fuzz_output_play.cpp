// Any bytes as the output of a trigger that fires: preparation (variables,
// dates, the reading into steps) and the playback on the simulated desktop
// must stay in their buffers and end. The clock is virtual, so pauses cost
// nothing.
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/sim/sim.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
std::string temporary_path(const char* name) {
    char path[96];
    std::snprintf(path, sizeof path, "/tmp/quillomat-fuzz-%d-%s", static_cast<int>(getpid()), name);
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = temporary_path("triggers.txt");
    static const std::string log = temporary_path("log.txt"); // debug mode may be switched on
    sim_reset();
    sim_add_window("Target", ScreenRect{100, 100, 600, 500});
    sim_add_window("Untitled - Notepad", ScreenRect{0, 0, 300, 200}, false);
    sim_set_env("USERNAME", "Ann");
    sim_allow_program("notepad.exe");
    reset_engine();
    std::remove(log.c_str());

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fputs("f=", file);
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    load_triggers(path.c_str());
    engine.file.debug_log = log;
    if (engine.file.table.count < 1) return 0;

    // The trigger fires as if its key had just gone down.
    begin_output(0, 'F', OutputCase::as_written);
    // Every playback tick moves on through the text, so the ticks are bounded by its length.
    const std::size_t limit = size + 16;
    std::size_t ticks = 0;
    while (sim_timer_armed(playback_timer)) {
        if (++ticks > limit) std::abort();
        sim_fire_next_timer();
    }
    if (engine.player.active) std::abort(); // the output ends when its steps are done
    return 0;
}
