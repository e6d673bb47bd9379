// quillomat-check FILE [--netbook] | --version | --help
//
// Loads a trigger file with the program's own parser and prints what the
// program will do with it. Exit status: 0 when every line that is neither
// blank nor a comment loads as a trigger that can fire and none looks like a
// mistake, 1 otherwise, 2 when the file cannot be read.
#include "common/memory.h"
#include "platform/platform.h"
#include "triggers/encoding.h"
#include "triggers/report.h"
#include "version.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
const char* const usage =
    "usage: quillomat-check TRIGGER_FILE [--netbook]\n"
    "       quillomat-check --version | --help\n"
    "\n"
    "Prints every trigger the program will load from TRIGGER_FILE (what you type in\n"
    "quotes, hotkeys as they are pressed), the markers found, every line that will\n"
    "never fire, and every line that fires but likely not as meant, with its line\n"
    "number and the reason:\n"
    "  likely mistakes: characters before a key in a hotkey (they are ignored), a key\n"
    "    name that is no key, a pause or a click the program cannot read, a brace\n"
    "    left open in an output;\n"
    "  hints: a brace word in an output that is no key name (it is typed as text),\n"
    "    a space at the start or end of a trigger, or at the start of an output.\n"
    "\n"
    "--netbook checks as on a computer named NETBOOK: there, a file that holds the\n"
    "words REMAP and TILDE switches remap mode on, in which the ` key acts as Alt.\n"
    "\n"
    "Exit status: 0 every line fires and none looks like a mistake (hints do not\n"
    "count), 1 some line never fires or looks like a mistake, 2 the file cannot be\n"
    "read (or the command line is wrong).\n";
} // namespace

// The program's entry: arguments are UTF-8 (a Windows build gets them so
// from its wide entry point).
int check_main(int argc, char** argv) {
    const char* path = nullptr;
    bool netbook = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quillomat-check %s\n", QUILLOMAT_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0 ||
            std::strcmp(argv[i], "/?") == 0) {
            std::printf("%s", usage);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--netbook") == 0)
            netbook = true;
        else if (!path)
            path = argv[i];
        else
            path = nullptr, argc = 0;
    }
    if (!path) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    HeapText text;
    std::size_t size = 0;
    TextEncoding encoding = TextEncoding::ansi;
    std::vector<int> untypeable;
    TextProblem problem;
    const FileRead result = read_engine_text(path, text, size, &encoding, &untypeable, &problem);
    if (result != FileRead::ok) {
        const std::string why = "not loaded: it " + describe_text_problem(problem);
        std::fprintf(stderr, "quillomat-check: %s: %s\n", path,
                     result == FileRead::missing ? "no such file"
                     : result == FileRead::too_large || result == FileRead::no_memory
                         ? "too large to load"
                     : result == FileRead::not_text ? why.c_str()
                                                    : "cannot be read");
        return 2;
    }
    static TriggerReport report;
    build_trigger_report(text.get(), size, netbook, report, &untypeable);
    std::printf("Trigger file: %s\n", path);
    static const char* const encodings[] = {"", "UTF-8", "UTF-8 with a byte-order mark",
                                            "UTF-16 LE with a byte-order mark",
                                            "UTF-16 BE with a byte-order mark"};
    if (encoding != TextEncoding::ansi)
        std::printf("Encoding: %s\n", encodings[static_cast<int>(encoding)]);
    std::printf("%s", format_trigger_report(report).c_str());
    return report.dead_lines == 0 && report.mistake_lines == 0 ? 0 : 1;
}
