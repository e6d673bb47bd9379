#include "triggers/encoding.h"
#include "triggers/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
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
          "\"qqs\"  [only in: winword.exe title:Report]  [any case]",
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

TEST(TriggerReport, NamesEveryLikelyMistakeAndHintWithItsLine) {
    const struct {
        const char* line; // stands on line 2, below a clean one
        bool mistake;
        const char* words;
    } cases[] = {
        {"abc{Enter}=<X>", true,
         "characters before a key in a trigger are ignored: this line fires on Enter alone "
         "(\"abc\" is dropped)"},
        {"q{Tab}=x", true, "this line fires on Tab alone (\"q\" is dropped)"},
        {"{control}ab=x", true, "this line fires on Ctrl+Num2 alone (\"a\" is dropped)"},
        {"{F1}{F2}=x", true, "keys before the last one in a hotkey are ignored"},
        {"{control}{Entr}=x", true, "\"{Entr}\" is no key name: this line fires on Ctrl+F14"},
        {"{alt}{Del}=x", true, "\"{Del}\" is no key name: this line fires on Alt+F14"},
        {"{shift}{F99}=x", true, "\"{F99}\" is no key name"},
        {"{control}.=x", true,
         "\".\" is no key of its own in a hotkey: this line fires on Ctrl+Delete"},
        {"{control}/=x", true, "the key of code 0x2F"},
        {"x=a{Enter", true, "unclosed brace: \"{Enter\" is typed as text"},
        {"x=a{Delay 500b", true, "unclosed brace: what follows \"{Delay 500b\""},
        {"x=a{Delay 500 {Enter}", true, "unclosed brace"},
        {"x=a{Delay500}b", true, "malformed pause \"{Delay500}\""},
        {"x=a{Delay=5s}b", true, "malformed pause"},
        {"x=a{Delay}b", true, "malformed pause"},
        {"x={click 100}", true, "malformed click \"{click 100}\""},
        {"x={click double 1,2}", true, "malformed click"},
        {"x={click}", true, "malformed click"},
        {"x=RUN: a.exe{Entr", true, "unclosed brace: \"{Entr\""},
        {"x=hi{Entr}", false, "\"{Entr}\" is no key name: it is typed as text"},
        {"x=hi{Enter 3}", false, "\"{Enter 3}\" is no key name"},
        {"x={4}", false, "\"{4}\" is no key name"},
        {"x={U+D800}", false, "\"{U+D800}\" is no key name"},
        {"x={{date}}", false, "\"{{date}}\" is no date macro"},
        {"q{Entr}=x", false, "the trigger is typed as these characters"},
        {"btw =x", false, "the trigger \"btw \" ends with a space: it fires only when \"btw\" is"},
        {" btw=x", false, "the trigger \" btw\" begins with a space"},
        {"omw= on my way", false, "the output \" on my way\" begins with a space"},
    };
    for (const auto& c : cases) {
        const std::string file = std::string("ok=fine\r\n") + c.line + "\r\n";
        const TriggerReport r = report_of(file);
        ASSERT_EQ(r.findings.size(), 1u) << c.line << "\n" << format_trigger_report(r);
        EXPECT_EQ(r.findings[0].line, 2) << c.line;
        EXPECT_EQ(r.findings[0].mistake, c.mistake) << c.line;
        EXPECT_NE(r.findings[0].words.find(c.words), std::string::npos) << c.line << "\n"
                                                                        << r.findings[0].words;
        // The loader's count agrees with the report's.
        EXPECT_EQ(count_likely_mistakes(file.data(), file.size(), r.table), c.mistake ? 1 : 0)
            << c.line;
    }
}

// A directive whose value cannot be read sets nothing, and is named with
// its line; the loader counts it among the likely mistakes.
TEST(TriggerReport, NamesDirectivesItCannotRead) {
    const struct {
        const char* line;  // stands on line 2
        const char* words; // "" when the line reads as it should
    } cases[] = {
        {"; Quillomat_WORD_START: maybe", "Quillomat_WORD_START: \"maybe\" is neither on nor off"},
        {"; Quillomat_CASE: onion", "Quillomat_CASE: \"onion\" is neither on nor off"},
        {"; Quillomat_PASTE: abc", "Quillomat_PASTE: \"abc\" is no length"},
        {"; Quillomat_PASTE: 0", "Quillomat_PASTE: \"0\" is no length"},
        {"; Quillomat_PASTE: -5", "is no length"},
        {"; Quillomat_ONLY_IN:", "Quillomat_ONLY_IN: no program is named: the line is ignored"},
        {"; Quillomat_ONLY_IN: title: , class:", "no program is named"},
        {"; Quillomat_NEVER_IN: a.exe, title:", "Quillomat_NEVER_IN: \"title:\" names nothing"},
        {"; Quillomat_TYPE_IN:  ", "Quillomat_TYPE_IN: no program is named"},
        {"; Quillomat_WORD_START: OFF", ""},
        {"; Quillomat_CASE: On", ""},
        {"; Quillomat_PASTE:", ""},
        {"; Quillomat_PASTE: 250", ""},
        {"; Quillomat_ONLY_IN: *", ""},
        {"; Quillomat_ONLY_IN: title:Remote, x.exe", ""},
    };
    for (const auto& c : cases) {
        const std::string file = std::string("ok=fine\r\n") + c.line + "\r\nbtw=x\r\n";
        const TriggerReport r = report_of(file);
        const bool named = *c.words != '\0';
        ASSERT_EQ(r.findings.size(), named ? 1u : 0u) << c.line << "\n" << format_trigger_report(r);
        EXPECT_EQ(count_likely_mistakes(file.data(), file.size(), r.table), named ? 1 : 0)
            << c.line;
        EXPECT_EQ(r.dead_lines, 0) << c.line;
        if (!named) continue;
        EXPECT_EQ(r.findings[0].line, 2) << c.line;
        EXPECT_TRUE(r.findings[0].mistake) << c.line;
        EXPECT_NE(r.findings[0].words.find(c.words), std::string::npos) << r.findings[0].words;
    }
    // Ignored: the setting above it holds.
    const TriggerReport r =
        report_of("; Quillomat_PASTE: 40\n; Quillomat_PASTE: 0\n"
                  "; Quillomat_WORD_START: on\n; Quillomat_WORD_START: x\nb=1\n");
    EXPECT_EQ(r.table.paste_at, 40);
    EXPECT_TRUE(r.table.entries[0].word_start);
}

TEST(TriggerReport, FindsNothingInLinesThatDoWhatTheySay) {
    const std::string file =
        "btw=by the way\n{control}{alt}k=x\n{control}{shift}!=x\n{shift}{F9}=x\n{F1}=x\n"
        "xy{4}=x\n{control} =x\nqa=a{Enter}{tab}{CtrlDown}a{CtrlUp}{U+20AC}{mouse_return}\n"
        "qb=one{Delay=500}two{delay 1000}{Delay:-5}three\n"
        "qc={click 100,50}{click right -5, 10}{click mid 1,2}{click dbl 1,2}{click middle 1,2}"
        "{click right5,6}\n"
        "qd={{yyyy}}-{{MM}}-{{dd}} {{hh}}:{{uu}} {{yy}} %USERNAME%\n"
        "qe=RUN: notepad.exe{Delay=1000}Hi\rqf=WINDOW: Untitled - Notepad{Delay=200}x\r\n"
        "qg=LIST: a;b{Enter}\nqh=SEARCH: {Entr\nqi=PAUSE:{\nqj=if (a) { b(); } {}\n"
        "qk=a {{Enter}\nql=50% off {\n";
    const TriggerReport r = report_of(file);
    EXPECT_EQ(r.dead_lines, 0);
    EXPECT_TRUE(r.findings.empty()) << format_trigger_report(r);
    EXPECT_EQ(count_likely_mistakes(file.data(), file.size(), r.table), 0);
}

TEST(TriggerReport, CountsMistakesOnTheLinesTheLoaderCounts) {
    // CR LF, lone CR and lone LF line ends, blank lines and comments between.
    const std::string file = "a=1\r\n\r\n; c\rb=x{Enter\n\nc=2\r\r{control}ab=3\n";
    const TriggerReport r = report_of(file);
    ASSERT_EQ(r.findings.size(), 2u);
    EXPECT_EQ(r.findings[0].line, 4);
    EXPECT_EQ(r.findings[1].line, 8);
    EXPECT_EQ(r.mistake_lines, 2);
    EXPECT_EQ(count_likely_mistakes(file.data(), file.size(), r.table), 2);
}

TEST(TriggerReport, ListsEveryMarkerAndShowsTypedTriggersInQuotes) {
    const struct {
        const char* file;
        bool netbook;
        const char* markers;
    } cases[] = {
        {"a=1\n", false, "Markers: none\n"},
        {"; Quillomat_UNICODE\n", false, "Markers: Unicode typing (Quillomat_UNICODE)\n"},
        {"; Quillomat_DEBUG Quillomat_UNICODE\n", false,
         "Markers: debug mode (Quillomat_DEBUG), Unicode typing (Quillomat_UNICODE)\n"},
        {"; REMAP TILDE\n", true, "Markers: remap mode (REMAP, TILDE)\n"},
        {"; REMAP TILDE\n", false,
         "Markers: none; REMAP and TILDE switch remap mode on only on a computer named NETBOOK"},
    };
    for (const auto& c : cases) {
        TriggerReport r;
        build_trigger_report(c.file, std::strlen(c.file), c.netbook, r);
        EXPECT_NE(format_trigger_report(r).find(c.markers), std::string::npos)
            << c.file << "\n"
            << format_trigger_report(r);
    }
    const std::string out = format_trigger_report(report_of("btw =1\n{control}k=2\n"));
    EXPECT_NE(out.find("plain   \"btw \"\n"), std::string::npos) << out;
    EXPECT_NE(out.find("hotkey  Ctrl+K\n"), std::string::npos) << out;
}

TEST(TriggerReport, TheDefaultTriggerFileIsClean) {
    HeapText text;
    std::size_t size = 0;
    ASSERT_EQ(read_engine_text(QUILLOMAT_SOURCE_DIR "/resources/default_triggers.txt", text, size,
                               nullptr, nullptr),
              FileRead::ok);
    TriggerReport r;
    build_trigger_report(text.get(), size, false, r);
    EXPECT_EQ(r.dead_lines, 0);
    EXPECT_TRUE(r.findings.empty()) << format_trigger_report(r);
    // Typed as Unicode, so that every example types where Alt codes are not composed.
    EXPECT_TRUE(r.table.unicode_typing);
}

TEST(TriggerReport, ListsEachTriggersFieldsAndTheTokensThatAreNone) {
    const std::string out = format_trigger_report(
        report_of("mtg=On {Choose:Day=Mon|Tue}: {Input:Agenda|multi} {Input:Day} {Check:PS=x}\n"
                  "btw=by the way\n"
                  "; Reply\n"
                  "{control}r=Dear {Input:},{Choose:Size} {Input:Name\n"));
    for (const char* expected :
         {"\"mtg\"  [fields: Day, Agenda, PS]\n", "\"btw\"\n",
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
    EXPECT_NE(run.output.find("    0  line 1     plain   \"btw\""), std::string::npos)
        << run.output;
    // A likely mistake counts against the file; a hint does not.
    std::ofstream(good, std::ios::binary) << "btw =by the way\r\nx=a{Entr}\r\n";
    EXPECT_EQ(run_check(good).status, 0);
    std::ofstream(bad, std::ios::binary) << "btw=by the way\r\nabc{Enter}=x\r\n";
    run = run_check(bad);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(
        run.output.find("2 triggers loaded, 0 lines never fire, 1 lines with likely mistakes"),
        std::string::npos)
        << run.output;

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

TEST(TriggerReport, ListsPatternsAndNamesWhatKeepsThemFromFiring) {
    const std::string file = "; Quillomat_PATTERN_WINDOW: 16\n"
                             "re::greet\\((\\w+)\\)=Hello, {1}!{Enter}\n"
                             "re:(\\d+kg=x\n"
                             "re:a*=x\n"
                             "re:(\\d+)kg=<{2}>\n"
                             "re:x{20}=y\n"
                             ":greet(Ann)=Hi\n"
                             "re:(?<first>\\w+) (?<second>\\w+) (?<third>\\w+)!!={third} {first}\n";
    const TriggerReport r = report_of(file);
    std::string findings;
    for (const LineFinding& f : r.findings)
        findings += std::to_string(f.line) + (f.mistake ? " " : " hint ") + f.words + "\n";
    EXPECT_EQ(findings, "3 the pattern does not compile at column 10: a \"(\" without its \")\", "
                        "or a \")\" without its \"(\"\n"
                        "4 the pattern matches where nothing was typed: it would fire on every "
                        "key\n"
                        "5 at column 13, the output names the group {2}, which the pattern does "
                        "not have\n"
                        "6 the pattern needs at least 20 typed characters, more than the pattern "
                        "window of 16: it never fires\n");
    EXPECT_EQ(r.mistake_lines, 4);
    EXPECT_EQ(count_likely_mistakes(file.data(), file.size(), r.table), 4);
    EXPECT_EQ(r.dead_lines, 0) << "a plain trigger is never shadowed by a pattern";
    const std::string out = format_trigger_report(r);
    EXPECT_NE(out.find("line 2     plain   \"re::greet\\((\\w+)\\)\"  [pattern]\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\"re:(?<first>\\w+) (?<second>\\w+) (?<third>\\w+)!!\"  [pattern]\n"),
              std::string::npos)
        << "longer than a plain trigger may be, shown whole\n"
        << out;
}
