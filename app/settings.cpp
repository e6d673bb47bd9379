// The settings file: an INI file beside the program, one section, kept as
// UTF-16 (little endian, with its mark) so that paths and names in any
// script survive, and earlier versions still read it. It is read whole and
// written whole, through the one safe writer: a write cut short leaves the
// old file as it was.
#include "app/shell.h"

#include "common/memory.h"
#include "common/settings_text.h"
#include "common/utf8.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "ui/status.h"

#include <cstring>
#include <string>

namespace {
constexpr const char* section = "Quillomat Settings";
constexpr std::size_t max_settings_size = 1u << 20;

// A file there but unreadable at start is never written over: it may hold
// settings that only could not be read just then.
bool leave_file_alone = false;

// The file's text in UTF-8, from UTF-16 with its mark, UTF-8 with its mark,
// or the code page (a file an earlier version or the user wrote). `odd`: a
// UTF-16 file with half a character at its end.
std::string decode(std::string_view bytes, bool* odd) {
    *odd = false;
    if (bytes.size() >= 2 && std::memcmp(bytes.data(), "\xFF\xFE", 2) == 0) {
        *odd = bytes.size() % 2 != 0;
        std::wstring wide((bytes.size() - 2) / 2, L'\0');
        std::memcpy(&wide[0], bytes.data() + 2, wide.size() * sizeof(wchar_t));
        return narrow(wide.c_str(), static_cast<int>(wide.size()));
    }
    if (bytes.size() >= 3 && std::memcmp(bytes.data(), "\xEF\xBB\xBF", 3) == 0)
        return std::string(bytes.substr(3));
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, &wide[0], length);
    return narrow(wide.c_str(), length);
}

// Reads the whole file; `bytes` gets its bytes.
FileRead read_settings_file(std::string& bytes) {
    char* raw = nullptr;
    std::size_t size = 0;
    const FileRead read = read_whole_file(shell.settings_path, max_settings_size, &raw, &size);
    const HeapText text(raw);
    bytes.assign(raw ? raw : "", raw ? size : 0);
    return read;
}

SettingsText current_settings() {
    std::string bytes;
    bool odd = false;
    return read_settings_file(bytes) == FileRead::ok ? parse_settings(decode(bytes, &odd))
                                                     : SettingsText{};
}

// Writes the settings whole; "" when they are on disk, else why not.
std::string write_settings_file(const SettingsText& settings) {
    const std::wstring wide = L"\xFEFF" + widen(settings_to_text(settings));
    WriteProblem why = WriteProblem::none;
    if (replace_file(shell.settings_path,
                     std::string_view(reinterpret_cast<const char*>(wide.data()),
                                      wide.size() * sizeof(wchar_t)),
                     nullptr, &why))
        return {};
    const std::string words = write_problem_words(why);
    return words.empty() ? "It could not be written." : words;
}

// Changes the settings on disk: read, changed, written whole.
void change_settings(void (*change)(SettingsText&, const char*, const char*), const char* key,
                     const char* value) {
    if (leave_file_alone) return;
    std::string bytes;
    const FileRead read = read_settings_file(bytes);
    if (read != FileRead::ok && read != FileRead::missing) return;
    bool odd = false;
    const std::string text = decode(bytes, &odd);
    SettingsText settings = parse_settings(text);
    if (cut_short_line(text)) settings.lines.pop_back(); // half a line is no setting
    change(settings, key, value);
    if (!write_settings_file(settings).empty())
        status_printf(" Settings not saved: %s cannot be written", shell.settings_path);
}
} // namespace

std::string load_settings_file() {
    std::string bytes;
    const FileRead read = read_settings_file(bytes);
    if (read == FileRead::missing) return {};
    const std::string unread = std::string("Quillomat could not read its settings file whole:\n\n") +
                               shell.settings_path + "\n\n";
    if (read != FileRead::ok) {
        leave_file_alone = true;
        return unread +
               "It could not be read (another program may hold it, or you may not have access "
               "to it). Quillomat starts with its default settings and leaves the file as it is.";
    }
    bool odd = false;
    const std::string text = decode(bytes, &odd);
    const auto cut = cut_short_line(text);
    // An earlier version's file in the code page becomes UTF-16, which
    // loses nothing: the profile calls of earlier versions read both.
    const bool utf16 = bytes.size() >= 2 && std::memcmp(bytes.data(), "\xFF\xFE", 2) == 0;
    if (!utf16 && !cut) {
        const std::string failed = write_settings_file(parse_settings(text));
        if (!failed.empty())
            return std::string("Quillomat could not rewrite its settings file in Unicode:\n\n") +
                   shell.settings_path + "\n\n" + failed +
                   " Its settings are read as they are; a setting that changes while the file "
                   "cannot be written is not kept, and the status bar says so.";
    }
    if (!odd && !cut) return {};
    return unread + "It ends in the middle of a line" +
           (cut ? ": \"" + *cut + "\"" : std::string()) +
           ", as a write cut short leaves it. The settings before it are used, and the file is "
           "written whole again when a setting changes.";
}

bool setting_present(const char* key) {
    const auto value = settings_value(current_settings(), section, key);
    return value && *value != "x";
}

int setting_int(const char* key) {
    const auto value = settings_value(current_settings(), section, key);
    if (!value) return 0;
    // As the profile calls read a number: a sign and the digits at its start.
    const char* text = value->c_str();
    const bool negative = *text == '-';
    if (negative || *text == '+') ++text;
    int number = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        number = static_cast<int>(static_cast<unsigned>(number) * 10u + unsigned(*text - '0'));
    return negative ? -number : number;
}

void setting_text(const char* key, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return;
    const std::string value = settings_value(current_settings(), section, key).value_or("");
    copy_bounded(out, capacity,
                 std::string_view(value).substr(0, utf8_prefix(value, capacity - 1)));
}

void write_setting(const char* key, const char* value) {
    change_settings([](SettingsText& settings, const char* k,
                       const char* v) { set_settings_value(settings, section, k, v); },
                    key, value);
}

void remove_setting(const char* key) {
    change_settings([](SettingsText& settings, const char* k,
                       const char*) { remove_settings_value(settings, section, k); },
                    key, "");
}

void write_setting_int(const char* key, int value) {
    char text[16];
    write_setting(key, format_decimal(value, text, sizeof text));
}
