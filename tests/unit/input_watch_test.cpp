// When the poll has work to do: it rests while nothing happens and wakes on
// input, on the simulated desktop's clock. How often it polls is no part of
// the transcript; the tests count the ticks beside it.
#include "engine_fixture.h"

namespace {
class InputWatchTest : public EngineTest {
  protected:
    // Loads the triggers and watches the keyboard as the program does.
    void watch(const std::string& triggers) {
        start(triggers);
        kill_timer(polling_timer);
        start_watching();
        sim_clear_log();
    }
    int polls() const { return sim_timer_fires(polling_timer); }
};
} // namespace

TEST_F(InputWatchTest, PollingRestsWhileIdleAndTheFirstKeyAfterQuietStillFires) {
    const struct {
        const char* name;
        bool available, delivered;
        std::string warm_up;    // typing a broken platform needs before it is found out
        const char* transcript; // btw and Ctrl+Alt+K typed after 10 s of quiet
    } cases[] = {
        {"input events", true, true, "",
         "11163 status  Shortcuts Used:  1\n12543 status  Shortcuts Used:  2\n"},
        {"no input events: the input time is watched", false, true, "",
         "11170 status  Shortcuts Used:  1\n12550 status  Shortcuts Used:  2\n"},
        {"events promised but never sent", true, false, repeat("d:q t:40 u:q t:460 ", 6) + "t:1000",
         "15170 status  Shortcuts Used:  1\n16550 status  Shortcuts Used:  2\n"},
    };
    for (const auto& c : cases) {
        fresh();
        sim_set_input_events(c.available, c.delivered);
        watch("btw=by\r\n{control}{alt}k=hot\r\n");
        sim_script("t:1000");
        EXPECT_LE(polls(), 500 / 10 + 2) << c.name; // quiet for 500 ms, a poll every 10 ms
        sim_script(c.warm_up); // keys typed meanwhile are lost, until the input time gives it away
        const int polls_before_quiet = polls();
        sim_script("t:10000");
        EXPECT_EQ(polls(), polls_before_quiet) << c.name << ": no poll in 10 s of quiet";

        sim_clear_log();
        sim_script("type:btw t:1000 d:ctrl t:20 d:alt t:180 d:k t:40 u:k t:60 u:alt u:ctrl");
        EXPECT_EQ(sim_log({"status"}), c.transcript) << c.name; // when each fired, not what
        sim_script("t:10000");
        EXPECT_LE(polls(), polls_before_quiet + 300) << c.name << ": polling rested again";
    }
}

TEST_F(InputWatchTest, AFastTypistIsNeverMissedThroughAKeyStateCache) {
    sim_set_key_state_cache(50); // Wine answers "up" from a cache this old
    watch("btw=by the way\r\n");
    for (int i = 0; i < 20; ++i) {
        sim_type("btw ", 30, 30); // every key up again within the cache's age
        sim_run_for(600);
    }
    EXPECT_EQ(sim_status_text(), " Shortcuts Used:  20");
}

TEST_F(InputWatchTest, TheProgramsOwnKeysNeverCountAsTyped) {
    // Were the output's "y" taken as typed, the "z" after it would fire "yz";
    // right after an output, a trigger fires again.
    watch("ab=xy\r\nyz=BAD\r\n");
    sim_script("type:ab t:300 type:z t:300 type:ab");
    EXPECT_EQ(sim_log(), "80 keys +08 -08 +08 -08\n"
                         "80 status  Shortcuts Used:  1\n"
                         "80 timer 7772 1\n"
                         "81 keys +58 -58 +59 -59\n"
                         "81 timer 7771 10\n"
                         "921 keys +08 -08 +08 -08\n"
                         "921 status  Shortcuts Used:  2\n"
                         "921 timer 7772 1\n"
                         "922 keys +58 -58 +59 -59\n"
                         "922 timer 7771 10\n");
    // The mark of the program's own keys does not outlive their reports.
    EXPECT_TRUE(engine.watch.own_input_pending);
    sim_script("t:11000"); // the mark lasts 10 s; the watch looks every second
    EXPECT_FALSE(engine.watch.own_input_pending);
}

// With events trusted, a tick reads only the keys they make necessary, takes
// two presses within one tick in the order they came, and after a spell
// without events the watch goes back to them.
TEST_F(InputWatchTest, EventsSpareTheKeyReadsKeepTheirOrderAndAreTrustedAgain) {
    watch("ba=b first\r\nbtw=by the way\r\n");
    const long reads_before = sim_key_reads();
    const int polls_before = polls();
    sim_script("type:btw t:1000");
    EXPECT_LT((sim_key_reads() - reads_before) / (polls() - polls_before), 20)
        << "not every key, every tick";
    sim_script("d:b t:2 d:a t:38 u:b t:2 u:a t:1000"); // A within the same tick, after B

    sim_set_input_events(true, false); // a locked screen: input, but no events
    sim_script(repeat("d:q t:40 u:q t:460 ", 6) + "t:1000");
    sim_set_input_events(true, true);
    sim_script("type:btw t:2000");
    EXPECT_EQ(sim_log(),
              "160 keys +08 -08 +08 -08 +08 -08\n"
              "160 status  Shortcuts Used:  1\n"
              "160 timer 7772 1\n"
              "161 keys +42 -42 +59 -59 +20 -20 +54 -54 +48 -48 +45 -45 +20 -20 +57 -57 "
              "+41 -41 +59 -59\n"
              "161 timer 7771 10\n"
              "1251 keys +08 -08 +08 -08\n" // ba, not ab
              "1251 status  Shortcuts Used:  2\n"
              "1251 timer 7772 1\n"
              "1252 keys +42 -42 +20 -20 +46 -46 +49 -49 +52 -52 +53 -53 +54 -54\n"
              "1252 timer 7771 10\n"
              "4000 timer 7774 10\n" // no events: the input time is watched
              "4290 timer 7771 10\n"
              "6285 timer 7774 1000\n" // events again: trusted
              "6285 timer 7771 10\n"
              "6445 keys +08 -08 +08 -08 +08 -08\n"
              "6445 status  Shortcuts Used:  3\n"
              "6445 timer 7772 1\n"
              "6446 keys +42 -42 +59 -59 +20 -20 +54 -54 +48 -48 +45 -45 +20 -20 +57 -57 "
              "+41 -41 +59 -59\n"
              "6446 timer 7771 10\n");
    const int checks = sim_timer_fires(watch_timer);
    sim_script("t:10000");
    EXPECT_LE(sim_timer_fires(watch_timer) - checks, 11) << "resting again, no 10 ms checks";
}

// A fast typist's Shift goes up 10 ms after the letter went down, before a
// poll may have taken the letter: the case rule still sees the capital, at
// every phase of the poll.
TEST_F(InputWatchTest, ShiftCountsAsItWasWhenTheLetterWentDown) {
    std::string capitals;
    for (const char letter : std::string("btw"))
        capitals +=
            std::string("d:shift t:5 d:") + letter + " t:10 u:shift t:15 u:" + letter + " t:50 ";
    for (int phase = 0; phase < 10; ++phase) {
        fresh();
        watch("; Quillomat_CASE: on\r\nbtw=by\r\n");
        sim_script("type:_ t:" + std::to_string(phase) + " " + capitals);
        const std::string keys = sim_log({"keys"});
        const std::string output = keys.substr(keys.rfind(" keys ") + 6);
        EXPECT_EQ(output, "+10 +42 -42 -10 +10 +59 -59 -10\n") << "BY, at phase " << phase;
    }
}

// A key the user presses while an output plays has reached the window
// already: the output stops there and says so, lets go of the keys it holds,
// and the key counts as typed. Before the output begins, the trigger stays.
TEST_F(InputWatchTest, AKeyDuringAnOutputStopsIt) {
    const struct {
        const char* name;
        const char* triggers;
        const char* script;
        const char* transcript;
    } cases[] = {
        {"Backspace during {Delay}", "x=one{Delay 1000}two\r\n", "type:x t:300 d:bs t:40 u:bs",
         "10 keys +08 -08\n10 status  Shortcuts Used:  1\n10 timer 7772 1\n"
         "11 keys +4F -4F +4E -4E +45 -45\n11 timer 7772 1000\n"
         "380 status  Output stopped: a key was pressed while it played\n380 timer 7771 10\n"},
        {"a click, with Shift held by the output", "x={ShiftDown}a{Delay 500}b{ShiftUp}\r\n",
         "type:x t:100 d:click t:40 u:click",
         "10 keys +08 -08\n10 status  Shortcuts Used:  1\n10 timer 7772 1\n"
         "11 keys +10 +41 -41\n11 timer 7772 500\n"
         "180 keys -10\n"
         "180 status  Output stopped: a key was pressed while it played\n180 timer 7771 10\n"},
        {"the key is typed: it completes a trigger", "x=one{Delay 1000}two\r\nab=AB\r\n",
         "type:x t:100 type:ab",
         "10 keys +08 -08\n10 status  Shortcuts Used:  1\n10 timer 7772 1\n"
         "11 keys +4F -4F +4E -4E +45 -45\n11 timer 7772 1000\n"
         "180 status  Output stopped: a key was pressed while it played\n180 timer 7771 10\n"
         "260 keys +08 -08 +08 -08\n260 status  Shortcuts Used:  2\n260 timer 7772 1\n"
         "261 keys +10 +41 -41 -10 +10 +42 -42 -10\n261 timer 7771 10\n"},
        {"a key while the modifiers are awaited: nothing erased", "{control}{alt}k=hot\r\n",
         "d:ctrl t:20 d:alt t:180 d:k t:40 u:k t:20 d:x t:40 u:x t:100 u:alt u:ctrl",
         "200 timer 7772 10\n"
         "260 status  Output stopped: a key was pressed while it played\n260 timer 7771 10\n"},
        {"keys typed into a form are its own", "qq=Dear {Input:Name}\r\n",
         "front:Editor type:qq t:50 type:bo fill:Name=Bo form:ok",
         "370 keys +08 -08 +08 -08\n370 status  Shortcuts Used:  1\n370 timer 7772 1\n"
         "371 keys +10 +44 -44 -10 +45 -45 +41 -41 +52 -52 +20 -20 +10 +42 -42 -10 +4F -4F\n"
         "371 timer 7771 10\n"},
    };
    for (const auto& c : cases) {
        fresh();
        watch(c.triggers);
        sim_script(c.script);
        EXPECT_EQ(sim_log({"keys", "status", "timer"}), c.transcript) << c.name;
    }
}

// The program's own keys (here the copy keys of {Selection}) are no key of
// the user's: the output they serve goes on.
TEST_F(InputWatchTest, TheCopyKeysOfASelectionDoNotStopItsOutput) {
    watch("{control}{alt}q=<{Selection}>\r\n");
    sim_set_selection("world");
    sim_script("d:ctrl t:20 d:alt t:20 d:q t:40 u:q t:20 u:alt u:ctrl");
    EXPECT_EQ(sim_log({"status"}).find("Output stopped"), std::string::npos) << sim_log();
    EXPECT_NE(sim_log({"keys"}).find("+57 -57"), std::string::npos) << "w of world typed";
}
