// Another program changes the trigger file: what the program does about it,
// by whether the editor holds unsaved edits.
#include "engine/disk_copy.h"
#include "engine_fixture.h"

#include <filesystem>

TEST_F(EngineTest, ReactsToTheTriggerFileChangingOnDisk) {
    namespace fs = std::filesystem;
    const std::string noticed = "0 timer 7775 200\n10 timer 7771 10\n"; // looked at 200 ms later
    const std::string gone =
        "200 status  The trigger file is no longer on disk; Save writes it again: " + path + "\n";
    const struct {
        const char* name;
        std::function<void()> change;
        bool unsaved_edits;
        std::string transcript;
        const char* editor; // what the editor shows afterwards
    } cases[] = {
        {"nothing changed", [] {}, false, noticed, "btw=by the way\r\n"},
        {"touched, the same bytes",
         [&] { fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5)); },
         false, noticed, "btw=by the way\r\n"},
        {"changed, clean editor", [&] { write_triggers("btw=by the way\r\nqq=new\r\n"); }, false,
         noticed + "200 status  Triggers Loaded: 2 \n"
                   "200 status  Triggers Loaded: 2  (reloaded: the file changed on disk)\n",
         "btw=by the way\r\nqq=new\r\n"},
        {"changed, unsaved edits", [&] { write_triggers("qq=new\r\n"); }, true,
         noticed + "200 status  The trigger file was changed by another program; Save will ask "
                   "before writing over it\n",
         "btw=by the way\r\n"},
        {"gone, clean editor", [&] { fs::remove(path); }, false, noticed + gone,
         "btw=by the way\r\n"},
        {"gone, unsaved edits", [&] { fs::remove(path); }, true, noticed + gone,
         "btw=by the way\r\n"},
    };
    for (const auto& c : cases) {
        fresh();
        start("btw=by the way\r\n");
        sim_set_unsaved_edits(c.unsaved_edits);
        c.change();
        trigger_folder_changed();
        sim_script("");
        EXPECT_EQ(sim_log(), c.transcript) << c.name;
        EXPECT_EQ(sim_editor_text(), c.editor) << c.name;
        if (c.transcript.find("no longer on disk") != std::string::npos) {
            EXPECT_FALSE(fs::exists(path)) << c.name << ": never replaced by the examples";
        }
        // A change left under unsaved edits is still a change when Save asks.
        EXPECT_EQ(trigger_file_change(), std::string(c.name) == "changed, unsaved edits"
                                             ? DiskChange::changed
                                             : DiskChange::same)
            << c.name;
    }
}
