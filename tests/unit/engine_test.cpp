// The trigger-to-output flow on the simulated desktop: typing, matching,
// erasing, preparing the output and handing it to the playback.
#include "engine_fixture.h"

#include <fstream>
#include <sstream>

TEST_F(EngineTest, TypingBtwErasesItAndTypesByTheWay) {
    // b, t and w go down at 0, 80 and 160 ms; the poll sees w at once.
    EXPECT_EQ(
        run("btw=by the way\r\n", "type:btw"),
        "160 keys +08 -08 +08 -08 +08 -08\n"
        "160 status  Shortcuts Used:  1\n"
        "160 timer 7772 1\n"
        "161 keys +42 -42 +59 -59 +20 -20 +54 -54 +48 -48 +45 -45 +20 -20 +57 -57 +41 -41 +59 -59\n"
        "161 timer 7771 10\n");
}

TEST_F(EngineTest, ShiftIsPressedOnlyForCharactersThatNeedIt) {
    start("sig=Hi Bob!\r\n");
    sim_type("sig");
    sim_run_until_idle();
    EXPECT_NE(
        sim_log({"keys"}).find(
            "+10 +48 -48 -10 +49 -49 +20 -20 +10 +42 -42 -10 +4F -4F +42 -42 +10 +31 -31 -10"),
        std::string::npos)
        << sim_log();
}

TEST_F(EngineTest, AClickBreaksTheTriggerAndBackspaceTakesACharacterBack) {
    start("btw=x\r\n");
    sim_type("bt");
    sim_run_for(200);
    sim_press_at(sim_now(), 1, 40); // a left click
    sim_run_for(100);
    sim_type("w");
    sim_run_until_idle();
    EXPECT_EQ(sim_log({"status"}), "");

    sim_type("btx");
    sim_run_for(300);
    sim_press_at(sim_now(), 8, 40);
    sim_run_for(100);
    sim_type("w");
    sim_run_until_idle();
    EXPECT_NE(sim_log({"status"}).find("Shortcuts Used:  1"), std::string::npos);
}

TEST_F(EngineTest, OnlyTheLast32CharactersAreCompared) {
    const std::string trigger = "abcdefghijklmnopqrstuvwxyzabcdefghijklmn"; // 40 letters
    start(trigger + "=long\r\n");
    sim_type(trigger.substr(8)); // its last 32 characters
    sim_run_until_idle();
    EXPECT_EQ(engine.prepare.use_count, 1);
    const std::string keys = sim_log({"keys"});
    std::size_t erased = 0;
    for (std::size_t at = keys.find("+08 -08"); at != std::string::npos;
         at = keys.find("+08 -08", at + 1))
        ++erased;
    EXPECT_EQ(erased, 32u);
}

TEST_F(EngineTest, HotkeysNeedExactlyTheirModifiersAndEraseNothing) {
    start("{control}{alt}k=hot\r\n{F1}=help\r\n");
    // Ctrl+Alt+K, with the modifiers let go 100 ms after K.
    sim_press_at(0, 17, 300);
    sim_press_at(20, 18, 280);
    sim_press_at(200, 'K', 40);
    sim_run_until_idle();
    EXPECT_EQ(sim_log({"keys", "status"}), "300 status  Shortcuts Used:  1\n"
                                           "301 keys +48 -48 +4F -4F +54 -54\n")
        << "waits for Ctrl and Alt to go up, erases nothing";

    sim_clear_log();
    sim_press_at(sim_now() + 10, 17, 300);
    sim_press_at(sim_now() + 20, 18, 280);
    sim_press_at(sim_now() + 30, 16, 280);
    sim_press_at(sim_now() + 200, 'K', 40);
    sim_press_at(sim_now() + 500, 'K', 40); // plain K
    sim_press_at(sim_now() + 600, 16, 200); // Shift+F1
    sim_press_at(sim_now() + 650, 0x70, 40);
    sim_run_until_idle();
    EXPECT_EQ(sim_log({"status"}), "");
    sim_press_at(sim_now() + 10, 0x70, 40);
    sim_run_until_idle();
    EXPECT_EQ(engine.prepare.use_count, 2);
}

TEST_F(EngineTest, ModifiersStillHeldAfterASecondDoNotHoldThePlaybackBack) {
    start("{control}{alt}k=x\r\n");
    sim_press_at(0, 17, 5000);
    sim_press_at(0, 18, 5000);
    sim_press_at(100, 'K', 40);
    sim_run_for(1200);
    EXPECT_EQ(sim_log({"status"}), "1100 status  Shortcuts Used:  1\n");
    EXPECT_NE(sim_log({"keys"}).find("1101 keys +58 -58"), std::string::npos) << sim_log();
}

TEST_F(EngineTest, CharactersFollowShiftAndCapsLock) {
    start("zzz=x\r\n");
    struct Case {
        bool caps;
        bool shift;
        int vk;
        char expected;
    } cases[] = {
        {false, false, 'A', 'a'},   {false, true, 'A', 'A'},  {true, false, 'A', 'A'},
        {true, true, 'A', 'a'},     {false, true, '1', '!'},  {false, false, '1', '1'},
        {false, true, 0x24, '\0'},  {false, true, 0xBA, ':'}, {false, false, 0xDE, '\''},
        {false, false, 0x70, '\0'},
    };
    for (const Case& c : cases) {
        engine.keys.history.fill(0);
        sim_set_caps_lock(c.caps);
        const uint32_t t = sim_now();
        if (c.shift) sim_press_at(t, 16, 120);
        sim_press_at(t + 40, c.vk, 40);
        sim_run_for(200);
        EXPECT_EQ(engine.keys.history[0], c.expected)
            << c.vk << " shift " << c.shift << " caps " << c.caps;
    }
}

TEST_F(EngineTest, TheFirstMatchingLineInTheFileWins) {
    start("tw=two\r\nbtw=by the way\r\n");
    sim_type("btw");
    sim_run_until_idle();
    EXPECT_NE(sim_log({"keys"}).find("+08 -08 +08 -08\n"), std::string::npos)
        << "two Backspaces for tw";
    EXPECT_NE(sim_log({"keys"}).find("+54 -54 +57 -57 +4F -4F"), std::string::npos);
}

// What plays is the line as loaded; a change on disk plays once it is
// loaded, which the watch does at once for a clean editor.
TEST_F(EngineTest, OutputsComeFromTheLoadedFile) {
    start("btw=by the way\r\nhi=first\r\nhi=second\r\n");
    write_triggers("btw=changed\r\n");
    EXPECT_EQ(prepared_output("btw"), "by the way");
    sim_run_until_idle();
    trigger_folder_changed();
    sim_run_for(300);
    EXPECT_EQ(prepared_output("btw"), "changed");
}

// A write in the trigger file's folder while an output plays waits for its
// end: polling stays off, and the modifiers it holds stay down.
TEST_F(EngineTest, AFolderChangeDuringAnOutputWaitsForItsEnd) {
    start("x={CtrlDown}{Delay 300}c{CtrlUp}\r\n");
    sim_type("x");
    sim_run_for(50);
    write_triggers("x=changed\r\n");
    trigger_folder_changed(); // due at 250, while the output waits until 311
    sim_run_for(250);
    EXPECT_FALSE(sim_timer_armed(polling_timer)) << sim_log();
    sim_run_until_idle();
    EXPECT_EQ(sim_log({"keys"}), "10 keys +08 -08\n11 keys +11e\n311 keys +43 -43 -11e\n");
    EXPECT_TRUE(sim_timer_armed(polling_timer));
    EXPECT_EQ(sim_editor_text(), "x=changed\r\n") << "loaded once the output was done";
}

TEST_F(EngineTest, OutputsAreFoundInFilesWithAnyLineEnds) {
    for (const char* file : {"a=1\rbtw=by\rc=3", "a=1\nbtw=by\n", "btw=by\r\n"}) {
        start(file);
        EXPECT_EQ(prepared_output("btw"), "by") << file;
        sim_run_until_idle();
    }
    start("xbtw=no\r\nbtw=yes\r\n"); // a trigger that ends another one's line start
    EXPECT_EQ(prepared_output("btw"), "yes");
}

TEST_F(EngineTest, DatesAndEnvironmentVariablesAreFilledIn) {
    start("dt={{dd}}.{{MM}}.{{YYYY}} {{hh}}:{{uu}} {{yy}}\r\nme=%USERNAME%@%Missing%\r\n");
    sim_set_local_time(LocalTime{2026, 12, 7, 9, 5, 0});
    sim_set_env("USERNAME", "Ann");
    EXPECT_EQ(prepared_output("dt"), "07.12.2026 09:05 26");
    sim_run_until_idle();
    EXPECT_EQ(prepared_output("me"), "Ann@%Missing%");
}

TEST_F(EngineTest, AnExpansionLongerThanTheFileFitsInAGrownBuffer) {
    const std::string long_value(10000, 'v');
    start("e=%BIG%%BIG%\r\n");
    sim_set_env("BIG", long_value);
    EXPECT_EQ(prepared_output("e"), long_value + long_value);
}

TEST_F(EngineTest, DebugModeLogsEachMatch) {
    start("; Quillomat_DEBUG\r\nbtw=by the way\r\n");
    sim_set_local_time(LocalTime{2026, 12, 7, 14, 5, 9});
    sim_type("btw");
    sim_run_until_idle();
    EXPECT_EQ(engine.file.debug_log, (dir / "Quillomat_log.txt").string()) << "beside the file";
    EXPECT_EQ(debug_log(), "14:05:09 \"btw=\"\r\n");

    // A folder that takes no new file: the user's own folder, and the status bar says so.
    sim_lock_file(engine.file.debug_log);
    std::filesystem::create_directories(dir / "user");
    sim_set_user_data_folder((dir / "user").string());
    sim_type("btw");
    sim_run_until_idle();
    EXPECT_EQ(engine.file.debug_log, (dir / "user" / "Quillomat_log.txt").string());
    EXPECT_EQ(debug_log(), "14:05:09 \"btw=\"\r\n");
    EXPECT_NE(sim_log({"status"}).find("The debug log is written to"), std::string::npos);
}

TEST_F(EngineTest, AMiddleClickCompletesATriggerWithoutErasing) {
    start("xy{4}=mid\r\n");
    sim_type("xy");
    sim_run_for(200);
    sim_press_at(sim_now(), 4, 40);
    sim_run_until_idle();
    EXPECT_EQ(sim_log({"keys"}).find("+08"), std::string::npos);
    EXPECT_EQ(engine.prepare.use_count, 1);
}

TEST_F(EngineTest, RemapModeTurnsTheBackquoteIntoAlt) {
    engine.file.table.netbook = true;
    start("; REMAP TILDE\r\n{alt}k=alt k\r\n");
    ASSERT_TRUE(engine.file.table.remap_mode);
    sim_press_at(0, 192, 300);
    sim_run_for(400);
    EXPECT_EQ(sim_log({"keys"}), "10 keys +08 -08 +12\n300 keys -12\n");
    EXPECT_EQ(history(), "");

    // A trigger fired through it: the synthesized Alt goes up before the
    // output, which is typed at once and without Alt; the release of the
    // backquote then sends nothing more.
    sim_clear_log();
    const uint32_t t = sim_now();
    sim_press_at(t + 10, 192, 400);
    sim_press_at(t + 100, 'K', 40);
    sim_run_for(600);
    EXPECT_EQ(sim_log({"keys", "status"}), "410 keys +08 -08 +12\n"
                                           "500 keys -12\n"
                                           "500 status  Shortcuts Used:  1\n"
                                           "501 keys +41 -41 +4C -4C +54 -54 +20 -20 +4B -4B\n");
}

TEST_F(EngineTest, AnEmptyOutputIsCountedAndEndsAtTheFirstTick) {
    start("x=\r\n");
    sim_type("x");
    sim_run_until_idle();
    EXPECT_EQ(sim_log({"status", "timer"}),
              "10 status  Shortcuts Used:  1\n10 timer 7772 1\n11 timer 7771 10\n");
}
