// What the simulated desktop's two halves (the platform and the program's
// own windows) share.
#pragma once

#include <string>

// Adds a line to the one log of everything the program did.
void sim_log_event(const std::string& kind, const std::string& text);
// The desktop as at start (see sim_reset).
void sim_reset_desktop();
// The program's windows as at start: an empty editor, no status text.
void sim_reset_ui();
