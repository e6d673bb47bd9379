// The player: what an output does, tick by tick. Each output is the trigger
// "x"'s, typed at 0 and seen by the poll at 10: erased, counted, and played
// from 11 on.
#include "engine_fixture.h"

namespace {
const std::string fired = "10 keys +08 -08\n10 status  Shortcuts Used:  1\n10 timer 7772 1\n";

Scenario output(
    const char* name, const std::string& output, const std::string& after,
    std::function<void()> arrange = [] {}) {
    return Scenario{name, "x=" + output + "\r\n", "type:x", fired + after, std::move(arrange)};
}
} // namespace

TEST_F(EngineTest, KeysGoOutInOneBurstAndDelaysEndTheTick) {
    expect_scenarios({
        output("keys and tokens, Shift only where a character needs it",
               "Hi!{Enter}{ctrldown}c{CtrlUp}{Enter 3}{",
               "11 keys +10 +48 -48 -10 +49 -49 +10 +31 -31 -10 +0D -0D +11e +43 -43 -11e "
               "+10 +DB -DB -10 +10 +45 -45 -10 +4E -4E +54 -54 +45 -45 +52 -52 +20 -20 +33 -33 "
               "+10 +DD -DD -10 +10 +DB -DB -10\n"
               "11 timer 7771 10\n"),
        output("{Delay=500}", "{Delay=500}ab",
               "11 timer 7772 500\n511 keys +41 -41 +42 -42\n511 timer 7771 10\n"),
        output("{delay 250}", "{delay 250}a",
               "11 timer 7772 250\n261 keys +41 -41\n261 timer 7771 10\n"),
        output("{Delay} alone", "{Delay}x7",
               "11 timer 7772 7\n18 keys +58 -58 +37 -37\n18 timer 7771 10\n"),
        output("{Delay500}: the 5 is the separator", "{Delay500}a",
               "11 timer 7772 0\n21 keys +41 -41\n21 timer 7771 10\n"),
        output("a negative delay is no pause", "{Delay=-20}a",
               "11 timer 7772 0\n21 keys +41 -41\n21 timer 7771 10\n"),
        output("{Delay unclosed", "{Delay", "11 timer 7772 0\n21 timer 7771 10\n"),
    });
}

TEST_F(EngineTest, ClicksLandRelativeToTheForegroundWindow) {
    const std::string left = "11 mouse +left\n11 mouse -left\n";
    const std::string pause = "11 timer 7772 10\n21 timer 7771 10\n"; // a click takes effect
    const auto target = [] { sim_add_window("Target", ScreenRect{100, 100, 600, 500}); };
    const auto double_click = [](uint32_t ms) {
        return [ms] {
            sim_add_window("Target", ScreenRect{0, 0, 600, 500});
            sim_set_double_click_time(ms);
        };
    };
    expect_scenarios({
        output("left", "{click 100,50}", "11 cursor 200,150\n" + left + pause, target),
        output("right", "{click right 100,50}",
               "11 cursor 200,150\n11 mouse +right\n11 mouse -right\n" + pause, target),
        output("middle", "{click mid 3,4}",
               "11 cursor 103,104\n11 mouse +mid\n11 mouse -mid\n" + pause, target),
        output("left of the window", "{click -5,10}x",
               "11 cursor 95,110\n" + left +
                   "11 timer 7772 10\n21 keys +58 -58\n21 timer 7771 10\n",
               target),
        output("unclosed", "{click", "11 cursor 100,100\n" + left + pause, target),
        output("x only", "{click 7}", "11 cursor 107,100\n" + left + pause, target),
        output("clamped, never overflowed", "{click 2147483647,-2147483648}",
               "11 cursor 2147483647,-2147483548\n" + left + pause, target),
        output("double: half the double-click time apart", "{click dbl 10,10}",
               "11 cursor 10,10\n" + left +
                   "11 timer 7772 250\n"
                   "261 mouse +left\n261 mouse -left\n261 timer 7772 10\n"
                   "271 timer 7771 10\n",
               double_click(500)),
        output("double: at least 10 ms apart", "{click dbl 0,0}",
               "11 cursor 0,0\n" + left +
                   "11 timer 7772 10\n21 mouse +left\n21 mouse -left\n31 timer 7771 10\n",
               double_click(12)),
    });
}

// The pointer goes back to where it was when the trigger fired.
TEST_F(EngineTest, MouseReturnPutsThePointerBack) {
    const std::string back = "11 timer 7772 10\n21 timer 7771 10\n";
    const auto screen = [](int32_t width, int32_t height) {
        return [=] { sim_set_screen(width, height); };
    };
    expect_scenarios({
        {"a screen", "x={mouse_return}\r\n", "mouse:512,384 type:x",
         fired + "11 mouse move 32767,32767 absolute\n11 cursor 512,384\n" + back,
         screen(1025, 769)},
        // 39999 * 65535 does not fit in 32 bits.
        {"a wide screen", "x={mouse_return}\r\n", "mouse:39999,1 type:x",
         fired + "11 mouse move 65535,65535 absolute\n11 cursor 39999,1\n" + back,
         screen(40000, 2)},
        {"no division by zero", "x={mouse_return}\r\n", "mouse:0,0 type:x",
         fired + "11 mouse move 0,0 absolute\n11 cursor 0,0\n" + back, screen(1, 1)},
    });
}

TEST_F(EngineTest, CommandsRunActivateAndList) {
    const auto notepad = [] { sim_allow_program("notepad"); };
    const auto windows = [] {
        sim_add_window("Other");
        sim_add_window("Untitled - Notepad", ScreenRect{0, 0, 10, 10}, true, true);
    };
    expect_scenarios({
        output("RUN: launches, and the same tick goes on", "RUN: notepad{Delay=1000}hi",
               "11 launch notepad ||\n11 timer 7772 1000\n"
               "1011 keys +48 -48 +49 -49\n1011 timer 7771 10\n",
               notepad),
        output("a failed RUN: says so, naming the trigger, and ends the output",
               "RUN: C:\\Tools\\missing.exe{Enter}x",
               "11 directory C:\\Tools\n"
               "11 launch failed C:\\Tools\\missing.exe ||\n"
               "11 launch failed C:\\Tools\\missing.exe ||\n"
               "11 message Unable to run program~~Trigger: x~Command: RUN: C:\\Tools\\missing.exe "
               "|Quillomat| 52030\n"
               "11 timer 7771 10\n"),
        output("WINDOW: restores the window and goes on", "WINDOW: Untitled{Enter}",
               "11 activate Untitled - Notepad restore\n11 timer 7772 10\n"
               "21 keys +0D -0D\n21 timer 7771 10\n",
               windows),
        output("a window not found ends the output", "WINDOW: Calculator{Enter}",
               "11 message Window not found~~Trigger: x~Command: WINDOW: Calculator |Quillomat| "
               "52030\n"
               "11 timer 7771 10\n",
               windows),
        output("LIST: opens, and the rest plays at once", "LIST: a;;b{Enter}x",
               "11 list a;;b\n11 keys +0D -0D +58 -58\n11 timer 7771 10\n"),
    });
}

// Arguments name files and windows: the characters they stand for, whatever
// the code page, reach the system in UTF-8; and they are cut at their limits.
TEST_F(EngineTest, CommandArgumentsKeepEveryCharacterUpToTheirLimits) {
    const auto anything = [] { sim_allow_program("*"); };
    expect_scenarios({
        output("a program", "RUN: C:\\{U+0414}\\caf\xE9.txt{Enter}",
               "11 directory C:\\\xD0\x94\n"
               "11 launch C:\\\xD0\x94\\caf\xC3\xA9.txt ||\n"
               "11 keys +0D -0D\n"
               "11 timer 7771 10\n",
               anything),
        output("a window", "WINDOW: {U+0414}{U+0438}{U+043C}{U+0430}",
               "11 activate \xD0\x94\xD0\xB8\xD0\xBC\xD0\xB0 - Notes show\n11 timer 7772 10\n"
               "21 timer 7771 10\n",
               [] { sim_add_window("\xD0\x94\xD0\xB8\xD0\xBC\xD0\xB0 - Notes"); }), // Дима
        // 258 characters make the command; its program part is cut to 254, the rest typed.
        output("a long program", "RUN: " + std::string(300, 'p'),
               "11 launch " + std::string(254, 'p') + " ||\n11 keys" + repeat(" +50 -50", 42) +
                   "\n11 timer 7771 10\n",
               anything),
        output("a long title", "WINDOW: " + std::string(100, 't'),
               "11 message Window not found~~Trigger: x~Command: WINDOW: " + std::string(62, 't') +
                   " |Quillomat| 52030\n11 timer 7771 10\n"),
    });
}

// Long runs of text go in through the clipboard where the file asks for it;
// the user's clipboard comes back unless something was copied meanwhile.
TEST_F(EngineTest, LongTextRunsArePastedAndTheClipboardComesBack) {
    const std::string long_run(12, 'x'), paste = "; Quillomat_PASTE: 10\r\n";
    const std::string qq_fired = "80 keys +08 -08 +08 -08\n"
                                 "80 status  Shortcuts Used:  1\n"
                                 "80 timer 7772 1\n";
    const std::string pasted = "81 clipboard put xxxxxxxxxxxx\n"
                               "81 keys +11e +56\n"
                               "81 pasted xxxxxxxxxxxx\n"
                               "81 keys -56 -11e\n"
                               "81 timer 7772 5\n";
    const std::string typed = "81 keys" + repeat(" +58 -58", 12) + "\n81 timer 7771 10\n";
    const auto row = [&](
                         const char* name, const std::string& directives,
                         const std::string& transcript, std::function<void()> arrange = [] {}) {
        return Scenario{name, directives + "qq=" + long_run + "\r\n", "type:qq",
                        qq_fired + transcript, [arrange] {
                            sim_set_clipboard("mine");
                            arrange();
                            sim_add_window("Document");
                        }};
    };
    expect_scenarios({
        row("pasted", paste,
            pasted + "86 clipboard restored\n"
                     "86 timer 7771 10\n"),
        row("shorter than asked", "; Quillomat_PASTE: 20\r\n", typed),
        row("no directive", "", typed),
        row("another program holds the clipboard", paste, "81 clipboard busy\n" + typed,
            [] { sim_set_clipboard("mine", true); }),
        row("copied meanwhile", paste,
            pasted + "86 clipboard left alone\n"
                     "86 timer 7771 10\n",
            [] { sim_copy_when_pasted("copied"); }),
        row("a program that types", paste + "; Quillomat_TYPE_IN: program.exe\r\n", typed),
    });
    // What follows the run is typed after the paste is taken.
    fresh();
    sim_add_window("Document");
    EXPECT_EQ(run(paste + "qq=" + long_run + "{Enter}ab\r\n", "type:qq"),
              qq_fired + pasted +
                  "86 clipboard restored\n"
                  "86 keys +0D -0D +41 -41 +42 -42\n"
                  "86 timer 7771 10\n");
}

// Caps Lock is switched off around the characters, and on again after: the
// window gets them as written and the user keeps the lock as it was. An
// output that works the lock itself is left to it.
TEST_F(EngineTest, CapsLockLeavesOutputsAsWritten) {
    const std::string f1 = "d:f1 t:40 u:f1";
    const std::string f1_fired = "10 status  Shortcuts Used:  1\n10 timer 7772 1\n";
    const auto caps_on = [] { sim_set_caps_lock(true); };
    expect_scenarios({
        {"a hotkey's output", "{F1}=Hi{Enter}!\r\n", f1,
         f1_fired + "11 keys +14 -14 +10 +48 -48 -10 +49 -49 +14 -14 +0D -0D "
                    "+14 -14 +10 +31 -31 -10 +14 -14\n11 timer 7771 10\n",
         caps_on},
        {"the lock in the output", "{F1}={CapsLock}ab{CapsLock}\r\n", f1,
         f1_fired + "11 keys +14 -14 +41 -41 +42 -42 +14 -14\n11 timer 7771 10\n", caps_on},
        // BTW on the screen: the output in capitals, as the user meant.
        {"the case rule", "; Quillomat_CASE: on\r\nbtw=by\r\n", "type:btw",
         "160 keys +08 -08 +08 -08 +08 -08\n160 status  Shortcuts Used:  1\n160 timer 7772 1\n"
         "161 keys +14 -14 +10 +42 -42 -10 +10 +59 -59 -10 +14 -14\n161 timer 7771 10\n",
         caps_on},
        {"Shift with the lock gives lower case", "; Quillomat_CASE: on\r\nbtw=by\r\n",
         "d:shift t:20 d:b t:40 u:b t:20 u:shift type:tw",
         "160 keys +08 -08 +08 -08 +08 -08\n160 status  Shortcuts Used:  1\n160 timer 7772 1\n"
         "161 keys +14 -14 +42 -42 +59 -59 +14 -14\n161 timer 7771 10\n",
         caps_on},
    });
    EXPECT_TRUE(caps_lock_on()) << "on again, as the user had it";
}

// The user's clipboard goes back only once the window has read the pasted
// text. A window that reads nothing in 3 s gets the text typed, when it is
// still in front; then the text is off the clipboard first, so that a late
// paste brings nothing. Otherwise the text stays on the clipboard.
TEST_F(EngineTest, APasteNotTakenIsTypedOrLeftButNeverGetsTheUsersClipboard) {
    const std::string triggers = "; Quillomat_PASTE: 10\r\nqq=" + std::string(12, 'x') + "\r\n";
    const std::string sent = "80 keys +08 -08 +08 -08\n80 status  Shortcuts Used:  1\n"
                             "80 timer 7772 1\n81 clipboard put xxxxxxxxxxxx\n"
                             "81 keys +11e +56 -56 -11e\n81 timer 7772 5\n";
    const std::string typed_instead =
        "3081 clipboard emptied\n"
        "3081 keys" +
        repeat(" +58 -58", 12) +
        "\n3081 status  The window did not take the paste: the text was typed instead\n"
        "3081 timer 7771 10\n";
    const std::string left =
        "3081 status  The window did not take the paste: the text is left on the clipboard\n"
        "3081 timer 7771 10\n";
    const auto window = [](uint32_t paste_delay) {
        return [paste_delay] {
            sim_set_clipboard("mine");
            sim_front_program("editor.exe");
            sim_set_paste_delay(paste_delay);
        };
    };
    expect_scenarios({
        {"a window that takes 1.5 s", triggers, "type:qq",
         sent + "1581 pasted xxxxxxxxxxxx\n1581 clipboard restored\n1581 timer 7771 10\n",
         window(1500)},
        {"a window that ignores the paste", triggers, "type:qq", sent + typed_instead,
         window(sim_paste_never)},
        {"too late: nothing comes twice", triggers, "type:qq",
         sent + typed_instead + "4081 pasted\n", window(4000)},
        {"another window in front by then", triggers, "type:qq t:1000 front:other.exe",
         sent + left + "4081 pasted xxxxxxxxxxxx\n", window(4000)},
        {"the user took over", triggers, "type:qq t:1000 d:x t:40 u:x",
         sent + "1160 status  Output stopped: a key was pressed while it played\n" + left,
         [=] {
             window(sim_paste_never)();
             start_watching();
         }},
    });
    EXPECT_EQ(sim_clipboard(), "xxxxxxxxxxxx") << "left there for the user to paste";
}
