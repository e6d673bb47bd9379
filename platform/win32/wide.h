// The one place where the program's UTF-8 text meets the system's UTF-16:
// every path, title, argument, setting and message goes through these on
// its way into or out of a wide (...W) call.
#pragma once

#include <string>
#include <string_view>

// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::wstring widen(std::string_view utf8);
// UTF-16 (`length` units, or up to the terminator when -1) to UTF-8.
std::string narrow(const wchar_t* wide, int length = -1);
// A file path for the file calls: long absolute paths get the "\\?\" form,
// which lifts the 260-character limit of the ordinary one.
std::wstring file_path(std::string_view utf8);

// For a wide entry point (wmain): runs `main_utf8` with the arguments in UTF-8.
int run_with_utf8_arguments(int argc, wchar_t** argv, int (*main_utf8)(int, char**));
