#include "triggers/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {
TriggerReport report_of(const std::string& text) {
    TriggerReport report;
    build_trigger_report(text.data(), text.size(), false, report);
    return report;
}

struct CheckRun {
    int status;
    std::string output;
};

CheckRun run_check(const std::string& args) {
    CheckRun run{-1, ""};
    FILE* pipe = popen((std::string(QUILLOMAT_CHECK) + " " + args + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
} // namespace

TEST(TriggerReport, FindsTriggersThatAnEarlierOneAlwaysBeats) {
    TriggerReport r = report_of(
        "tw=two\nbtw=by the way\nbt=x\n{control}k=a\n{control}K=b\n{control}{shift}k=c\n");
    EXPECT_EQ(r.shadowed_by, (std::vector<int>{-1, 0, -1, -1, 3, -1}));
    EXPECT_EQ(r.dead_lines, 2);
    // A longer trigger above a shorter one that ends the same way is fine.
    EXPECT_EQ(report_of("btw=1\ntw=2\n").dead_lines, 0);
    // Only the last 32 characters are compared.
    EXPECT_EQ(report_of(std::string(40, 'a') + "=1\n" + std::string(35, 'a') + "=2\n").dead_lines,
              1);
}

TEST(TriggerReport, FindsTriggersThatAShorterOneInsideThemBeats) {
    const struct {
        const char* file;
        std::vector<int> inside_by;
    } cases[] = {
        {"qqs=1\nqqsig=2\n", {-1, 0}}, // typing qqsig fires qqs at its third letter
        {"qqsig=2\nqqs=1\n", {1, -1}}, // wherever it stands
        {"; Quillomat_ONLY_IN: a.exe\nqqs=1\n; Quillomat_ONLY_IN: *\nqqsig=2\n", {-1, -1}},
        {"; Quillomat_WORD_START: on\nsig=1\n; Quillomat_WORD_START: off\nqqsig=2\nq sigx=3\n",
         {-1, -1, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(report_of(c.file).fired_inside_by, c.inside_by) << c.file;

    const std::string out = format_trigger_report(report_of(
        "; Quillomat_ONLY_IN: winword.exe, title:Report\n; Quillomat_CASE: on\nqqs=1\nqqsig=2\n"));
    for (const char* expected :
         {"Directives:\n  line 1     ; Quillomat_ONLY_IN: winword.exe, title:Report\n",
          "qqs  [only in: winword.exe title:Report]  [any case]",
          "line 4: typing it fires the shorter trigger on line 3 inside it first"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
}

TEST(TriggerReport, DescribesTriggersAsTheUserTypesThem) {
    TriggerReport r = report_of("btw=1\n{control}{alt}k=2\n{shift}{F1}=3\nxy{4}=4\ncaf\xE9=5\n");
    EXPECT_EQ(describe_trigger(r.table.entries[0]), "btw");
    EXPECT_EQ(describe_trigger(r.table.entries[1]), "Ctrl+Alt+K");
    EXPECT_EQ(describe_trigger(r.table.entries[2]), "Shift+{F1}");
    EXPECT_EQ(describe_trigger(r.table.entries[3]), "xy{mouse_middle}");
    EXPECT_EQ(describe_trigger(r.table.entries[4]), "caf<E9>");
}

TEST(TriggerReport, ListsEachTriggersFieldsAndTheTokensThatAreNone) {
    const std::string out = format_trigger_report(
        report_of("mtg=On {Choose:Day=Mon|Tue}: {Input:Agenda|multi} {Input:Day} {Check:PS=x}\n"
                  "btw=by the way\n"
                  "; Reply\n"
                  "{control}r=Dear {Input:},{Choose:Size} {Input:Name\n"));
    for (const char* expected :
         {"mtg  [fields: Day, Agenda, PS]\n", "btw\n",
          "Field tokens typed as they stand:\n"
          "  line 1, column 51: \"Day\" is already a Choose list: one label names one field\n"
          "  line 4, column 17: field token \"{Input:}\" has no label\n"
          "  line 4, column 26: list \"Size\" has no items: write {Choose:Size=first|second}\n"
          "  line 4, column 40: field token \"{Input:Name\" is not closed with \"}\"\n"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
}

TEST(CheckTool, ExplainsEveryLineThatNeverFiresAndSetsItsExitStatus) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "quillomat-check-test";
    std::filesystem::create_directories(dir);
    const std::string bad = (dir / "bad.txt").string(), good = (dir / "good.txt").string();
    std::ofstream(bad, std::ios::binary)
        << "; comment\r\ntw=two\r\nbtw=three\r\nno equals\r\n=starts\r\n"
        << std::string(62, 'x') << "=long\r\n{alt}{shift}=mods\r\n";
    std::ofstream(good, std::ios::binary) << "btw=by the way\r\n; Quillomat_DEBUG\r\n";

    CheckRun run = run_check(bad);
    EXPECT_EQ(run.status, 1);
    for (const char* expected :
         {"line 3: shadowed by the trigger on line 2", "line 4: no \"=\"",
          "line 5: starts with \"=\"", "line 6: 62 or more characters before \"=\"",
          "line 7: only modifier tokens, no key", "2 triggers loaded, 5 lines never fire"})
        EXPECT_NE(run.output.find(expected), std::string::npos) << expected << "\n" << run.output;

    run = run_check(good);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("debug mode"), std::string::npos);
    EXPECT_NE(run.output.find("    0  line 1     plain   btw"), std::string::npos) << run.output;

    EXPECT_EQ(run_check((dir / "missing.txt").string()).status, 2);
    EXPECT_EQ(run_check(QUILLOMAT_SOURCE_DIR "/resources/default_triggers.txt").status, 0);
    std::filesystem::remove_all(dir);

    const CheckRun version = run_check("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("quillomat-check ", 0), 0u) << version.output;
    const CheckRun help = run_check("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Exit status: 0"), std::string::npos) << help.output;
}
