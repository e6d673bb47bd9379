// The settings file's text (UTF-8): "[section]" lines and "key=value" lines,
// read as the system's profile calls read them, changed in memory, and
// written back whole, so that the file on disk is never left half written.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SettingsText {
    std::vector<std::string> lines; // without their line ends
};

SettingsText parse_settings(std::string_view utf8);
// The text with CR LF after every line.
std::string settings_to_text(const SettingsText& settings);
// The value of `key` in `section` (both without regard to ASCII case), with
// the blanks around it and one pair of enclosing quotes taken off; none when
// the key is not there.
std::optional<std::string> settings_value(const SettingsText& settings, std::string_view section,
                                          std::string_view key);
// Sets the key, adding it (and its section) where missing.
void set_settings_value(SettingsText& settings, std::string_view section, std::string_view key,
                        std::string_view value);
void remove_settings_value(SettingsText& settings, std::string_view section, std::string_view key);
// A text whose last line is incomplete, as a write cut short leaves it: the
// line, or none when the text ends as a whole file does.
std::optional<std::string> cut_short_line(std::string_view utf8);
