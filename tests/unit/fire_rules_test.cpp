// Where and when triggers fire: the program in front, word starts, case,
// pause, and keys typed into another window.
#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {
// Brings a window of the program to the front.
void front(const char* exe, const char* title = "Document", const char* window_class = "Window") {
    const WindowId window = sim_add_window(title);
    sim_set_window_program(window, exe, window_class);
    sim_set_foreground(window);
}

int backspaces(const std::string& transcript) {
    int count = 0;
    for (std::size_t at = transcript.find("+08"); at != std::string::npos;
         at = transcript.find("+08", at + 1))
        ++count;
    return count;
}
} // namespace

TEST_F(EngineTest, TheProgramInFrontDecidesWhatFires) {
    const std::string file = "; Quillomat_NEVER_IN: keepass.exe, ztw*.exe, title:Remote Desktop, "
                             "class:ConsoleWindowClass\r\n"
                             "; Quillomat_ONLY_IN: winword.exe, keepass.exe\r\n"
                             "sig=Word signature\r\n"
                             "; Quillomat_ONLY_IN: OUTLOOK.EXE\r\n"
                             "sig=Mail signature\r\n"
                             "; Quillomat_ONLY_IN: *\r\n"
                             "sig=Plain signature\r\n";
    const struct {
        const char *exe, *title, *window_class, *output;
    } cases[] = {
        {"WINWORD.EXE", "Document", "OpusApp", "Word signature"},
        {"outlook.exe", "Inbox", "rctrl_renwnd32", "Mail signature"},
        {"notepad.exe", "Untitled", "Notepad", "Plain signature"},
        {"keepass.exe", "Database", "Window", "<none>"}, // NEVER_IN beats ONLY_IN
        {"ZTW32.EXE", "Shell", "Window", "<none>"},
        {"mstsc.exe", "host - Remote Desktop Connection", "Window", "<none>"},
        {"cmd.exe", "Command Prompt", "ConsoleWindowClass", "<none>"},
    };
    for (const auto& c : cases) {
        start(file);
        front(c.exe, c.title, c.window_class);
        EXPECT_EQ(prepared_output("sig"), c.output) << c.exe;
        if (std::string(c.output) == "<none>") {
            EXPECT_EQ(backspaces(sim_key_transcript()), 0) << c.exe << ": nothing is erased";
        }
        sim_run_until_idle();
    }
}

TEST_F(EngineTest, WordStartsCaseAndOtherWindows) {
    const std::string file = "; Quillomat_WORD_START: on\r\nbtw=by the way\r\n"
                             "; Quillomat_WORD_START: off\r\n; Quillomat_CASE: on\r\n"
                             "qqn=note {Enter}%USERNAME% RUN: Notes.exe\r\n"
                             "qqo=50% off, 20% more\r\n"
                             "qqt=\x99 and \x80 rates\r\n";
    start(file);
    EXPECT_EQ(prepared_output("abtw"), "<none>") << "a letter before a word-start trigger";
    sim_run_until_idle();
    sim_press_at(sim_now(), 1, 40); // a click: the start of a word
    sim_run_for(100);
    EXPECT_EQ(prepared_output("btw"), "by the way");
    sim_run_until_idle();
    EXPECT_EQ(prepared_output(" btw"), "by the way");
    sim_run_until_idle();

    EXPECT_EQ(prepared_output("qqn"), "note {Enter}%USERNAME% RUN: Notes.exe");
    sim_run_until_idle();
    sim_set_caps_lock(true); // every letter typed upper case: the output's letters too
    EXPECT_EQ(prepared_output("qqn"), "NOTE {Enter}%USERNAME% RUN: Notes.exe");
    sim_run_until_idle();
    EXPECT_EQ(prepared_output("qqo"), "50% OFF, 20% MORE") << "no variable there";
    sim_run_until_idle();
    sim_set_caps_lock(false);
    sim_press_at(sim_now(), 16, 100); // Shift on the first letter: capitalised
    sim_press_at(sim_now() + 20, 'Q', 40);
    sim_run_for(200);
    EXPECT_EQ(prepared_output("qn"), "Note {Enter}%USERNAME% RUN: Notes.exe");
    sim_run_until_idle();
    sim_press_at(sim_now(), 16, 100);
    sim_press_at(sim_now() + 20, 'Q', 40);
    sim_run_for(200);
    EXPECT_EQ(prepared_output("qt"), "\x99 And \x80 rates") << "symbols are no first letter";
    sim_run_until_idle();

    // "bt" typed in one window, "w" in another: nothing fires, nothing is erased there.
    front("one.exe");
    sim_type("bt");
    sim_run_for(300);
    front("two.exe");
    sim_clear_key_events();
    EXPECT_EQ(prepared_output("w"), "<none>");
    EXPECT_EQ(backspaces(sim_key_transcript()), 0);
}

TEST_F(EngineTest, PauseLeavesOnlyItsOwnAndTheSearchHotkeysLive) {
    start("{control}{alt}p=PAUSE:\r\n{control}{alt}f=SEARCH:\r\nbtw=by the way\r\n");
    auto hotkey = [](int key) {
        sim_press_at(sim_now(), 17, 200);
        sim_press_at(sim_now() + 10, 18, 190);
        sim_press_at(sim_now() + 50, key, 40);
        sim_run_for(400);
    };
    hotkey('P');
    EXPECT_NE(sim_log({"paused"}).find("paused on"), std::string::npos);
    EXPECT_EQ(prepared_output("btw"), "<none>");
    sim_run_until_idle();
    hotkey('F');
    EXPECT_NE(sim_log({"search"}).find("search open"), std::string::npos)
        << "the search stays live";
    search_window_closed(-1);
    sim_run_for(50);
    sim_clear_log();
    hotkey('P');
    EXPECT_NE(sim_log({"paused"}).find("paused off"), std::string::npos);
    EXPECT_EQ(prepared_output("btw"), "by the way");
    sim_run_until_idle();

    // A PAUSE: hotkey in a section for other programs is no hotkey here.
    start("; Quillomat_ONLY_IN: other.exe\r\n{control}{alt}p=PAUSE:\r\n");
    sim_clear_log();
    hotkey('P');
    EXPECT_EQ(sim_log({"paused"}), "");
}

TEST_F(EngineTest, BackspaceRightAfterAnOutputTakesItBack) {
    const struct {
        const char* output;
        std::function<void()> next_key; // pressed right after the output played
        const char* after;              // key events after the output, "" for none
    } cases[] = {
        // "ab{Enter}" is three characters: the user's Backspace took one, two more go,
        // and "qq" is typed back.
        {"ab{Enter}", [] { sim_press_at(sim_now(), 8, 40); }, "+08 -08 +08 -08 +51 -51 +51 -51"},
        {"ab{Left}", [] { sim_press_at(sim_now(), 8, 40); }, ""},  // another key: final
        {"ab RUN: x", [] { sim_press_at(sim_now(), 8, 40); }, ""}, // a command: final
        {"ab",
         [] { // Shift first ends the chance
             sim_press_at(sim_now(), 16, 40);
             sim_press_at(sim_now() + 100, 8, 40);
         },
         ""},
    };
    for (const auto& c : cases) {
        start(std::string("qq=") + c.output + "\r\n");
        engine.undo.enabled = true;
        sim_allow_program("*");
        sim_type("qq");
        sim_run_until_idle();
        sim_clear_key_events();
        c.next_key();
        sim_run_for(400);
        EXPECT_EQ(sim_key_transcript(), c.after) << c.output;
        EXPECT_EQ(history(), "") << c.output << ": the trigger does not fire again at once";
    }
    engine.undo.enabled = false;
}

TEST_F(EngineTest, AWindowWithHigherRightsGetsNeitherErasingNorTyping) {
    start("btw=by the way\r\n");
    const WindowId window = sim_add_window("Administrator: Command Prompt");
    sim_set_window_program(window, "cmd.exe", "ConsoleWindowClass", true);
    sim_set_foreground(window);
    EXPECT_EQ(prepared_output("btw"), "<none>");
    EXPECT_EQ(backspaces(sim_key_transcript()), 0);
    EXPECT_EQ(sim_status_text(), " Cannot type into cmd.exe: it runs as administrator");
    sim_type("btw");
    sim_run_for(500);
    const std::string notes = sim_log({"note"});
    EXPECT_EQ(std::count(notes.begin(), notes.end(), '\n'), 1)
        << "the tray says it once: " << notes;
    EXPECT_NE(notes.find("Quillomat cannot type into cmd.exe: it runs as administrator."),
              std::string::npos);
}
