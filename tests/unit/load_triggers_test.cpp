// Loading the trigger file: the table, the editor and the status bar, the
// examples where there is no file, and files that must be left alone.
#include "common/memory.h"
#include "common/packed_text.h"
#include "engine_fixture.h"
#include "resources/builtin_texts.h"

#include <filesystem>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {
std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string default_text() {
    const std::string_view packed = builtin_text_data(default_triggers_id);
    int32_t length = static_cast<int32_t>(packed.size());
    HeapText text(unpack_text(packed.data(), &length));
    return std::string(text.get(), static_cast<std::size_t>(length));
}
} // namespace

TEST_F(EngineTest, LoadingFillsTheEditorAndTheStatusBar) {
    write_triggers("; my triggers\r\nbtw=by the way\r\n{control}{alt}k=hotkey\r\n");
    load_triggers(path.c_str());
    EXPECT_EQ(sim_log(), "0 status  Triggers Loaded: 2 \n");
    EXPECT_EQ(sim_editor_text(), read(path));

    // Debug mode stays on across reloads of the file that switched it on.
    sim_clear_log();
    write_triggers("; Quillomat_DEBUG\nbtw=x\n");
    load_triggers(path.c_str());
    write_triggers("btw=x\n");
    load_triggers(path.c_str());
    EXPECT_EQ(sim_log(), "0 status  Triggers Loaded: 1  * * * DEBUG ON * * *\n"
                         "0 status  Triggers Loaded: 1  * * * DEBUG ON * * *\n");
}

// A load lets go of the modifiers the user holds and forgets what was typed:
// "bt" before it and "w" after it are no trigger.
TEST_F(EngineTest, LoadingReleasesHeldModifiersAndForgetsTheKeyboard) {
    start("btw=x\r\n");
    sim_script("type:bt d:ctrl d:alt t:50");
    load_triggers(path.c_str());
    EXPECT_EQ(engine.keys.key_state, decltype(engine.keys.key_state){});
    sim_script("u:alt u:ctrl type:w");
    EXPECT_EQ(sim_log(), "211 keys -11e -12\n" // Ctrl and Alt let go
                         "211 status  Triggers Loaded: 1 \n");
}

// Only a file that is not there gets the examples; a short one the user saved is theirs.
TEST_F(EngineTest, TheExamplesAreWrittenOnlyWhereNoFileIs) {
    load_triggers(path.c_str());
    EXPECT_EQ(read(path), default_text());
    EXPECT_EQ(sim_editor_text(), default_text().substr(3)) << "shown without its byte-order mark";
    EXPECT_GT(engine.file.table.count, 10);
    for (const char* small : {"", "a", "hi", "a="}) {
        write_triggers(small);
        load_triggers(path.c_str());
        EXPECT_EQ(read(path), small) << '"' << small << '"';
        EXPECT_EQ(sim_editor_text(), small);
    }
    write_triggers("a=b");
    sim_clear_log();
    load_triggers(path.c_str());
    EXPECT_EQ(read(path), "a=b");
    EXPECT_EQ(sim_log(), "0 status  Triggers Loaded: 1 \n");

    // Without a built-in default, an empty file.
    fresh();
    fs::remove(path);
    sim_set_builtin_text(default_triggers_id, "");
    load_triggers(path.c_str());
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(read(path), "");
    EXPECT_EQ(sim_log(), "0 status  Triggers Loaded: 0 \n");
}

TEST_F(EngineTest, AFileThatCannotBeLoadedIsRefusedAndNothingSaveCouldWriteOverItShows) {
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
        {"a folder in its place",
         [&] {
             const std::string folder = (dir / "folder.txt").string();
             fs::create_directories(folder);
             return folder;
         },
         FileRead::unreadable, " Unable to read the trigger file: "},
        {"a zero byte",
         [&] {
             const std::string zero = (dir / "zero.txt").string();
             std::ofstream(zero, std::ios::binary) << std::string("a=1\r\nb=\0\r\n", 9);
             return zero;
         },
         FileRead::not_text, " Trigger file not loaded, it holds a zero byte at line 2: "},
    };
    for (const Case& c : cases) {
        fresh();
        write_triggers("a=1\n");
        load_triggers(path.c_str()); // the editor shows a file before
        write_triggers("btw=by the way\n");
        const std::string target = c.arrange();
        const bool existed = fs::exists(target);
        const auto size_before = existed && fs::is_regular_file(target) ? fs::file_size(target) : 0;
        sim_clear_log();
        load_triggers(target.c_str());
        EXPECT_EQ(engine.file.refusal, c.refusal) << c.name;
        EXPECT_EQ(engine.file.table.count, 0) << c.name;
        EXPECT_EQ(sim_editor_text(), "") << c.name;
        const bool names_path = c.refusal != FileRead::no_memory;
        EXPECT_EQ(sim_log(),
                  "0 editor read-only\n0 status " + c.status + (names_path ? target : "") + "\n")
            << c.name;
        EXPECT_EQ(fs::exists(target), existed) << c.name;
        if (existed && fs::is_regular_file(target)) {
            EXPECT_EQ(fs::file_size(target), size_before) << c.name;
        }
    }
    // A file that loads again unlocks the editor.
    fresh();
    sim_fail_file_buffers(true);
    load_triggers(path.c_str());
    sim_fail_file_buffers(false);
    load_triggers(path.c_str());
    EXPECT_EQ(engine.file.refusal, FileRead::ok);
    EXPECT_EQ(sim_editor_text(), "btw=by the way\n");
    EXPECT_EQ(sim_log(), "0 editor read-only\n"
                         "0 status  Triggers Loaded: 0 \n"
                         "0 editor editable\n"
                         "0 status  Triggers Loaded: 1 \n");
}

TEST_F(EngineTest, LoadingSurvivesHostileFiles) {
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
        write_triggers(file);
        load_triggers(path.c_str());
        ASSERT_LE(engine.file.table.count, 255);
        ASSERT_EQ(engine.file.table.entries[255].match[0], '\0');
        for (int e = 0; e < engine.file.table.count; ++e) {
            ASSERT_GT(engine.file.table.entries[e].match_length, 0);
            ASSERT_LE(engine.file.table.entries[e].match_length, 32);
        }
    }
}

TEST_F(EngineTest, TheStatusBarSaysWhenTheCheckerHasMistakesToName) {
    start("abc{Enter}=<X>\r\nbtw=by the way\r\n");
    EXPECT_EQ(sim_status_text(),
              " Triggers Loaded: 2, likely mistakes on 1 line (quillomat-check names them) ");
    // A directive it cannot read is one such line.
    start("; Quillomat_ONLY_IN:\r\nbtw=by the way\r\n; Quillomat_PASTE: 0\r\n");
    EXPECT_EQ(sim_status_text(),
              " Triggers Loaded: 1, likely mistakes on 2 lines (quillomat-check names them) ");
}
