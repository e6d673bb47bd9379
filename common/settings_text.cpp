#include "common/settings_text.h"

#include "common/text.h"

namespace {
// The section a "[name]" line opens; none for any other line.
std::optional<std::string_view> section_of(std::string_view line) {
    line = trimmed(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
    return trimmed(line.substr(1, line.size() - 2));
}

struct KeyPlace {
    bool section = false; // the section is there
    bool key = false;     // the key is there, at `at`
    std::size_t at = 0;   // else where a new key of the section goes
};

KeyPlace find_key(const SettingsText& settings, std::string_view section, std::string_view key) {
    KeyPlace place;
    const auto& lines = settings.lines;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = section_of(lines[i])) {
            if (inside) break; // the first section of the name is the one read
            inside = same_nocase(*name, section);
            if (inside) place = KeyPlace{true, false, i + 1};
            continue;
        }
        if (!inside) continue;
        const std::string_view line = lines[i];
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && same_nocase(trimmed(line.substr(0, equals)), key)) {
            place.key = true;
            place.at = i;
            return place;
        }
        if (!trimmed(line).empty())
            place.at = i + 1; // after the section's last line, not its blanks
    }
    return place;
}
} // namespace

SettingsText parse_settings(std::string_view utf8) {
    SettingsText settings;
    while (!utf8.empty()) {
        const std::size_t end = utf8.find_first_of("\r\n");
        settings.lines.emplace_back(utf8.substr(0, end));
        if (end == std::string_view::npos) break;
        const bool pair = utf8[end] == '\r' && end + 1 < utf8.size() && utf8[end + 1] == '\n';
        utf8.remove_prefix(end + (pair ? 2 : 1));
    }
    return settings;
}

std::string settings_to_text(const SettingsText& settings) {
    std::string text;
    for (const std::string& line : settings.lines)
        text += line + "\r\n";
    return text;
}

std::optional<std::string> settings_value(const SettingsText& settings, std::string_view section,
                                          std::string_view key) {
    const KeyPlace place = find_key(settings, section, key);
    if (!place.key) return std::nullopt;
    const std::string_view line = settings.lines[place.at];
    std::string_view value = trimmed(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

void set_settings_value(SettingsText& settings, std::string_view section, std::string_view key,
                        std::string_view value) {
    const KeyPlace place = find_key(settings, section, key);
    std::string line = std::string(key) + "=" + std::string(value);
    auto& lines = settings.lines;
    if (place.key) {
        lines[place.at] = std::move(line);
    } else if (place.section) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place.at), std::move(line));
    } else {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(std::move(line));
    }
}

void remove_settings_value(SettingsText& settings, std::string_view section, std::string_view key) {
    const KeyPlace place = find_key(settings, section, key);
    if (place.key)
        settings.lines.erase(settings.lines.begin() + static_cast<std::ptrdiff_t>(place.at));
}

std::optional<std::string> cut_short_line(std::string_view utf8) {
    if (utf8.empty() || utf8.back() == '\n' || utf8.back() == '\r') return std::nullopt;
    const std::size_t start = utf8.find_last_of("\r\n");
    const std::string_view last = utf8.substr(start == std::string_view::npos ? 0 : start + 1);
    // A whole "key=value" or "[section]" line may just lack its line end.
    if (section_of(last) || last.find('=') != std::string_view::npos || trimmed(last).empty() ||
        trimmed(last).front() == ';')
        return std::nullopt;
    return std::string(last);
}
