// The settings file: an INI file beside the program, one section, kept as
// UTF-16 so that paths and names in any script survive.
#include "app/shell.h"

#include "common/memory.h"
#include "common/utf8.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"

#include <cstring>
#include <string>

namespace {
const wchar_t* const section = L"Quillomat Settings";
}

// The profile calls write UTF-16 only into a file that is UTF-16 already; a
// new file, or one an earlier version wrote in the code page, would get
// code-page text, and every character beyond the code page would become
// "?". So the file is made UTF-16 (little endian, with its mark) before
// anything is read or written: created so, or converted whole from the code
// page, which loses nothing. Earlier versions read such a file as before.
void prepare_settings_file() {
    char* raw = nullptr;
    std::size_t size = 0;
    const FileRead read = read_whole_file(shell.settings_path, 1u << 20, &raw, &size);
    HeapText text(raw);
    if (read != FileRead::ok && read != FileRead::missing) return;
    if (read == FileRead::ok && size >= 2 && std::memcmp(text.get(), "\xFF\xFE", 2) == 0) return;
    std::wstring wide(1, L'\xFEFF');
    if (read == FileRead::ok && size > 0) {
        const int length =
            MultiByteToWideChar(CP_ACP, 0, text.get(), static_cast<int>(size), nullptr, 0);
        if (length <= 0) return;
        wide.resize(1 + static_cast<std::size_t>(length));
        MultiByteToWideChar(CP_ACP, 0, text.get(), static_cast<int>(size), &wide[1], length);
    }
    (void)replace_file(shell.settings_path,
                         std::string_view(reinterpret_cast<const char*>(wide.data()),
                                          wide.size() * sizeof(wchar_t)));
}

bool setting_present(const char* key) {
    wchar_t value[32];
    GetPrivateProfileStringW(section, widen(key).c_str(), L"x", value, 31,
                             file_path(shell.settings_path).c_str());
    return std::wcscmp(value, L"x") != 0;
}

int setting_int(const char* key) {
    return static_cast<int>(GetPrivateProfileIntW(section, widen(key).c_str(), 0,
                                                  file_path(shell.settings_path).c_str()));
}

void setting_text(const char* key, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return;
    std::wstring value(capacity, L'\0'); // never more characters than UTF-8 bytes
    const DWORD got = GetPrivateProfileStringW(section, widen(key).c_str(), L"", &value[0],
                                               static_cast<DWORD>(capacity),
                                               file_path(shell.settings_path).c_str());
    const std::string utf8 = narrow(value.c_str(), static_cast<int>(got));
    copy_bounded(out, capacity, std::string_view(utf8).substr(0, utf8_prefix(utf8, capacity - 1)));
}

void write_setting(const char* key, const char* value) {
    WritePrivateProfileStringW(section, widen(key).c_str(), widen(value).c_str(),
                               file_path(shell.settings_path).c_str());
}

void write_setting_int(const char* key, int value) {
    char text[16];
    write_setting(key, format_decimal(value, text, sizeof text));
}
