#include "platform/win32/wide.h"

#include <vector>
#include <windows.h>

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &wide[0], length);
    return wide;
}

std::string narrow(const wchar_t* wide, int length) {
    if (!wide || length == 0 || (length < 0 && !*wide)) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, &utf8[0], size, nullptr, nullptr);
    if (length < 0 && !utf8.empty() && utf8.back() == '\0') utf8.pop_back();
    return utf8;
}

std::wstring file_path(std::string_view utf8) {
    std::wstring wide = widen(utf8);
    // Below the limit, and relative or already prefixed paths, stay as they are.
    const bool drive = wide.size() >= 3 && wide[1] == L':' && (wide[2] == L'\\' || wide[2] == L'/');
    const bool unc = wide.size() >= 2 && wide[0] == L'\\' && wide[1] == L'\\';
    if (wide.size() < MAX_PATH - 12 || (!drive && !unc) || wide.compare(0, 4, L"\\\\?\\") == 0)
        return wide;
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    return unc ? L"\\\\?\\UNC\\" + wide.substr(2) : L"\\\\?\\" + wide;
}

int run_with_utf8_arguments(int argc, wchar_t** argv, int (*main_utf8)(int, char**)) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(narrow(argv[i]));
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(&argument[0]);
    pointers.push_back(nullptr);
    return main_utf8(argc, pointers.data());
}
