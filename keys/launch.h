// Starting programs and finding and activating windows, for "RUN: ",
// "WINDOW: " and the custom list.
#pragma once

#include "platform/platform.h"

constexpr std::size_t max_command_chars = 258;
constexpr std::size_t max_title_chars = 62;

// Splits a command line into program and arguments and starts it through the
// shell. True when it started.
bool launch_command(const char* command_line);
// Makes the folder of the command's program the current directory (the text
// before its last backslash); a command that names no folder changes nothing.
void enter_command_directory(const char* command);
// The whole "RUN: " procedure: directory, launch, and a second launch with
// the command in double quotes. False when both fail.
bool run_command(const char* command);
// The best window for a title: an exact title anywhere, else the first window
// from the foreground down whose title equals it, then begins with it, then
// contains it (case ignored but in the first). 0 when none does.
WindowId find_window_by_title(const char* title);
// Restores and shows the window and gives it the focus; nothing if it is gone.
void activate_window(WindowId window);
