// Outputs built from other text, and where the caret ends: {Cursor},
// {Clipboard}, {Selection}, {Snip:} and {Random:} on the simulated desktop.
#include "engine_fixture.h"

#include "triggers/inserts.h"
#include "triggers/report.h"

#include <cstring>

namespace {
// The output a trigger fires as, its steps written back as markup.
struct Case {
    const char* output;
    const char* prepared;
};
} // namespace

TEST_F(EngineTest, TheCaretGoesBackOverWhatTheWindowSeesAsCharacters) {
    const Case cases[] = {
        {"ab{Cursor}cd", "abcd{Cursor back 2}"},
        {"caf{Cursor}\xC3\xA9s", "caf\xE9s{Cursor back 2}"}, // accented letters
        {"{Cursor}{U+1F600}x", "{U+1F600}x{Cursor back 2}"}, // an emoji is one
        {"a{Cursor}b{Enter}c{Tab}d{Space}", "ab{Enter}c{Tab}d{Space}{Cursor back 6}"},
        {"{cursor}a{CURSOR}b", "ab{Cursor back 2}"}, // the first counts
        {"[{Cursor}{Clipboard}]",
         "[{U+1F600} \xE9{Enter}z]{Cursor back 6}"}, // inserted text counts
        {"xy{Cursor}", "xy"},
        {"x{Cursor}y{Home}", "xy{Home}{Cursor back -1}"}, // cannot be placed: the caret stays
        {"x{Cursor}y{Delay 10}", "xy{Delay 10}{Cursor back -1}"},
        {"x{Cursor}RUN: calc", "xRUN: calc{Cursor back -1}"},
    };
    sim_set_clipboard("\xF0\x9F\x98\x80 \xC3\xA9\r\nz");
    for (const Case& c : cases) {
        start(std::string("qq=") + c.output + "\r\n");
        EXPECT_EQ(prepared_output("qq"), c.prepared) << c.output;
        sim_run_until_idle();
    }
}

TEST_F(EngineTest, TheCaretMovesOnceTheOutputIsOutWithEveryModifierUp) {
    const struct {
        const char *name, *triggers, *script, *transcript;
    } cases[] = {
        {"the user still holds Shift after the second's wait for it",
         "{control}{alt}q=a{Cursor}b\r\n",
         "d:ctrl d:alt d:q t:40 u:q d:shift u:ctrl u:alt t:1200 u:shift",
         "1031 keys +41 -41 +42 -42 -10 +25e -25e\n"},
        {"the output left Shift down itself", "qq={ShiftDown}a{Cursor}b\r\n", "type:qq",
         "80 keys +08 -08 +08 -08\n"
         "81 keys +10 +41 -41 +42 -42 -10 +25e -25e\n"},
        {"pasted: the presses come once the window has taken the paste",
         "; Quillomat_PASTE: 4\r\nqq=abc{Cursor}def\r\n", "type:qq",
         "80 keys +08 -08 +08 -08\n"
         "81 clipboard put abcdef\n"
         "81 keys +11e +56\n" // the window takes the paste here
         "81 keys -56 -11e\n"
         "86 clipboard restored\n"
         "86 keys +25e -25e +25e -25e +25e -25e\n"},
    };
    for (const auto& c : cases) {
        sim_reset();
        reset_engine();
        sim_set_clipboard("mine");
        EXPECT_EQ(run(c.triggers, c.script, {"keys", "clipboard"}), c.transcript) << c.name;
    }
}

TEST_F(EngineTest, SnipsBringInOtherLinesAndAChainStopsWhereItComesBack) {
    const std::string file = "a1=one {Snip:a2}!\r\n"
                             "a2=two {snip:a3}\r\n"
                             "a3=three\r\n"
                             "b1=x{Snip:b2}\r\n"
                             "b2=y{Snip:b1}z\r\n"
                             "s1=me{Snip:s1}!\r\n"
                             "m1=[{Snip:nothing}{Snip:A3}{Snip:}]\r\n"
                             "h1=<{Snip:{control}{alt}k}>\r\n"
                             "r1={Random:{Snip:a3}|{Snip:a3}}\r\n"
                             "w1={Snip:sig}\r\n"
                             "{control}{alt}k=hot\r\n"
                             "; Quillomat_ONLY_IN: notepad.exe\r\n"
                             "sig=in Notepad\r\n"
                             "; Quillomat_ONLY_IN: *\r\n"
                             "sig=anywhere\r\n";
    const Case cases[] = {
        {"a1", "one two three!"}, {"b1", "xyz"},   {"b2", "yxz"},      {"s1", "me!"}, {"m1", "[]"},
        {"h1", "<hot>"},          {"r1", "three"}, {"w1", "anywhere"},
    };
    sim_set_foreground(sim_add_window("Document"));
    for (const Case& c : cases) {
        start(file);
        EXPECT_EQ(prepared_output(c.output), c.prepared) << c.output;
        sim_run_until_idle();
    }
    const WindowId notepad = sim_add_window("Untitled - Notepad");
    sim_set_window_program(notepad, "notepad.exe", "Notepad");
    sim_set_foreground(notepad);
    EXPECT_EQ(prepared_output("w1"), "in Notepad") << "the first line whose section fits";
}

TEST_F(EngineTest, RandomChoicesComeFromASourceSeededOnce) {
    start("qq={Random:a|b{Enter}|c}\r\nqe=[{Random:}]\r\n");
    auto choices = [&] {
        std::string seen;
        for (int i = 0; i < 12; ++i) {
            seen += prepared_output("qq") + " ";
            sim_run_until_idle();
            sim_run_for(100); // the next keys are the user's, not the output's
        }
        return seen;
    };
    seed_random_choices(7);
    const std::string first = choices();
    EXPECT_EQ(first, "a a c a b{Enter} c c b{Enter} c a b{Enter} a ");
    seed_random_choices(7);
    EXPECT_EQ(choices(), first) << "the same seed, the same choices";
    EXPECT_EQ(prepared_output("qe"), "[]");
}

TEST_F(EngineTest, InsertedTextIsTypedAsTheCharactersItHolds) {
    const char* const texts[] = {
        "RUN: notepad.exe",
        "WINDOW: Untitled",
        "LIST: a;b",
        "SEARCH:",
        "PAUSE:",
        "{Enter}{Delay 100}{click 1,2}{mouse_return}{CtrlDown}",
        "%USERNAME% {{yyyy}} {U+1F600}",
        "{Snip:qq}{Random:a|b}{Cursor}{Clipboard}{Selection}{Input:Name}",
    };
    sim_set_env("USERNAME", "ann");
    sim_set_foreground(sim_add_window("Document"));
    for (const char* text : texts) {
        sim_set_clipboard(text);
        start("; Quillomat_CASE: on\r\nqq=[{Clipboard}]\r\n");
        EXPECT_EQ(prepared_output("QQ"), std::string("[") + text + "]");
        EXPECT_EQ(typed_length(engine.player.script), static_cast<int>(std::strlen(text)) + 2)
            << text << ": characters only";
        sim_run_until_idle();
        EXPECT_EQ(sim_log({"launch", "list", "paused"}), "") << text;
    }
}

TEST_F(EngineTest, AClipboardWithoutTextInsertsNothingAndTheStatusBarSaysSo) {
    sim_set_clipboard_picture();
    EXPECT_EQ(run("qq=a{Clipboard}b{Clipboard}c\r\n", "type:qq", {"keys", "status"}),
              "80 keys +08 -08 +08 -08\n"
              "80 status  Shortcuts Used:  1\n"
              "80 status  The clipboard holds no text: {Clipboard} typed nothing\n"
              "81 keys +41 -41 +42 -42 +43 -43\n");
    sim_set_clipboard("mine", true);
    EXPECT_EQ(prepared_output("qq"), "abc");
    EXPECT_EQ(sim_status_text(), " Another program holds the clipboard: {Clipboard} typed nothing");
}

TEST_F(EngineTest, InsertedTextIsTakenBackByBackspaceWithTheRestOfTheOutput) {
    engine.undo.enabled = true;
    sim_set_clipboard("\xD0\xAF");
    // The user's Backspace took the Я; the program takes the a and types qq back.
    EXPECT_EQ(run("qq=a{Clipboard}\r\n", "type:qq t:100 d:bs t:40 u:bs", {"keys"}),
              "80 keys +08 -08 +08 -08\n"
              "81 keys +41 -41 +U042F -U042F\n"
              "261 keys +08 -08 +51 -51 +51 -51\n");
}

TEST_F(EngineTest, TheSelectionIsCopiedAndTheClipboardGivenBackOnceTheCopyHasLanded) {
    const struct {
        const char* name;
        const char* triggers;
        void (*arrange)();
        const char* script;
        const char* transcript;
        const char* clipboard_after;
    } cases[] = {
        {"a hotkey wraps the selection", "{control}{alt}q=<{Selection}>\r\n",
         [] { sim_set_selection("w\xC3\xB6rd", 30); }, "d:ctrl d:alt d:q t:40 u:q u:ctrl u:alt",
         "40 keys +11e +43 -43 -11e\n"
         "70 clipboard given back\n"
         "71 keys +10 +BC -BC -10 +57 -57 +U00F6 -U00F6 +52 -52 +44 -44 +10 +BE -BE -10\n",
         "mine"},
        {"nothing selected: the wait ends, nothing is inserted",
         "{control}{alt}q=<{Selection}>\r\n", [] {}, "d:ctrl d:alt d:q t:40 u:q u:ctrl u:alt",
         "40 keys +11e +43 -43 -11e\n"
         "541 keys +10 +BC -BC -10 +10 +BE -BE -10\n",
         "mine"},
        {"a console window gets Ctrl+Insert", "{control}{alt}q=<{Selection}>\r\n",
         [] {
             sim_set_selection("dir", 0);
             const WindowId console = sim_add_window("cmd");
             sim_set_window_program(console, "cmd.exe", "ConsoleWindowClass");
             sim_set_foreground(console);
         },
         "d:ctrl d:alt d:q t:40 u:q u:ctrl u:alt",
         "40 keys +11e +2De -2De -11e\n"
         "50 clipboard given back\n"
         "51 keys +10 +BC -BC -10 +44 -44 +49 -49 +52 -52 +10 +BE -BE -10\n",
         "mine"},
        {"a typed trigger replaced the selection: nothing is copied", "qq=<{Selection}>\r\n",
         [] { sim_set_selection("word", 0); }, "type:qq",
         "80 keys +08 -08 +08 -08\n"
         "81 keys +10 +BC -BC -10 +10 +BE -BE -10\n",
         "mine"},
        {"the clipboard is busy: nothing is copied", "{control}{alt}q=<{Selection}>\r\n",
         [] {
             sim_set_clipboard("mine", true);
             sim_set_selection("word", 0);
         },
         "d:ctrl d:alt d:q t:40 u:q u:ctrl u:alt",
         "40 clipboard busy\n"
         "41 keys +10 +BC -BC -10 +10 +BE -BE -10\n",
         "mine"},
    };
    for (const auto& c : cases) {
        sim_reset();
        reset_engine();
        sim_set_clipboard("mine");
        sim_set_foreground(sim_add_window("Document"));
        c.arrange();
        EXPECT_EQ(run(c.triggers, c.script, {"keys", "clipboard"}), c.transcript) << c.name;
        EXPECT_EQ(sim_clipboard(), c.clipboard_after) << c.name;
    }
}

TEST(InsertReport, MarksTheTokensAndNamesWhatCannotWorkOnItsLine) {
    const std::string file = "b1=x{Snip:b2}\n"
                             "b2=y{Snip:b1}z\n"
                             "c1=a{Cursor}b{cursor}c\n"
                             "c2=a{Cursor}b{Home}\n"
                             "c3={Random:a{Cursor}b|c{Cursor}}d\n"
                             "m1={Snip:gone}{Random:}{Snip:c3}\n"
                             "t1=<{Selection}>{Clipboard}\n"
                             "{control}{alt}q=<{Selection}>{Snip:c2}\n";
    TriggerReport report;
    build_trigger_report(file.data(), file.size(), false, report);
    const std::string out = format_trigger_report(report);
    for (const char* tagged :
         {"\"b1\"  [snip: b2]\n", "\"c3\"  [cursor]  [random]\n",
          "\"m1\"  [snip: gone]  [snip: c3]  [random]\n", "\"t1\"  [clipboard]  [selection]\n",
          "Ctrl+Alt+Q  [selection]  [snip: c2]\n"})
        EXPECT_NE(out.find(tagged), std::string::npos) << tagged << out;
    const std::string notes = out.substr(out.find("Output tokens:"));
    EXPECT_EQ(notes,
              "Output tokens:\n"
              "  line 1: a {Snip:} loop: line 1 (b1) -> line 2 (b2) -> line 1 (b1); the chain "
              "stops where it comes back\n"
              "  line 2: a {Snip:} loop: line 2 (b2) -> line 1 (b1) -> line 2 (b2); the chain "
              "stops where it comes back\n"
              "  line 3: a second {Cursor}: only the first one places the caret\n"
              "  line 4: the caret cannot be placed at {Cursor}: more than characters, {Enter} "
              "and {Tab} follows it, so the caret stays at the end\n"
              "  line 6: {Snip:gone} names no trigger: it inserts nothing\n"
              "  line 6: an empty {Random:}: it inserts nothing\n"
              "  line 7: {Selection} in a typed trigger inserts nothing: typing the trigger "
              "replaced the selection (a hotkey keeps it)\n"
              "  line 8: the caret cannot be placed at {Cursor}: more than characters, {Enter} "
              "and {Tab} follows it, so the caret stays at the end\n"
              "8 triggers loaded, 0 lines never fire, 0 lines with likely mistakes\n");
}
