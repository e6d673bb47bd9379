// Where and when triggers fire: the program in front, word starts, case,
// pause, and keys typed into another window.
#include "engine_fixture.h"
#include "triggers/report.h"

#include <cstring>

namespace {
// Brings a window of the program to the front.
std::function<void()> front(const char* exe, const char* title, const char* window_class,
                            bool elevated = false) {
    return [=] {
        const WindowId window = sim_add_window(title);
        sim_set_window_program(window, exe, window_class, elevated);
        sim_set_foreground(window);
    };
}

// Ctrl+Alt+`key`, let go at once.
std::string ctrl_alt(const std::string& key) {
    return "d:ctrl t:10 d:alt t:40 d:" + key + " t:40 u:" + key + " u:alt u:ctrl t:300";
}
} // namespace

TEST_F(EngineTest, TheProgramInFrontDecidesWhatFires) {
    const std::string file = "; Quillomat_NEVER_IN: keepass.exe, ztw*.exe, title:Remote Desktop, "
                             "class:ConsoleWindowClass\r\n"
                             "; Quillomat_ONLY_IN: winword.exe, keepass.exe\r\n"
                             "sig=word\r\n"
                             "; Quillomat_ONLY_IN: OUTLOOK.EXE\r\n"
                             "sig=mail\r\n"
                             "; Quillomat_ONLY_IN: *\r\n"
                             "sig=plain\r\n";
    const std::string sig_fired = "160 keys +08 -08 +08 -08 +08 -08\n"
                                  "160 status  Shortcuts Used:  1\n"
                                  "160 timer 7772 1\n";
    const std::string done = "161 timer 7771 10\n";
    expect_scenarios({
        {"Word", file, "type:sig", sig_fired + "161 keys +57 -57 +4F -4F +52 -52 +44 -44\n" + done,
         front("WINWORD.EXE", "Document", "OpusApp")},
        {"Outlook", file, "type:sig",
         sig_fired + "161 keys +4D -4D +41 -41 +49 -49 +4C -4C\n" + done,
         front("outlook.exe", "Inbox", "rctrl_renwnd32")},
        {"Notepad", file, "type:sig",
         sig_fired + "161 keys +50 -50 +4C -4C +41 -41 +49 -49 +4E -4E\n" + done,
         front("notepad.exe", "Untitled", "Notepad")},
        // Nothing fires, nothing is erased.
        {"NEVER_IN beats ONLY_IN", file, "type:sig", "",
         front("keepass.exe", "Database", "Window")},
        {"a pattern", file, "type:sig", "", front("ZTW32.EXE", "Shell", "Window")},
        {"a title", file, "type:sig", "",
         front("mstsc.exe", "host - Remote Desktop Connection", "Window")},
        {"a class", file, "type:sig", "", front("cmd.exe", "Command Prompt", "ConsoleWindowClass")},
    });
}

TEST_F(EngineTest, WordStartsCaseAndOtherWindows) {
    const std::string file = "; Quillomat_WORD_START: on\r\nbtw=by\r\n"
                             "; Quillomat_WORD_START: off\r\n; Quillomat_CASE: on\r\n"
                             "qqn=note {Enter}%USERNAME% RUN: Notes.exe\r\n"
                             "qqo=50% off, 20% more\r\n"
                             "qqt=\x80\x99 and\r\n";
    const std::string shift_q = "d:shift t:20 d:q t:40 u:q t:20 u:shift type:q ";
    const std::string qq_fired = "160 keys +08 -08 +08 -08 +08 -08\n"
                                 "160 status  Shortcuts Used:  1\n"
                                 "160 timer 7772 1\n";
    const std::string done = "161 timer 7771 10\n";
    // " {Enter}%USERNAME% " as written: a variable the desktop does not know stays.
    const std::string rest_of_qqn =
        "+20 -20 +0D -0D +10 +35 -35 -10 +10 +55 -55 -10 +10 +53 -53 -10 "
        "+10 +45 -45 -10 +10 +52 -52 -10 +10 +4E -4E -10 +10 +41 -41 -10 "
        "+10 +4D -4D -10 +10 +45 -45 -10 +10 +35 -35 -10 +20 -20\n"
        "161 launch Notes.exe ||\n"
        "161 timer 7771 10\n";
    const auto programs_start = [] { sim_allow_program("*"); };
    expect_scenarios({
        {"a letter before a word-start trigger", file, "type:abtw", ""},
        {"a click starts a word", file, "type:a t:100 d:click t:40 u:click t:100 type:btw",
         "480 keys +08 -08 +08 -08 +08 -08\n"
         "480 status  Shortcuts Used:  1\n"
         "480 timer 7772 1\n"
         "481 keys +42 -42 +59 -59\n"
         "481 timer 7771 10\n"},
        {"a space starts a word", file, "type:_btw",
         "240 keys +08 -08 +08 -08 +08 -08\n"
         "240 status  Shortcuts Used:  1\n"
         "240 timer 7772 1\n"
         "241 keys +42 -42 +59 -59\n"
         "241 timer 7771 10\n"},
        {"typed as written", file, "type:qqn",
         qq_fired + "161 keys +4E -4E +4F -4F +54 -54 +45 -45 " + rest_of_qqn, programs_start},
        // Every letter typed upper case (by Caps Lock, which is off while
        // the output types: +14 -14): the output's letters too, but not its
        // markup, variables and commands.
        {"upper case", file, "caps:on type:qqn",
         qq_fired +
             "161 keys +14 -14 +10 +4E -4E -10 +10 +4F -4F -10 +10 +54 -54 -10 +10 +45 -45 -10 "
             "+20 -20 +14 -14 +0D -0D +14 -14 +10 +35 -35 -10 +10 +55 -55 -10 +10 +53 -53 -10 "
             "+10 +45 -45 -10 +10 +52 -52 -10 +10 +4E -4E -10 +10 +41 -41 -10 +10 +4D -4D -10 "
             "+10 +45 -45 -10 +10 +35 -35 -10 +20 -20 +14 -14\n"
             "161 launch Notes.exe ||\n161 timer 7771 10\n",
         programs_start},
        {"a percent sign with no variable", file, "caps:on type:qqo",
         qq_fired +
             "161 keys +14 -14 +35 -35 +30 -30 +10 +35 -35 -10 +20 -20 +10 +4F -4F -10 " // 50% O
             "+10 +46 -46 -10 +10 +46 -46 -10 +BC -BC +20 -20 +32 -32 +30 -30 "          // FF, 20
             "+10 +35 -35 -10 +20 -20 +10 +4D -4D -10 +10 +4F -4F -10 +10 +52 -52 -10 "  // % MOR
             "+10 +45 -45 -10 +14 -14\n" +
             done}, // E
        {"Shift on the first letter: capitalised", file, shift_q + "type:n",
         qq_fired + "161 keys +10 +4E -4E -10 +4F -4F +54 -54 +45 -45 " + rest_of_qqn,
         programs_start},
        {"symbols are no first letter", file, shift_q + "type:t",
         qq_fired + "161 keys +12 +60 -60 +61 -61 +62 -62 +68 -68 -12 " // €, by its Alt code
                    "+12 +60 -60 +61 -61 +65 -65 +63 -63 -12 "          // ™
                    "+20 -20 +10 +41 -41 -10 +4E -4E +44 -44\n"         // " And"
                    "161 timer 7771 10\n"},
        // "bt" typed in one window, "w" in another: nothing fires, nothing is erased there.
        {"another window", file, "front:one.exe type:bt t:300 front:two.exe type:w", ""},
    });
}

TEST_F(EngineTest, PauseLeavesOnlyItsOwnAndTheSearchHotkeysLive) {
    start("{control}{alt}p=PAUSE:\r\n{control}{alt}f=SEARCH:\r\nbtw=by the way\r\n");
    sim_script(ctrl_alt("p") + " type:btw t:100 " + ctrl_alt("f"));
    search_window_closed(-1);
    sim_script(ctrl_alt("p") + " type:btw");
    EXPECT_EQ(sim_log(),
              "50 timer 7772 10\n" // waits for Ctrl and Alt to go up
              "90 status  Shortcuts Used:  1\n"
              "90 timer 7772 1\n"
              "91 paused on\n"
              "91 timer 7771 10\n" // btw typed: nothing
              "781 timer 7772 10\n"
              "821 status  Shortcuts Used:  2\n"
              "821 timer 7772 1\n"
              "822 search open\n"
              "1121 timer 7771 10\n" // closed
              "1171 timer 7772 10\n"
              "1211 status  Shortcuts Used:  3\n"
              "1211 timer 7772 1\n"
              "1212 paused off\n"
              "1212 timer 7771 10\n"
              "1672 keys +08 -08 +08 -08 +08 -08\n"
              "1672 status  Shortcuts Used:  4\n"
              "1672 timer 7772 1\n"
              "1673 keys +42 -42 +59 -59 +20 -20 +54 -54 +48 -48 +45 -45 +20 -20 +57 -57 "
              "+41 -41 +59 -59\n"
              "1673 timer 7771 10\n");

    // A PAUSE: hotkey in a section for other programs is no hotkey here.
    fresh();
    EXPECT_EQ(run("; Quillomat_ONLY_IN: other.exe\r\n{control}{alt}p=PAUSE:\r\n", ctrl_alt("p")),
              "");
}

TEST_F(EngineTest, BackspaceRightAfterAnOutputTakesItBack) {
    const std::string qq_fired = "80 keys +08 -08 +08 -08\n"
                                 "80 status  Shortcuts Used:  1\n"
                                 "80 timer 7772 1\n";
    const auto undo_on = [] {
        engine.undo.enabled = true;
        sim_allow_program("*");
    };
    // The q typed last would fire "qq" again if the trigger typed back counted.
    expect_scenarios({
        // "ab{Enter}" is three characters: the user's Backspace took one, two
        // more go, and "qq" is typed back.
        {"characters and Enter", "qq=ab{Enter}\r\n", "type:qq t:100 d:bs t:40 u:bs t:100 type:q",
         qq_fired + "81 keys +41 -41 +42 -42 +0D -0D\n81 timer 7771 10\n"
                    "261 keys +08 -08 +08 -08 +51 -51 +51 -51\n",
         undo_on},
        {"another key: final", "qq=ab{Left}\r\n", "type:qq t:100 d:bs t:40 u:bs t:100 type:q",
         qq_fired + "81 keys +41 -41 +42 -42 +25e -25e\n81 timer 7771 10\n", undo_on},
        {"a command: final", "qq=ab RUN: x\r\n", "type:qq t:100 d:bs t:40 u:bs t:100 type:q",
         qq_fired + "81 keys +41 -41 +42 -42 +20 -20\n81 launch x ||\n81 timer 7771 10\n", undo_on},
        {"Caps Lock on: the trigger comes back as it was typed", "11=ab\r\n",
         "caps:on type:11 t:100 d:bs t:40 u:bs t:100",
         qq_fired + "81 keys +14 -14 +41 -41 +42 -42 +14 -14\n81 timer 7771 10\n"
                    "261 keys +08 -08 +14 -14 +31 -31 +31 -31 +14 -14\n",
         [=] {
             undo_on();
             sim_set_caps_lock(true);
         }},
        // A paste the window ignored: typed instead, and only that is taken back.
        {"a paste typed instead", "; Quillomat_PASTE: 3\r\nqq=abc\r\n",
         "type:qq t:3100 d:bs t:40 u:bs t:100",
         qq_fired + "81 clipboard put abc\n81 keys +11e +56 -56 -11e\n81 timer 7772 5\n"
                    "3081 clipboard emptied\n3081 keys +41 -41 +42 -42 +43 -43\n"
                    "3081 status  The window did not take the paste: the text was typed instead\n"
                    "3081 timer 7771 10\n"
                    "3261 keys +08 -08 +08 -08 +51 -51 +51 -51\n",
         [=] {
             undo_on();
             sim_set_paste_delay(sim_paste_never);
         }},
        // Left on the clipboard, nobody knows what is in the window: nothing is erased.
        {"a paste nobody took", "; Quillomat_PASTE: 3\r\nqq=abc\r\n",
         "type:qq t:1000 front:other.exe t:2100 d:bs t:40 u:bs t:100",
         qq_fired + "81 clipboard put abc\n81 keys +11e +56 -56 -11e\n81 timer 7772 5\n"
                    "3081 status  The window did not take the paste: the text is left on the "
                    "clipboard\n3081 timer 7771 10\n",
         [=] {
             undo_on();
             sim_set_paste_delay(sim_paste_never);
         }},
        {"Shift first ends the chance", "qq=ab\r\n",
         "type:qq t:100 d:shift t:40 u:shift t:60 d:bs t:40 u:bs t:100 type:q",
         qq_fired + "81 keys +41 -41 +42 -42\n81 timer 7771 10\n", undo_on},
    });
}

TEST_F(EngineTest, AWindowWithHigherRightsGetsNeitherErasingNorTyping) {
    // The tray says it once; the status bar each time.
    expect_scenarios({
        {"an administrator's window", "btw=by the way\r\n", "type:btw t:300 type:btw",
         "160 status  Cannot type into cmd.exe: it runs as administrator\n"
         "160 note Quillomat cannot type into cmd.exe: it runs as administrator.\n"
         "700 status  Cannot type into cmd.exe: it runs as administrator\n",
         front("cmd.exe", "Administrator: Command Prompt", "ConsoleWindowClass", true)},
    });
}

// quillomat-check says a line never fires exactly when typing never fires
// it: the word-start rule, the case rule and directives it cannot read are
// read as the matcher reads them.
TEST_F(EngineTest, TheCheckersVerdictIsWhatTypingDoes) {
    const struct {
        const char* file;
        const char* typed; // after a space: "_" starts a word
        char fires;        // the output typed: '1' or '2'
        int never_fire;    // the checker's count of lines that never fire
    } cases[] = {
        {"; Quillomat_WORD_START: on\r\nab=1\r\nxab=2\r\n", "type:_xab", '2', 0},
        {"; Quillomat_WORD_START: on\r\nab=1\r\nxab=2\r\n", "type:_ab", '1', 0},
        {"; Quillomat_WORD_START: on\r\nsig=1\r\nsigx=2\r\n", "type:_sigx", '1', 1},
        {"; Quillomat_WORD_START: on\r\nsig=1\r\n; Quillomat_WORD_START: off\r\nsigx=2\r\n",
         "type:_sigx", '1', 0},
        {"; Quillomat_WORD_START: on\r\nsig=1\r\n; Quillomat_WORD_START: off\r\nsigx=2\r\n",
         "type:asigx", '2', 0},
        {"; Quillomat_CASE: on\r\nbtw=1\r\n; Quillomat_CASE: off\r\nbtw=2\r\n", "type:btw", '1', 1},
        {"; Quillomat_ONLY_IN:\r\nbtw=1\r\n", "type:btw", '1', 0},
        {"; Quillomat_ONLY_IN: title:\r\nbtw=1\r\n", "type:btw", '1', 0},
        {"; Quillomat_WORD_START: on\r\n; Quillomat_WORD_START: maybe\r\nbtw=1\r\n", "type:abtw",
         '\0', 0},
        {"; Quillomat_WORD_START: maybe\r\nbtw=1\r\n", "type:abtw", '1', 0},
    };
    for (const auto& c : cases) {
        fresh();
        run(c.file, c.typed, {});
        const std::string keys = sim_key_transcript();
        const char fired = keys.find("+31") != std::string::npos   ? '1'
                           : keys.find("+32") != std::string::npos ? '2'
                                                                   : '\0';
        EXPECT_EQ(fired, c.fires) << c.file << c.typed << "\n" << keys;
        TriggerReport report;
        build_trigger_report(c.file, std::strlen(c.file), false, report);
        EXPECT_EQ(report.dead_lines, c.never_fire) << c.file << format_trigger_report(report);
    }
}
