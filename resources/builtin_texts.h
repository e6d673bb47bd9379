// Packed built-in texts compiled into programs that have no resource section
// (the native builds). The Windows program carries them as RCDATA resources.
#pragma once

#include <string_view>

constexpr int help_text_id = 8001;
constexpr int default_triggers_id = 8002;

// The packed bytes of a built-in text, or an empty view.
std::string_view builtin_text_data(int id);
