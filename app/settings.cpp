// The settings file: an INI file beside the program, one section.
#include "app/shell.h"

#include <cstring>

const char* const settings_section = "Quillomat Settings";

bool setting_present(const char* key) {
    char value[32];
    GetPrivateProfileStringA(settings_section, key, "x", value, 31, shell.settings_path);
    return std::strcmp(value, "x") != 0;
}

int setting_int(const char* key) {
    return static_cast<int>(GetPrivateProfileIntA(settings_section, key, 0, shell.settings_path));
}

void setting_text(const char* key, char* out, std::size_t capacity) {
    GetPrivateProfileStringA(settings_section, key, "", out, static_cast<DWORD>(capacity),
                             shell.settings_path);
}

void write_setting(const char* key, const char* value) {
    WritePrivateProfileStringA(settings_section, key, value, shell.settings_path);
}

void write_setting_int(const char* key, int value) {
    char text[16];
    write_setting(key, format_decimal(value, text, sizeof text));
}
