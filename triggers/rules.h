// Where and how triggers fire: the directives of a trigger file (comment
// lines such as "; Quillomat_ONLY_IN: winword.exe") and the program rules
// they name.
#pragma once

#include "platform/platform.h"
#include "triggers/patterns.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A program named by a directive: by the file name of its executable (with
// "*" and "?"), by a piece of its window's title ("title:"), or by its
// window class ("class:"). Case is ignored.
struct ProgramRule {
    enum Kind : uint8_t { exe, title, window_class } kind = exe;
    std::string pattern;
};
using ProgramList = std::vector<ProgramRule>;

// What the directives say for the file as a whole.
struct FileRules {
    int paste_at = 0;     // "Quillomat_PASTE": text runs this long or longer are pasted; 0: typed
    ProgramList type_in;  // "Quillomat_TYPE_IN": outputs are typed, never pasted, in these programs
    ProgramList never_in; // "Quillomat_NEVER_IN": nothing fires in these programs
    std::vector<ProgramList>
        sections; // "Quillomat_ONLY_IN" sections; a section number n is [n - 1]
    // "Quillomat_PATTERN_WINDOW": how many typed characters a pattern may
    // span; the last such line in the file counts.
    int pattern_window = default_pattern_window;
    std::vector<int> unreadable_directives; // lines of directives whose value could not be read
};

// What the directive lines above a trigger say about it.
struct TriggerRules {
    uint8_t section = 0;     // the "Quillomat_ONLY_IN" section; 0: every program
    bool word_start = false; // "Quillomat_WORD_START: on"
    bool any_case = false;   // "Quillomat_CASE: on"
};

// A comment line (without its ";") that sets something: true when it is one,
// and its setting taken into `file` and `trigger`. A value that cannot be
// read ("WORD_START: maybe", "PASTE: abc", "ONLY_IN:" with no program) sets
// nothing; `problem` then says why in words, and is emptied otherwise.
bool apply_directive(std::string_view comment, FileRules& file, TriggerRules& trigger,
                     std::string* problem = nullptr);

// The program in front matches one of the rules.
bool program_matches(const ProgramList& rules, const FrontProgram& front);
// "ztw*.exe" against "ZTW2.EXE": "*" any run, "?" any one character, case ignored.
bool wildcard_matches(std::string_view pattern, std::string_view text);
// The rules as the directive wrote them: "winword.exe title:Remote class:Console".
std::string describe_programs(const ProgramList& rules, const char* separator = " ");
