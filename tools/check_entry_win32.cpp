// quillomat-check's entry on Windows: the arguments come as UTF-16, so that a
// path with any character reaches the checker whole, and the console shows
// the UTF-8 it prints.
#include "platform/win32/wide.h"

#include <string>
#include <vector>
#include <windows.h>

int check_main(int argc, char** argv);

int wmain(int argc, wchar_t** wargv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(narrow(wargv[i]));
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    return check_main(argc, argv.data());
}
