// A trigger file on disk, loaded as at start-up, with polling running on the
// simulated desktop's clock.
#pragma once

#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/sim/sim.h"
#include "triggers/output_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim_reset();
        reset_engine();
        engine.file.table.netbook = false;
        dir = std::filesystem::temp_directory_path() /
              ("quillomat-engine-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        path = (dir / "Quillomat.txt").string();
        engine.file.path = path;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Writes the trigger file and starts the engine as the program does.
    void start(const std::string& triggers) {
        write_triggers(triggers);
        load_triggers(path.c_str());
        start_polling();
        sim_clear_log();
        sim_clear_key_events();
    }
    // Loads the triggers, runs an input script (see sim_script) and returns
    // the transcript of what the program did, of the kinds named (all when none).
    std::string run(const std::string& triggers, const std::string& script,
                    const std::vector<std::string>& kinds = {}) {
        start(triggers);
        sim_script(script);
        return sim_log(kinds);
    }
    void write_triggers(const std::string& triggers) {
        std::ofstream(path, std::ios::binary) << triggers;
    }
    // Plays an output text directly, as if its trigger had just fired.
    void play(const std::string& output) {
        start_playback(compile_output(output));
        start_polling(); // it resumes when the output is done
        sim_clear_log();
        sim_run_until_idle();
    }
    // Types the keys and returns the output as prepared, before it plays.
    std::string prepared_output(const std::string& keys) {
        sim_type(keys);
        for (int ms = 0; ms < 2000 && !engine.player.active; ++ms)
            sim_run_for(1);
        return engine.player.active ? script_as_markup(engine.player.script) : "<none>";
    }
    std::string history() const {
        std::string typed;
        for (char c : engine.keys.history)
            if (c) typed.insert(typed.begin(), c);
        return typed;
    }
    std::string debug_log() const {
        std::ifstream in(engine.file.debug_log, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path dir;
    std::string path;
};
