#include "common/memory.h"
#include "common/packed_text.h"
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "resources/builtin_texts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {
class LoadTriggers : public ::testing::Test {
  protected:
    void SetUp() override {
        sim_reset();
        reset_engine();
        dir = fs::temp_directory_path() /
              ("quillomat-load-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "Quillomat.txt").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string read() {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static std::string default_text() {
        const std::string_view packed = builtin_text_data(default_triggers_id);
        int32_t length = static_cast<int32_t>(packed.size());
        HeapText text(unpack_text(packed.data(), &length));
        return std::string(text.get(), static_cast<std::size_t>(length));
    }

    fs::path dir;
    std::string path;
};
} // namespace

TEST_F(LoadTriggers, FillsTheTableTheEditorAndTheStatusBar) {
    write("; my triggers\r\nbtw=by the way\r\n{control}{alt}k=hotkey\r\n");
    load_triggers(path.c_str());
    EXPECT_EQ(engine.file.table.count, 2);
    EXPECT_EQ(sim_editor_text(), read());
    EXPECT_EQ(sim_status_text(), " Triggers Loaded: 2 ");
}

TEST_F(LoadTriggers, ReleasesHeldModifiersAndForgetsTheKeyboard) {
    write("btw=by the way\n");
    sim_set_key(17, true);
    sim_set_key(18, true);
    engine.keys.key_state[65] = 1;
    engine.keys.history[0] = 'x';
    load_triggers(path.c_str());
    EXPECT_EQ(sim_key_transcript(), "-11e -12");
    EXPECT_EQ(engine.keys.key_state[65], 0);
    EXPECT_EQ(engine.keys.history[0], 0);
}

TEST_F(LoadTriggers, WritesTheDefaultFileWhenThereIsNone) {
    load_triggers(path.c_str());
    EXPECT_EQ(read(), default_text());
    EXPECT_EQ(sim_editor_text(), default_text().substr(3)) << "shown without its byte-order mark";
    EXPECT_GT(engine.file.table.count, 10);
}

// Only a file that is not there gets the examples; a short one the user saved is theirs.
TEST_F(LoadTriggers, WritesTheExamplesOnlyWhereNoFileIsAndKeepsShortFiles) {
    load_triggers(path.c_str());
    EXPECT_EQ(read(), default_text());
    for (const char* small : {"", "a", "hi", "a="}) {
        write(small);
        load_triggers(path.c_str());
        EXPECT_EQ(read(), small) << '"' << small << '"';
        EXPECT_EQ(sim_editor_text(), small);
    }
    write("a=b");
    load_triggers(path.c_str());
    EXPECT_EQ(read(), "a=b");
    EXPECT_EQ(engine.file.table.count, 1);
    EXPECT_EQ(sim_status_text(), " Triggers Loaded: 1 ");
}

TEST_F(LoadTriggers, RefusesAFileItCannotLoadAndShowsNothingThatSaveCouldWriteOverIt) {
    struct Case {
        const char* name;
        std::function<std::string()> arrange; // returns the path to load
        FileRead refusal;
        std::string status; // after the path
    } cases[] = {
        {"locked",
         [&] {
             sim_lock_file(path);
             return path;
         },
         FileRead::unreadable, " Unable to read the trigger file: "},
        {"too large",
         [&] {
             fs::resize_file(path, max_trigger_file_size + 1); // sparse: nothing is written
             return path;
         },
         FileRead::too_large, " Trigger file too large to load: "},
        {"no memory",
         [&] {
             sim_fail_file_buffers(true);
             return path;
         },
         FileRead::no_memory, " Triggers Loaded: 0 "},
        {"cannot be created", [&] { return (dir / "no such folder" / "q.txt").string(); },
         FileRead::missing, " Unable to create the trigger file: "},
        {"a zero byte",
         [&] {
             const std::string zero = (dir / "zero.txt").string();
             std::ofstream(zero, std::ios::binary) << std::string("a=1\r\nb=\0\r\n", 9);
             return zero;
         },
         FileRead::not_text, " Trigger file not loaded, it holds a zero byte at line 2: "},
    };
    for (const Case& c : cases) {
        sim_reset();
        write("a=1\n");
        load_triggers(path.c_str()); // the editor shows a file before
        write("btw=by the way\n");
        const std::string target = c.arrange();
        const auto size_before = fs::exists(target) ? fs::file_size(target) : 0;
        load_triggers(target.c_str());
        EXPECT_EQ(engine.file.refusal, c.refusal) << c.name;
        EXPECT_EQ(engine.file.table.count, 0) << c.name;
        EXPECT_EQ(sim_editor_text(), "") << c.name;
        EXPECT_EQ(sim_log({"editor"}), "0 editor read-only\n") << c.name;
        const bool names_path = c.refusal != FileRead::no_memory;
        EXPECT_EQ(sim_status_text(), c.status + (names_path ? target : "")) << c.name;
        EXPECT_EQ(fs::exists(target) ? fs::file_size(target) : 0, size_before) << c.name;
    }
    // A file that loads again unlocks the editor.
    sim_reset();
    sim_fail_file_buffers(true);
    load_triggers(path.c_str());
    sim_fail_file_buffers(false);
    load_triggers(path.c_str());
    EXPECT_EQ(engine.file.refusal, FileRead::ok);
    EXPECT_EQ(sim_editor_text(), "btw=by the way\n");
    EXPECT_EQ(sim_log({"editor"}), "0 editor read-only\n0 editor editable\n");
}

TEST_F(LoadTriggers, AFolderInPlaceOfTheFileIsNotReplaced) {
    fs::create_directories(path);
    load_triggers(path.c_str());
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(engine.file.table.count, 0);
}

TEST_F(LoadTriggers, WithoutABuiltInDefaultAnEmptyFileIsCreated) {
    sim_set_builtin_text(default_triggers_id, "");
    load_triggers(path.c_str());
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(sim_status_text(), " Triggers Loaded: 0 ");
}

TEST_F(LoadTriggers, DebugModeStaysOnAcrossReloads) {
    write("; Quillomat_DEBUG\nbtw=x\n");
    load_triggers(path.c_str());
    EXPECT_EQ(sim_status_text(), " Triggers Loaded: 1  * * * DEBUG ON * * *");
    write("btw=x\n");
    load_triggers(path.c_str());
    EXPECT_TRUE(engine.file.table.debug_mode);
}

TEST_F(LoadTriggers, SurvivesHostileFiles) {
    std::mt19937 random(7);
    std::vector<std::string> files = {
        std::string(100000, 'x') + "=long line\nok=1",
        std::string("a=1\0b=2\nc=3", 11),
        std::string(61, '{') + "=braces",
        "\r\r\r\n\n\n",
        "=\n=\n==\n",
    };
    for (int i = 0; i < 20; ++i) {
        std::string bytes(static_cast<std::size_t>(random() % 5000), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        files.push_back(bytes);
    }
    for (const std::string& file : files) {
        write(file);
        load_triggers(path.c_str());
        ASSERT_LE(engine.file.table.count, 255);
        ASSERT_EQ(engine.file.table.entries[255].match[0], '\0');
        for (int e = 0; e < engine.file.table.count; ++e) {
            ASSERT_GT(engine.file.table.entries[e].match_length, 0);
            ASSERT_LE(engine.file.table.entries[e].match_length, 32);
        }
    }
}

TEST_F(LoadTriggers, TheStatusBarSaysWhenTheCheckerHasMistakesToName) {
    write("abc{Enter}=<X>\r\nbtw=by the way\r\n");
    load_triggers(path.c_str());
    EXPECT_EQ(sim_status_text(),
              " Triggers Loaded: 2, likely mistakes on 1 line (quillomat-check names them) ");
}
