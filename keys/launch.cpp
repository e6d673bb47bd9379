#include "keys/launch.h"

#include "common/text.h"

#include <cstring>

namespace {
constexpr std::size_t max_part_chars = 254;
// UTF-8: 254 characters of any script, the terminator, spare room.
constexpr std::size_t part_capacity = 4 * max_part_chars + 8;
constexpr uint32_t title_timeout_ms = 50;

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool is_quote(char c) {
    return c == '"' || c == '\'';
}
bool is_trimmed(char c) {
    return c == ' ' || c == '\t' || is_quote(c);
}

// Copies at most `max_chars` characters of UTF-8 (never half of one).
void copy_chars(char* dest, std::size_t capacity, std::string_view source, std::size_t max_chars) {
    std::size_t end = 0, chars = 0;
    while (end < source.size() && chars < max_chars) {
        ++end;
        while (end < source.size() && (static_cast<unsigned char>(source[end]) & 0xC0) == 0x80)
            ++end;
        ++chars;
    }
    copy_bounded(dest, capacity, source.substr(0, end));
}

void trim(char* text) {
    char* start = text;
    while (*start && is_trimmed(*start))
        ++start;
    std::size_t length = std::strlen(start);
    while (length > 0 && is_trimmed(start[length - 1]))
        --length;
    std::memmove(text, start, length);
    text[length] = '\0';
}
} // namespace

bool launch_command(const char* command_line) {
    if (!command_line) return false;
    const char* p = command_line;
    while (is_blank(*p))
        ++p;
    const char* program_start = p;
    const char* program_end;
    if (is_quote(*p)) {
        program_start = ++p;
        while (*p && !is_quote(*p))
            ++p;
        program_end = p;
    } else {
        while (*p && !is_blank(*p) && *p != '#')
            ++p;
        program_end = p;
    }
    char program[part_capacity];
    char arguments[part_capacity];
    const std::size_t program_length = static_cast<std::size_t>(program_end - program_start);
    copy_chars(program, sizeof program, std::string_view(program_start, program_length),
               max_part_chars);
    copy_chars(arguments, sizeof arguments, p, max_part_chars);
    trim(arguments);
    return shell_launch(program, arguments);
}

void enter_command_directory(const char* command) {
    char directory[path_capacity];
    copy_bounded(directory, sizeof directory, command);
    if (char* last = std::strrchr(directory, '\\')) *last = '\0';
    set_current_directory(directory);
}

bool run_command(const char* command) {
    enter_command_directory(command);
    if (launch_command(command)) return true;
    char quoted[4 * max_command_chars + 3]; // UTF-8 of the command's characters, quoted
    copy_bounded(quoted, sizeof quoted, "\"");
    append_bounded(quoted, sizeof quoted - 1, command);
    append_bounded(quoted, sizeof quoted, "\"");
    return launch_command(quoted);
}

WindowId find_window_by_title(const char* title) {
    if (!title || !*title) return 0;
    if (const WindowId exact = find_top_window(title)) return exact;
    for (int pass = 1; pass <= 3; ++pass) {
        for (WindowId window = foreground_window(); window; window = next_window(window)) {
            char title_text[4 * max_title_chars + 8];
            // A window that does not answer in time is passed over.
            if (!window_title(window, title_text, sizeof title_text, title_timeout_ms) ||
                !*title_text)
                continue;
            char text[sizeof title_text]; // its first 62 characters, as ever
            copy_chars(text, sizeof text, title_text, max_title_chars);
            const bool match = pass == 1   ? std::strcmp(text, title) == 0
                               : pass == 2 ? starts_with_nocase(text, title)
                                           : find_nocase(text, title) != nullptr;
            if (match) return window;
        }
    }
    return 0;
}

void activate_window(WindowId window) {
    if (!is_window(window)) return;
    bring_window_forward(window, is_minimized(window));
}
