// A trigger file on disk, loaded as at start-up, with polling running on the
// simulated desktop's clock.
#pragma once

#include "engine/engine.h"
#include "engine/key_monitor.h"
#include "triggers/triggers.h"
#include "platform/sim/sim.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim_reset();
        trigger_table = TriggerTable{};
        output_state.text.reset();
        output_state.cursor = 0;
        output_state.use_count = 0;
        dir = std::filesystem::temp_directory_path() /
              ("quillomat-engine-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        copy_bounded(engine_files.trigger_file, path_capacity, (dir / "Quillomat.txt").string());
        copy_bounded(engine_files.debug_log, path_capacity, (dir / "log.txt").string());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Writes the trigger file and starts the engine as the program does.
    void start(const std::string& triggers) {
        write_triggers(triggers);
        load_triggers(engine_files.trigger_file);
        set_timer(polling_timer, polling_period_ms);
        sim_clear_log();
        sim_clear_key_events();
    }
    void write_triggers(const std::string& triggers) {
        std::ofstream(engine_files.trigger_file, std::ios::binary) << triggers;
    }
    // Plays an output text directly, as if its trigger had just fired.
    void play(const std::string& output) {
        output_state.text = alloc_text(output.size() + 4096);
        copy_bounded(output_state.text.get(), output.size() + 1, output);
        output_state.cursor = 0;
        set_timer(playback_timer, 1);
        sim_clear_log();
        sim_run_until_idle();
    }
    // Types the keys and returns the output text as prepared, before it plays.
    std::string prepared_output(const std::string& keys) {
        sim_type(keys);
        for (int ms = 0; ms < 2000 && !output_state.text; ++ms)
            sim_run_for(1);
        return output_state.text ? std::string(output_state.text.get()) : "<none>";
    }
    std::string history() const {
        std::string typed;
        for (char c : key_monitor.history)
            if (c) typed.insert(typed.begin(), c);
        return typed;
    }

    std::filesystem::path dir;
};
