// The system's ANSI code page: the engine's 8-bit text and Unicode.
#include "platform/platform.h"
#include "platform/win32/wide.h"

#include <windows.h>

int ansi_byte_of(uint32_t code_point) {
    if (code_point < 0x80) return static_cast<int>(code_point);
    if (code_point > 0xFFFF) return -1; // the system code pages are single-byte here
    const wchar_t wide = static_cast<wchar_t>(code_point);
    char byte[4] = {};
    BOOL used_default = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide, 1, byte, sizeof byte,
                                      nullptr, &used_default);
    return n == 1 && !used_default ? static_cast<unsigned char>(byte[0]) : -1;
}

uint32_t code_point_of_ansi(uint8_t byte) {
    const char narrow = static_cast<char>(byte);
    wchar_t wide = 0;
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &narrow, 1, &wide, 1) == 1 ? wide : 0;
}

std::string code_page_to_utf8(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, &wide[0], length);
    return narrow(wide.c_str(), length);
}

bool utf8_to_code_page(std::string_view utf8, std::string* bytes) {
    bytes->clear();
    const std::wstring wide = widen(utf8);
    if (wide.empty()) return true;
    const int units = static_cast<int>(wide.size());
    BOOL lost = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), units, nullptr,
                                         0, nullptr, &lost);
    if (size <= 0 || lost) return false;
    bytes->resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), units, &(*bytes)[0], size,
                        nullptr, nullptr);
    return true;
}
