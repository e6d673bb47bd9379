// The playback interpreter: what an output text does, tick by tick.
#include "engine_fixture.h"

TEST_F(EngineTest, KeysAndTokensPlayInOneBurst) {
    play("Hi{Enter}{ctrldown}c{CtrlUp}{Enter 3}{");
    EXPECT_EQ(sim_log(),
              "1 keys +10 +48 -48 -10 +49 -49 +0D -0D +11e +43 -43 -11e "
              "+10 +DB -DB -10 +10 +45 -45 -10 +4E -4E +54 -54 +45 -45 +52 -52 +20 -20 +33 -33 "
              "+10 +DD -DD -10 +10 +DB -DB -10\n"
              "1 timer 7771 10\n");
}

TEST_F(EngineTest, DelaysEndTheTickAndSetTheNextOne) {
    struct Case {
        const char* output;
        const char* log;
    } cases[] = {
        {"{Delay=500}ab", "1 timer 7772 500\n501 keys +41 -41 +42 -42\n501 timer 7771 10\n"},
        {"{delay 250}a", "1 timer 7772 250\n251 keys +41 -41\n251 timer 7771 10\n"},
        {"{Delay}x7", "1 timer 7772 7\n8 keys +58 -58 +37 -37\n8 timer 7771 10\n"},
        {"{Delay500}a",
         "1 timer 7772 0\n11 keys +41 -41\n11 timer 7771 10\n"}, // the 5 is the separator
        {"{Delay=-20}a",
         "1 timer 7772 0\n11 keys +41 -41\n11 timer 7771 10\n"}, // negative: no pause
        {"{Delay", "1 timer 7772 0\n11 timer 7771 10\n"},
    };
    for (const Case& c : cases) {
        sim_reset();
        play(c.output);
        EXPECT_EQ(sim_log(), c.log) << c.output;
    }
}

TEST_F(EngineTest, ClicksLandRelativeToTheForegroundWindow) {
    struct Case {
        const char* output;
        const char* log;
    } cases[] = {
        {"{click 100,50}",
         "1 cursor 200,150\n1 mouse +left\n1 mouse -left\n1 timer 7772 10\n11 timer 7771 10\n"},
        {"{click right 100,50}",
         "1 cursor 200,150\n1 mouse +right\n1 mouse -right\n1 timer 7772 10\n11 timer 7771 10\n"},
        {"{click mid 3,4}",
         "1 cursor 103,104\n1 mouse +mid\n1 mouse -mid\n1 timer 7772 10\n11 timer 7771 10\n"},
        {"{click -5,10}x", "1 cursor 95,110\n1 mouse +left\n1 mouse -left\n1 timer 7772 10\n11 "
                           "keys +58 -58\n11 timer 7771 10\n"},
        {"{click",
         "1 cursor 100,100\n1 mouse +left\n1 mouse -left\n1 timer 7772 10\n11 timer 7771 10\n"},
        {"{click 7}",
         "1 cursor 107,100\n1 mouse +left\n1 mouse -left\n1 timer 7772 10\n11 timer 7771 10\n"},
        {"{click 2147483647,-2147483648}", // clamped, never overflowed
         "1 cursor 2147483647,-2147483548\n1 mouse +left\n1 mouse -left\n1 timer 7772 10\n11 "
         "timer 7771 10\n"},
    };
    for (const Case& c : cases) {
        sim_reset();
        sim_add_window("Target", ScreenRect{100, 100, 600, 500});
        play(c.output);
        EXPECT_EQ(sim_log(), c.log) << c.output;
    }
}

TEST_F(EngineTest, ADoubleClickWaitsHalfTheDoubleClickTime) {
    sim_add_window("Target", ScreenRect{0, 0, 600, 500});
    sim_set_double_click_time(500);
    play("{click dbl 10,10}");
    EXPECT_EQ(sim_log(),
              "1 cursor 10,10\n1 mouse +left\n1 mouse -left\n1 timer 7772 250\n251 mouse +left\n"
              "251 mouse -left\n"
              "251 timer 7772 10\n261 timer 7771 10\n");
    sim_reset();
    sim_set_double_click_time(12);
    play("{click dbl 0,0}");
    EXPECT_NE(sim_log().find("11 mouse +left"), std::string::npos) << "at least 10 ms";
}

TEST_F(EngineTest, MouseReturnPutsThePointerBackWhereTheTriggerFired) {
    sim_set_screen(1025, 769);
    engine.player.saved_mouse.x = 512;
    engine.player.saved_mouse.y = 384;
    play("{mouse_return}");
    EXPECT_EQ(
        sim_log(),
        "1 mouse move 32767,32767 absolute\n1 cursor 512,384\n1 timer 7772 10\n11 timer 7771 10\n");

    sim_reset();
    sim_set_screen(40000, 2);
    engine.player.saved_mouse.x = 39999; // 39999 * 65535 does not fit in 32 bits
    engine.player.saved_mouse.y = 1;
    play("{mouse_return}");
    EXPECT_EQ(sim_log({"mouse"}), "1 mouse move 65535,65535 absolute\n");

    sim_reset();
    sim_set_screen(1, 1); // no division by zero
    play("{mouse_return}");
    EXPECT_NE(sim_log({"mouse"}), "");
}

TEST_F(EngineTest, RunLaunchesAndTheSameTickGoesOn) {
    sim_allow_program("notepad");
    play("RUN: notepad{Delay=1000}hi");
    EXPECT_EQ(
        sim_log(),
        "1 launch notepad ||\n1 timer 7772 1000\n1001 keys +48 -48 +49 -49\n1001 timer 7771 10\n");
}

TEST_F(EngineTest, AFailedRunShowsItsMessageAndEndsThePlayback) {
    play("RUN: C:\\Tools\\missing.exe{Enter}x");
    EXPECT_EQ(sim_log(), "1 directory C:\\Tools\n"
                         "1 launch failed C:\\Tools\\missing.exe ||\n"
                         "1 launch failed C:\\Tools\\missing.exe ||\n"
                         "1 message Unable to run program~~Trigger: ~Command: RUN: "
                         "C:\\Tools\\missing.exe |Quillomat| 52030\n"
                         "1 timer 7771 10\n");
    EXPECT_FALSE(engine.player.active);
}

TEST_F(EngineTest, WindowActivatesAndPausesOrEndsThePlaybackWithAMessage) {
    sim_add_window("Other");
    sim_add_window("Untitled - Notepad", ScreenRect{0, 0, 10, 10}, true, true);
    play("WINDOW: Untitled{Enter}");
    EXPECT_EQ(sim_log(), "1 activate Untitled - Notepad restore\n1 timer 7772 10\n11 keys +0D "
                         "-0D\n11 timer 7771 10\n");

    play("WINDOW: Calculator{Enter}");
    EXPECT_EQ(sim_log(), "12 message Window not found~~Trigger: ~Command: WINDOW: Calculator "
                         "|Quillomat| 52030\n12 timer 7771 10\n");
}

TEST_F(EngineTest, AFailedCommandNamesItsTrigger) {
    start("qw=WINDOW: Nowhere{Enter}\r\n");
    sim_type("qw");
    sim_run_until_idle();
    EXPECT_NE(
        sim_log({"message"})
            .find("message Window not found~~Trigger: qw~Command: WINDOW: Nowhere |Quillomat|"),
        std::string::npos)
        << sim_log({"message"});
}

TEST_F(EngineTest, ListOpensAndTheRestPlaysAtOnce) {
    play("LIST: a;;b{Enter}x");
    EXPECT_EQ(sim_log(), "1 list a;;b\n1 keys +0D -0D +58 -58\n1 timer 7771 10\n");
}

// Arguments name files and windows: the characters they stand for, whatever
// the code page, reach the system in UTF-8.
TEST_F(EngineTest, RunAndWindowArgumentsKeepEveryCharacter) {
    sim_allow_program("*");
    play("RUN: C:\\{U+0414}\\caf\xE9.txt{Enter}");
    EXPECT_EQ(sim_log({"launch", "directory"}),
              "1 directory C:\\\xD0\x94\n1 launch C:\\\xD0\x94\\caf\xC3\xA9.txt ||\n");
    sim_add_window("\xD0\x94\xD0\xB8\xD0\xBC\xD0\xB0 - Notes"); // Дима - Notes
    play("WINDOW: {U+0414}{U+0438}{U+043C}{U+0430}");
    EXPECT_NE(sim_log({"activate"}).find("activate \xD0\x94\xD0\xB8\xD0\xBC\xD0\xB0 - Notes"),
              std::string::npos);
}

TEST_F(EngineTest, CommandArgumentsAreCutAtTheirLimits) {
    sim_allow_program("*");
    play("RUN: " + std::string(300, 'p'));
    const std::string log = sim_log({"launch", "keys"});
    // 258 characters make the command; its program part is cut to 254.
    EXPECT_NE(log.find("launch " + std::string(254, 'p') + " ||"), std::string::npos) << log;
    std::size_t typed = 0;
    for (std::size_t at = log.find("+50 -50"); at != std::string::npos;
         at = log.find("+50 -50", at + 1))
        ++typed;
    EXPECT_EQ(typed, 42u) << "the rest is typed";
    play("WINDOW: " + std::string(100, 't'));
    EXPECT_NE(sim_log().find("WINDOW: " + std::string(62, 't') + " |"), std::string::npos);
}

// Long runs of text go in through the clipboard where the file asks for it;
// the user's clipboard comes back unless something was copied meanwhile.
TEST_F(EngineTest, LongTextRunsArePastedAndTheClipboardComesBack) {
    const std::string long_run(12, 'x');
    const struct {
        const char* name;
        std::string file;
        std::function<void()> arrange;
        const char* clipboard_log; // what happened to the clipboard
        const char* clipboard;     // on the clipboard afterwards
        bool pasted;
    } cases[] = {
        {"pasted", "; Quillomat_PASTE: 10\r\nqq=" + long_run + "{Enter}ab\r\n", [] {},
         "clipboard put xxxxxxxxxxxx\nclipboard restored\n", "mine", true},
        {"shorter than asked", "; Quillomat_PASTE: 20\r\nqq=" + long_run + "\r\n", [] {}, "",
         "mine", false},
        {"no directive", "qq=" + long_run + "\r\n", [] {}, "", "mine", false},
        {"another program holds the clipboard", "; Quillomat_PASTE: 10\r\nqq=" + long_run + "\r\n",
         [] { sim_set_clipboard("mine", true); }, "clipboard busy\n", "mine", false},
        {"copied meanwhile", "; Quillomat_PASTE: 10\r\nqq=" + long_run + "\r\n",
         [] { sim_copy_when_pasted("copied"); },
         "clipboard put xxxxxxxxxxxx\nclipboard left alone\n", "copied", true},
        {"a program that types",
         "; Quillomat_PASTE: 10\r\n; Quillomat_TYPE_IN: program.exe\r\nqq=" + long_run + "\r\n",
         [] {}, "", "mine", false},
    };
    for (const auto& c : cases) {
        sim_reset();
        sim_set_clipboard("mine");
        c.arrange();
        sim_add_window("Document");
        start(c.file);
        sim_type("qq");
        sim_run_until_idle();
        std::string plain; // the clipboard's lines without their times
        const std::string log = sim_log({"clipboard"});
        for (std::size_t line = 0; line < log.size(); line = log.find('\n', line) + 1)
            plain +=
                log.substr(log.find(' ', line) + 1, log.find('\n', line) - log.find(' ', line));
        EXPECT_EQ(plain, c.clipboard_log) << c.name;
        EXPECT_EQ(sim_clipboard(), c.clipboard) << c.name;
        EXPECT_EQ(sim_pasted() == long_run, c.pasted) << c.name;
        const std::string keys = sim_key_transcript();
        EXPECT_EQ(keys.find("+58 -58") != std::string::npos, !c.pasted) << c.name << ": " << keys;
    }
}
