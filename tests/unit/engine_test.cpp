// The trigger-to-output flow on the simulated desktop: typing, matching,
// erasing, preparing the output and handing it to the playback.
#include "engine_fixture.h"

TEST_F(EngineTest, TypedTriggersAreErasedAndTheirOutputTyped) {
    const std::string last32 = "ijklmnopqrstuvwxyzabcdefghijklmn";
    expect_scenarios({
        // b, t and w go down at 0, 80 and 160 ms; the poll sees w at once.
        {"btw", "btw=by the way\r\n", "type:btw",
         "160 keys +08 -08 +08 -08 +08 -08\n"
         "160 status  Shortcuts Used:  1\n"
         "160 timer 7772 1\n"
         "161 keys +42 -42 +59 -59 +20 -20 +54 -54 +48 -48 +45 -45 +20 -20 +57 -57 +41 -41 "
         "+59 -59\n"
         "161 timer 7771 10\n"},
        {"the first matching line wins", "tw=two\r\nbtw=by the way\r\n", "type:btw",
         "160 keys +08 -08 +08 -08\n" // tw
         "160 status  Shortcuts Used:  1\n"
         "160 timer 7772 1\n"
         "161 keys +54 -54 +57 -57 +4F -4F\n"
         "161 timer 7771 10\n"},
        {"only the last 32 characters count", "abcdefgh" + last32 + "=long\r\n", "type:" + last32,
         "2480 keys" + repeat(" +08 -08", 32) +
             "\n"
             "2480 status  Shortcuts Used:  1\n"
             "2480 timer 7772 1\n"
             "2481 keys +4C -4C +4F -4F +4E -4E +47 -47\n"
             "2481 timer 7771 10\n"},
        {"a click breaks the trigger", "btw=x\r\n",
         "type:bt t:200 d:click t:40 u:click t:100 type:w", ""},
        {"Backspace takes a character back", "btw=x\r\n",
         "type:btx t:300 d:bs t:40 u:bs t:100 type:w",
         "680 keys +08 -08 +08 -08 +08 -08\n"
         "680 status  Shortcuts Used:  1\n"
         "680 timer 7772 1\n"
         "681 keys +58 -58\n"
         "681 timer 7771 10\n"},
        {"a middle click completes a trigger, erasing nothing", "xy{4}=mid\r\n",
         "type:xy t:200 d:mid t:40 u:mid",
         "360 status  Shortcuts Used:  1\n"
         "360 timer 7772 1\n"
         "361 keys +4D -4D +49 -49 +44 -44\n"
         "361 timer 7771 10\n"},
        {"lines ended by CR", "a=1\rbtw=by\rc=3", "type:btw",
         "160 keys +08 -08 +08 -08 +08 -08\n"
         "160 status  Shortcuts Used:  1\n"
         "160 timer 7772 1\n"
         "161 keys +42 -42 +59 -59\n"
         "161 timer 7771 10\n"},
        {"lines ended by LF", "a=1\nbtw=by\n", "type:btw",
         "160 keys +08 -08 +08 -08 +08 -08\n"
         "160 status  Shortcuts Used:  1\n"
         "160 timer 7772 1\n"
         "161 keys +42 -42 +59 -59\n"
         "161 timer 7771 10\n"},
        {"a trigger that ends another one's", "xbtw=no\r\nbtw=yes\r\n", "type:btw",
         "160 keys +08 -08 +08 -08 +08 -08\n"
         "160 status  Shortcuts Used:  1\n"
         "160 timer 7772 1\n"
         "161 keys +59 -59 +45 -45 +53 -53\n"
         "161 timer 7771 10\n"},
        {"an empty output is counted and ends at the first tick", "x=\r\n", "type:x",
         "10 keys +08 -08\n"
         "10 status  Shortcuts Used:  1\n"
         "10 timer 7772 1\n"
         "11 timer 7771 10\n"},
    });
}

// Each case types one key: which trigger fires shows which character it made.
TEST_F(EngineTest, CharactersFollowShiftAndCapsLock) {
    const std::string triggers = "a=1\r\nA=2\r\n!=3\r\n1=4\r\n:=5\r\n'=6\r\n$=7\r\np=8\r\n";
    auto shifted = [](const std::string& key) {
        return "d:shift t:40 d:" + key + " t:40 u:" + key + " t:40 u:shift";
    };
    expect_scenarios(
        {
            {"a", triggers, "type:a", "10 keys +08 -08\n11 keys +31 -31\n"},
            {"Shift+A", triggers, shifted("a"), "120 keys +08 -08\n121 keys +32 -32\n"},
            // The output goes out with the lock off (+14 -14), and it is on again after.
            {"Caps Lock, A", triggers, "caps:on type:a",
             "10 keys +08 -08\n11 keys +14 -14 +32 -32 +14 -14\n"},
            {"Caps Lock, Shift+A", triggers, "caps:on " + shifted("a"),
             "120 keys +08 -08\n121 keys +14 -14 +31 -31 +14 -14\n"},
            {"Shift+1", triggers, shifted("1"), "120 keys +08 -08\n121 keys +33 -33\n"},
            {"1", triggers, "type:1", "10 keys +08 -08\n11 keys +34 -34\n"},
            {"Shift+; is a colon", triggers, shifted("#BA"),
             "120 keys +08 -08\n121 keys +35 -35\n"},
            {"the quote key", triggers, "d:#DE t:40 u:#DE", "10 keys +08 -08\n11 keys +36 -36\n"},
            {"Shift+Home is no character", triggers, shifted("home"), ""},
            {"F1 is no character", triggers, "d:f1 t:40 u:f1", ""},
        },
        {"keys"}); // which output was typed is all that counts
}

TEST_F(EngineTest, HotkeysNeedExactlyTheirModifiersAndEraseNothing) {
    const std::string hotkeys = "{control}{alt}k=hot\r\n{F1}=help\r\n";
    expect_scenarios({
        {"Ctrl+Alt+K waits for Ctrl and Alt to go up", hotkeys,
         "d:ctrl t:20 d:alt t:180 d:k t:40 u:k t:60 u:alt u:ctrl",
         "200 timer 7772 10\n"
         "300 status  Shortcuts Used:  1\n"
         "300 timer 7772 1\n"
         "301 keys +48 -48 +4F -4F +54 -54\n"
         "301 timer 7771 10\n"},
        {"Ctrl+Alt+Shift+K, K, Shift+F1", hotkeys,
         "d:ctrl t:10 d:alt t:10 d:shift t:180 d:k t:40 u:k t:60 u:shift u:alt u:ctrl t:200 "
         "type:k t:100 d:shift t:50 d:f1 t:40 u:f1 t:110 u:shift",
         ""},
        {"F1", hotkeys, "d:f1 t:40 u:f1",
         "10 status  Shortcuts Used:  1\n"
         "10 timer 7772 1\n"
         "11 keys +48 -48 +45 -45 +4C -4C +50 -50\n"
         "11 timer 7771 10\n"},
        {"modifiers held past a second do not hold the output back", hotkeys,
         "d:ctrl d:alt t:100 d:k t:40 u:k t:4860 u:alt u:ctrl",
         "100 timer 7772 10\n"
         "1100 status  Shortcuts Used:  1\n"
         "1100 timer 7772 1\n"
         "1101 keys +48 -48 +4F -4F +54 -54\n"
         "1101 timer 7771 10\n"},
    });
}

// On a netbook the file can ask for the backquote key to act as Alt.
TEST_F(EngineTest, RemapModeTurnsTheBackquoteIntoAlt) {
    const std::string triggers = "; REMAP TILDE\r\n{alt}k=alt k\r\n`=typed\r\n";
    const auto netbook = [] { engine.file.table.netbook = true; };
    expect_scenarios({
        {"the backquote is Alt, and typed no more", triggers, "d:backquote t:300 u:backquote",
         "10 keys +08 -08 +12\n"
         "300 keys -12\n",
         netbook},
        // The synthesized Alt goes up before the output, which is typed at
        // once and without Alt; the release of the backquote sends nothing more.
        {"a hotkey fired through it", triggers,
         "t:10 d:backquote t:90 d:k t:40 u:k t:270 u:backquote",
         "10 keys +08 -08 +12\n"
         "100 keys -12\n"
         "100 status  Shortcuts Used:  1\n"
         "100 timer 7772 1\n"
         "101 keys +41 -41 +4C -4C +54 -54 +20 -20 +4B -4B\n"
         "101 timer 7771 10\n",
         netbook},
    });
}

TEST_F(EngineTest, VariablesAndDatesAreFilledIn) {
    const std::string big(10000, 'v');
    expect_scenarios({
        {"dates", "dt={{dd}}.{{MM}}.{{YYYY}} {{hh}}:{{uu}} {{yy}}\r\n", "type:dt",
         "80 keys +08 -08 +08 -08\n"
         "80 status  Shortcuts Used:  1\n"
         "80 timer 7772 1\n"
         "81 keys +30 -30 +37 -37 +BE -BE +31 -31 +32 -32 +BE -BE +32 -32 +30 -30 +32 -32 +36 -36 "
         "+20 -20 +30 -30 +39 -39 +10 +BA -BA -10 +30 -30 +35 -35 +20 -20 +32 -32 +36 -36\n"
         "81 timer 7771 10\n",
         [] {
             sim_set_local_time(LocalTime{2026, 12, 7, 9, 5, 0});
         }},
        {"environment variables", "me=%USERNAME%@%Missing%\r\n", "type:me",
         "80 keys +08 -08 +08 -08\n"
         "80 status  Shortcuts Used:  1\n"
         "80 timer 7772 1\n"
         "81 keys +10 +41 -41 -10 +4E -4E +4E -4E +10 +32 -32 -10 " // Ann@
         "+10 +35 -35 -10 +10 +4D -4D -10 +49 -49 +53 -53 +53 -53 +49 -49 +4E -4E +47 -47 "
         "+10 +35 -35 -10\n" // %Missing%
         "81 timer 7771 10\n",
         [] { sim_set_env("USERNAME", "Ann"); }},
        {"longer than the file", "e=%BIG%%BIG%\r\n", "type:e",
         "10 keys +08 -08\n"
         "10 status  Shortcuts Used:  1\n"
         "10 timer 7772 1\n"
         "11 keys" +
             repeat(" +56 -56", 20000) +
             "\n"
             "11 timer 7771 10\n",
         [&] { sim_set_env("BIG", big); }},
    });
}

// What plays is the line as loaded; a change on disk plays once it is
// loaded, which the watch does at once for a clean editor.
TEST_F(EngineTest, OutputsComeFromTheLoadedFile) {
    start("btw=by the way\r\nhi=first\r\nhi=second\r\n");
    write_triggers("btw=changed\r\n");
    sim_script("type:btw");
    trigger_folder_changed();
    sim_script("t:300 type:btw");
    EXPECT_EQ(sim_log(),
              "160 keys +08 -08 +08 -08 +08 -08\n"
              "160 status  Shortcuts Used:  1\n"
              "160 timer 7772 1\n"
              "161 keys +42 -42 +59 -59 +20 -20 +54 -54 +48 -48 +45 -45 +20 -20 +57 -57 "
              "+41 -41 +59 -59\n" // by the way
              "161 timer 7771 10\n"
              "241 timer 7775 200\n"
              "251 timer 7771 10\n"
              "441 status  Triggers Loaded: 1 \n"
              "441 status  Triggers Loaded: 1  (reloaded: the file changed on disk)\n"
              "701 keys +08 -08 +08 -08 +08 -08\n"
              "701 status  Shortcuts Used:  2\n"
              "701 timer 7772 1\n"
              "702 keys +43 -43 +48 -48 +41 -41 +4E -4E +47 -47 +45 -45 +44 -44\n" // changed
              "702 timer 7771 10\n");
}

// A write in the trigger file's folder looked at while an output plays
// waits for its end: polling stays off, and the modifiers it holds stay down.
TEST_F(EngineTest, AFolderChangeDuringAnOutputWaitsForItsEnd) {
    start("x={CtrlDown}{Delay 300}c{CtrlUp}\r\n");
    write_triggers("x=changed\r\n");
    trigger_folder_changed(); // looked at 200 ms later, while the output waits until 311
    sim_script("type:x");
    EXPECT_EQ(sim_log(), "0 timer 7775 200\n"
                         "10 keys +08 -08\n"
                         "10 status  Shortcuts Used:  1\n"
                         "10 timer 7772 1\n"
                         "11 keys +11e\n"
                         "11 timer 7772 300\n"
                         "200 timer 7775 200\n" // not yet
                         "311 keys +43 -43 -11e\n"
                         "311 timer 7771 10\n"
                         "400 status  Triggers Loaded: 1 \n"
                         "400 status  Triggers Loaded: 1  (reloaded: the file changed on disk)\n");
    EXPECT_EQ(sim_editor_text(), "x=changed\r\n") << "loaded once the output was done";
}

// Save clicked while an output plays: the file is written and loaded, and
// the output keeps the modifier it holds down.
TEST_F(EngineTest, ASaveDuringAnOutputLeavesItsModifiersDown) {
    start("x={CtrlDown}{Delay 300}c{CtrlUp}\r\n");
    sim_type("x");
    sim_run_for(100);
    EXPECT_TRUE(save_trigger_text("x=new\r\n"));
    sim_run_until_idle();
    EXPECT_EQ(sim_log({"keys"}), "10 keys +08 -08\n11 keys +11e\n311 keys +43 -43 -11e\n");
}

TEST_F(EngineTest, DebugModeLogsEachMatch) {
    sim_set_local_time(LocalTime{2026, 12, 7, 14, 5, 9});
    EXPECT_EQ(run("; Quillomat_DEBUG\r\nbtw=by the way\r\n", "type:btw", {"status"}),
              "160 status  Shortcuts Used:  1\n"); // what it types is another test's
    EXPECT_EQ(engine.file.debug_log, (dir / "Quillomat_log.txt").string()) << "beside the file";
    EXPECT_EQ(debug_log(), "14:05:09 \"btw=\"\r\n");

    // A folder that takes no new file: the user's own folder, and the status bar says so.
    sim_lock_file(engine.file.debug_log);
    std::filesystem::create_directories(dir / "user");
    sim_set_user_data_folder((dir / "user").string());
    sim_clear_log();
    sim_script("type:btw");
    EXPECT_EQ(sim_log({"status"}), "401 status  The debug log is written to " +
                                       (dir / "user" / "Quillomat_log.txt").string() +
                                       "\n"
                                       "401 status  Shortcuts Used:  2\n");
    EXPECT_EQ(engine.file.debug_log, (dir / "user" / "Quillomat_log.txt").string());
    EXPECT_EQ(debug_log(), "14:05:09 \"btw=\"\r\n");
}
