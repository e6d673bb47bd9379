// Debug mode's log: a line, stamped with the time of day, for every trigger
// that fires and for what a paste did.
#include "engine/engine.h"
#include "platform/platform.h"
#include "ui/status.h"

#include <cstdio>
#include <string>

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
