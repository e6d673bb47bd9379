// When the poll has work to do: it rests while nothing happens and wakes on
// input, on the simulated desktop's clock.
#include "engine/stages.h"
#include "engine_fixture.h"

namespace {
class InputWatchTest : public EngineTest {
  protected:
    void watch(const std::string& triggers) {
        start(triggers);
        kill_timer(polling_timer);
        start_watching();
    }
    int polls() const { return sim_timer_fires(polling_timer); }
};
} // namespace

TEST_F(InputWatchTest, PollingRestsWhileIdleAndTheFirstKeyAfterQuietStillFires) {
    struct Case {
        const char* name;
        bool available, delivered;
        uint32_t warm_up_ms; // typing a broken platform needs before it is found out
    } cases[] = {
        {"input events", true, true, 0},
        {"no input events: the input time is watched", false, true, 0},
        {"events promised but never sent", true, false, 3000},
    };
    for (const Case& c : cases) {
        sim_reset();
        engine.prepare.use_count = 0;
        sim_set_input_events(c.available, c.delivered);
        watch("btw=by the way\r\n{control}{alt}k=hot\r\n");
        sim_run_for(1000);
        const int polls_at_rest = polls();
        EXPECT_LE(polls_at_rest, 500 / 10 + 2) << c.name; // quiet for 500 ms, a poll every 10 ms
        if (c.warm_up_ms) { // keys typed meanwhile are lost, until the input time gives it away
            for (uint32_t t = 0; t < c.warm_up_ms; t += 500)
                sim_press_at(sim_now() + t, 'Q', 40);
            sim_run_for(c.warm_up_ms + 1000);
        }
        const int polls_before_quiet = polls();
        sim_run_for(10000);
        EXPECT_EQ(polls(), polls_before_quiet) << c.name << ": no poll in 10 s of quiet";

        sim_type("btw");
        sim_press_at(sim_now() + 1000, 17, 300);
        sim_press_at(sim_now() + 1020, 18, 280);
        sim_press_at(sim_now() + 1200, 'K', 40);
        sim_run_for(3000);
        EXPECT_EQ(engine.prepare.use_count, 2) << c.name << "\n" << sim_log({"status"});
        sim_run_for(10000);
        EXPECT_LE(polls(), polls_before_quiet + 300) << c.name << ": polling rested again";
    }
}

TEST_F(InputWatchTest, AFastTypistIsNeverMissedThroughAKeyStateCache) {
    sim_set_key_state_cache(50); // Wine answers "up" from a cache this old
    watch("btw=by the way\r\n");
    for (int i = 0; i < 20; ++i) {
        sim_type("btw ", 30, 30);
        sim_run_for(600);
    }
    EXPECT_EQ(engine.prepare.use_count, 20) << sim_log({"status"});
}

TEST_F(InputWatchTest, TheProgramsOwnKeysNeverCountAsTyped) {
    // Were the output's "y" taken as typed, the "z" after it would fire "yz".
    watch("ab=xy\r\nyz=BAD\r\n");
    sim_type("ab");
    sim_run_for(300);
    sim_type("z");
    sim_run_for(300);
    sim_type("ab"); // right after a playback, a trigger fires again
    sim_run_for(300);
    EXPECT_EQ(engine.prepare.use_count, 2);
    EXPECT_EQ(sim_log({"status"}).find("Shortcuts Used:  3"), std::string::npos);
    // The mark of the program's own keys does not outlive their reports.
    EXPECT_TRUE(engine.watch.own_input_pending);
    sim_run_for(10000 + 1000); // the mark lasts 10 s; the watch looks every second
    EXPECT_FALSE(engine.watch.own_input_pending);
}

// With events trusted, a tick reads only the keys they make necessary, takes
// two presses within one tick in the order they came, and after a spell
// without events the watch goes back to them.
TEST_F(InputWatchTest, EventsSpareTheKeyReadsKeepTheirOrderAndAreTrustedAgain) {
    watch("ba=b first\r\nbtw=by the way\r\n");
    const long reads_before = sim_key_reads();
    const int polls_before = polls();
    sim_type("btw");
    sim_run_for(1500);
    EXPECT_EQ(engine.prepare.use_count, 1);
    EXPECT_LT((sim_key_reads() - reads_before) / (polls() - polls_before), 20)
        << "not every key, every tick";

    sim_press_at(sim_now(), 'B', 40);
    sim_press_at(sim_now() + 2, 'A', 40); // within the same tick, after B
    sim_run_for(1000);
    EXPECT_EQ(engine.prepare.use_count, 2) << sim_log({"status"});

    sim_set_input_events(true, false); // a locked screen: input, but no events
    for (uint32_t t = 0; t < 3000; t += 500)
        sim_press_at(sim_now() + t, 'Q', 40);
    sim_run_for(4000);
    ASSERT_FALSE(engine.watch.events);
    sim_set_input_events(true, true);
    sim_type("btw");
    sim_run_for(2000);
    EXPECT_TRUE(engine.watch.events);
    const int checks = sim_timer_fires(watch_timer);
    sim_run_for(10000);
    EXPECT_LE(sim_timer_fires(watch_timer) - checks, 11) << "resting again, no 10 ms checks";
}
