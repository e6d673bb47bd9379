// A trigger file on disk, loaded as at start-up, with polling running on the
// simulated desktop's clock. A test states the trigger file, an input script
// (see sim_script) and the transcript of what the program did (see sim_log).
#pragma once

#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/sim/sim.h"
#include "triggers/output_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

// One row of a table of scenarios.
struct Scenario {
    const char* name;
    std::string triggers;
    std::string script;
    std::string transcript;
    std::function<void()> arrange = [] {}; // the desktop before the file loads
};

// `text` `count` times over.
inline std::string repeat(const std::string& text, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("quillomat-engine-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        path = (dir / "Quillomat.txt").string();
        fresh();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // The desktop and the engine as at start-up: every test, and every row
    // of a table, begins here and owes nothing to the one before.
    void fresh() {
        sim_reset();
        reset_engine();
        engine.file.table.netbook = false;
        engine.file.path = path;
    }
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
    // Runs each row from a fresh start and compares its transcript whole.
    void expect_scenarios(const std::vector<Scenario>& rows,
                          const std::vector<std::string>& kinds = {}) {
        for (const Scenario& row : rows) {
            fresh();
            row.arrange();
            EXPECT_EQ(run(row.triggers, row.script, kinds), row.transcript) << row.name;
        }
    }
    void write_triggers(const std::string& triggers) {
        std::ofstream(path, std::ios::binary) << triggers;
    }
    std::string debug_log() const {
        std::ifstream in(engine.file.debug_log, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Types the keys and returns the output as prepared, before it plays,
    // written back as markup.
    std::string prepared_output(const std::string& keys) {
        sim_type(keys);
        for (int ms = 0; ms < 2000 && !engine.player.active; ++ms)
            sim_run_for(1);
        return engine.player.active ? script_as_markup(engine.player.script) : "<none>";
    }

    std::filesystem::path dir;
    std::string path;
};
