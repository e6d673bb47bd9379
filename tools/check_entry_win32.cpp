// quillomat-check's entry on Windows: the arguments come as UTF-16, so that a
// path with any character reaches the checker whole, and the console shows
// the UTF-8 it prints.
#include "platform/win32/wide.h"

#include <windows.h>

int check_main(int argc, char** argv);

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    return run_with_utf8_arguments(argc, argv, check_main);
}
