// Another program changes the trigger file: what the program does about it,
// by whether the editor holds unsaved edits.
#include "engine/disk_copy.h"
#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

TEST_F(EngineTest, ReactsToTheTriggerFileChangingOnDisk) {
    namespace fs = std::filesystem;

    const struct {
        const char* name;
        std::function<void()> change;
        bool dirty;
        DiskAction action;
        const char* editor; // what the editor shows afterwards
        const char* status; // the start of the status bar's text
    } cases[] = {
        {"nothing changed", [] {}, false, DiskAction::none, "btw=by the way\r\n", ""},
        {"touched, the same bytes",
         [&] { fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5)); },
         false, DiskAction::none, "btw=by the way\r\n", ""},
        {"changed, clean editor", [&] { write_triggers("btw=by the way\r\nqq=new\r\n"); }, false,
         DiskAction::reloaded, "btw=by the way\r\nqq=new\r\n",
         " Triggers Loaded: 2  (reloaded: the file changed on disk)"},
        {"changed, unsaved edits", [&] { write_triggers("qq=new\r\n"); }, true,
         DiskAction::noted_changed, "btw=by the way\r\n",
         " The trigger file was changed by another program"},
        {"gone, clean editor", [&] { fs::remove(path); }, false, DiskAction::noted_gone,
         "btw=by the way\r\n", " The trigger file is no longer on disk"},
        {"gone, unsaved edits", [&] { fs::remove(path); }, true, DiskAction::noted_gone,
         "btw=by the way\r\n", " The trigger file is no longer on disk"},
    };
    for (const auto& c : cases) {
        start("btw=by the way\r\n");
        sim_status_text(); // what loading said is not what is tested
        sim_clear_log();
        c.change();
        const std::string before = sim_status_text();
        EXPECT_EQ(react_to_disk_change(c.dirty), c.action) << c.name;
        EXPECT_EQ(sim_editor_text(), c.editor) << c.name;
        const std::string status = sim_status_text() == before ? "" : sim_status_text();
        EXPECT_EQ(status.rfind(c.status, 0), 0u) << c.name << ": " << status;
        if (c.action == DiskAction::noted_gone) {
            EXPECT_FALSE(fs::exists(path)) << c.name << ": never replaced by the examples";
        }
        // A change left under unsaved edits is still a change when Save asks.
        EXPECT_EQ(trigger_file_change(),
                  c.action == DiskAction::noted_changed ? DiskChange::changed : DiskChange::same)
            << c.name;
    }
}
