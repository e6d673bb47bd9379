// Another program changes the trigger file: what the program does about it,
// by whether the editor holds unsaved edits, and when it looks.
#include "engine/disk_copy.h"
#include "engine/recovery.h"
#include "engine_fixture.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {
std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string last_line(const std::string& text) {
    const std::size_t end = text.size() > 1 ? text.find_last_of('\n', text.size() - 2) : 0;
    return end == std::string::npos ? text : text.substr(end + 1);
}

// The folder watch reports a change at each of these times (ms from now).
void folder_changes(const std::vector<uint32_t>& at) {
    const uint32_t start = sim_now();
    for (const uint32_t t : at) {
        sim_run_for(start + t - sim_now());
        trigger_folder_changed();
    }
}
} // namespace

TEST_F(EngineTest, ReactsToTheTriggerFileChangingOnDisk) {
    const std::string noticed = "0 timer 7775 200\n10 timer 7771 10\n"; // looked at 200 ms later
    const std::string gone =
        "200 status  The trigger file is no longer on disk; Save writes it again: " + path + "\n";
    const std::string reloaded = "200 status  Triggers Loaded: 1 \n"
                                 "200 status  Triggers Loaded: 1  (reloaded: the file changed "
                                 "on disk)\n";
    const std::string left_alone = "200 status  The trigger file was changed by another "
                                   "program; Save will ask before writing over it\n";
    // Other bytes of the same size, with the time put back: as a tool that
    // keeps time stamps, or a file system with coarse times, leaves them.
    const auto same_size_and_time = [&] {
        const auto time = fs::last_write_time(path);
        write_triggers("btw=BY THE WAY\r\n");
        fs::last_write_time(path, time);
    };
    const struct {
        const char* name;
        std::function<void()> change;
        bool unsaved_edits;
        std::string transcript;
        const char* editor; // what the editor shows afterwards
        DiskChange for_save;
    } cases[] = {
        {"nothing changed", [] {}, false, noticed, "btw=by the way\r\n", DiskChange::same},
        {"touched, the same bytes",
         [&] { fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5)); },
         false, noticed, "btw=by the way\r\n", DiskChange::same},
        {"changed, clean editor", [&] { write_triggers("btw=by the way\r\nqq=new\r\n"); }, false,
         noticed + "200 status  Triggers Loaded: 2 \n"
                   "200 status  Triggers Loaded: 2  (reloaded: the file changed on disk)\n",
         "btw=by the way\r\nqq=new\r\n", DiskChange::same},
        {"changed, unsaved edits", [&] { write_triggers("qq=new\r\n"); }, true,
         noticed + left_alone, "btw=by the way\r\n", DiskChange::changed},
        {"same size and time, clean editor", same_size_and_time, false, noticed + reloaded,
         "btw=BY THE WAY\r\n", DiskChange::same},
        {"same size and time, unsaved edits", same_size_and_time, true, noticed + left_alone,
         "btw=by the way\r\n", DiskChange::changed},
        {"gone, clean editor", [&] { fs::remove(path); }, false, noticed + gone,
         "btw=by the way\r\n", DiskChange::same},
        {"gone, unsaved edits", [&] { fs::remove(path); }, true, noticed + gone,
         "btw=by the way\r\n", DiskChange::same},
        // Held open by a sync tool at the moment it is looked at: tried
        // again 100, then 200 ms later, when it can be read.
        {"held open a moment",
         [&] {
             write_triggers("btw=BY THE WAY\r\n");
             sim_lock_file(path);
         },
         false,
         noticed + "200 timer 7775 100\n200 timer 7771 10\n300 timer 7775 200\n"
                   "300 timer 7771 10\n"
                   "500 status  Triggers Loaded: 1 \n"
                   "500 status  Triggers Loaded: 1  (reloaded: the file changed on disk)\n",
         "btw=BY THE WAY\r\n", DiskChange::same},
    };
    for (const auto& c : cases) {
        fresh();
        start("btw=by the way\r\n");
        sim_set_unsaved_edits(c.unsaved_edits);
        c.change();
        trigger_folder_changed();
        sim_run_for(350);
        sim_unlock_file(path); // a sync tool lets go of it
        sim_script("");
        EXPECT_EQ(sim_log(), c.transcript) << c.name;
        EXPECT_EQ(sim_editor_text(), c.editor) << c.name;
        if (c.transcript.find("no longer on disk") != std::string::npos) {
            EXPECT_FALSE(fs::exists(path)) << c.name << ": never replaced by the examples";
        }
        // A change left under unsaved edits is still a change when Save asks.
        EXPECT_EQ(trigger_file_change(), c.for_save) << c.name;
    }
}

// The look waits for the other program to finish writing, but never more
// than a second from the first change, however busy the folder; a file
// that cannot be read is tried a few more times, then the status bar says so.
TEST_F(EngineTest, TheLookAtTheFileWaitsBoundedTimes) {
    const struct {
        const char* name;
        std::vector<uint32_t> changes; // in the folder, ms from the start
        bool held_open;                // the trigger file cannot be read
        std::string transcript;
    } cases[] = {
        {"one change",
         {0},
         false,
         "200 status  Triggers Loaded: 1  (reloaded: the file changed on disk)\n"},
        {"a few quick ones",
         {0, 100, 250},
         false,
         "450 status  Triggers Loaded: 1  (reloaded: the file changed on disk)\n"},
        {"a log written every 150 ms",
         {0, 150, 300, 450, 600, 750, 900, 1050, 1200, 1350, 1500},
         false,
         "1000 status  Triggers Loaded: 1  (reloaded: the file changed on disk)\n"},
        {"held open for good",
         {0},
         true,
         "3300 status  The trigger file changed on disk but could not be read; it is loaded at "
         "its next change: " +
             path + "\n"},
    };
    for (const auto& c : cases) {
        fresh();
        start("btw=by the way\r\n");
        write_triggers("qq=changed\r\n");
        if (c.held_open) sim_lock_file(path);
        folder_changes(c.changes);
        sim_run_until_idle();
        EXPECT_EQ(last_line(sim_log({"status"})), c.transcript) << c.name;
    }
    // A file that could not be read when it was loaded, and still cannot, is no news.
    fresh();
    write_triggers("btw=by the way\r\n");
    sim_lock_file(path);
    load_triggers(path.c_str());
    sim_clear_log();
    folder_changes({0});
    sim_run_until_idle();
    EXPECT_EQ(sim_log({"status"}), "");
}

// A reload that leaves the editor empty (the file emptied, or one written
// that cannot be loaded) keeps the text it showed in a copy, and says where.
TEST_F(EngineTest, AReloadThatEmptiesTheEditorKeepsWhatItShowed) {
    const std::string own = (dir / "own").string();
    const struct {
        const char* name;
        std::string bytes;
        bool folder_takes_no_file;
        const char* said;
    } cases[] = {
        {"emptied", "", false, " Reloaded: the trigger file on disk is now empty"},
        {"refused", std::string("a=\0b", 4), false,
         " The trigger file changed on disk and could not be loaded"},
        {"emptied, the folder takes no new file", "", true,
         " Reloaded: the trigger file on disk is now empty"},
    };
    for (const auto& c : cases) {
        fresh();
        fs::remove_all(dir);
        fs::create_directories(own);
        sim_set_user_data_folder(own);
        start("btw=by the way\r\n");
        write_triggers(c.bytes);
        if (c.folder_takes_no_file) sim_deny_writes(dir.string() + "/Quillomat (");
        trigger_folder_changed();
        sim_script("");
        const std::string place = c.folder_takes_no_file ? own + "/Recovered/" : dir.string() + "/";
        const std::string copy = place + "Quillomat (unsaved edits) 2026-12-07 09.05.00.txt";
        EXPECT_EQ(sim_status_text(),
                  std::string(c.said) + "; the text shown before is kept in " + copy)
            << c.name;
        const std::vector<KeptText> kept = kept_texts();
        ASSERT_EQ(kept.size(), 1u) << c.name;
        EXPECT_EQ(kept[0].path, copy);
        EXPECT_EQ(kept[0].text, "btw=by the way\r\n");
        EXPECT_EQ(kept[0].why, KeptWhy::emptied);
    }
}

// "Load the file from disk and discard my edits": the edits go into a copy;
// a file that is gone is never loaded (nor replaced by the examples).
TEST_F(EngineTest, LoadingFromDiskKeepsTheDiscardedEdits) {
    start("btw=by the way\r\n");
    sim_edit_editor("btw=by the way\r\nmine=edits\r\n");
    fs::remove(path);
    trigger_folder_changed(); // the file's going seen before the answer comes
    sim_run_for(200);
    EXPECT_EQ(discard_edits_and_reload(), DiskAction::noted_gone);
    EXPECT_EQ(sim_editor_text(), "btw=by the way\r\nmine=edits\r\n");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(kept_texts().empty());

    write_triggers("qq=theirs\r\n");
    EXPECT_EQ(discard_edits_and_reload(), DiskAction::reloaded);
    EXPECT_EQ(sim_editor_text(), "qq=theirs\r\n");
    const std::vector<KeptText> kept = kept_texts();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].text, "btw=by the way\r\nmine=edits\r\n");
    EXPECT_EQ(kept[0].why, KeptWhy::discarded);
    EXPECT_EQ(sim_status_text(),
              " Loaded the file from disk; your discarded edits are kept in " + kept[0].path);
}

// Each copy has a name of its own; copies are offered oldest first, those of
// another trigger file are not; and Save compares the file with the one
// the copy's text was based on.
TEST_F(EngineTest, KeptCopiesAreFoundOldestFirstWithWhatTheyWereBasedOn) {
    const std::string own = (dir / "own").string();
    fs::create_directories(own);
    sim_set_user_data_folder(own);
    start("btw=by the way\r\n");
    const std::string first = keep_text_copy("A", KeptWhy::session_end);
    sim_set_local_time({2026, 12, 8, 10, 0, 0});
    const std::string second = keep_text_copy("B", KeptWhy::session_end);
    const std::string third = keep_text_copy("C", KeptWhy::session_end); // the same second
    sim_deny_writes(dir.string() + "/Quillomat (");
    const std::string fourth = keep_text_copy("D", KeptWhy::session_end);
    sim_deny_writes(own);
    EXPECT_EQ(keep_text_copy("E", KeptWhy::session_end), "") << "no place took it";
    EXPECT_EQ(first, dir.string() + "/Quillomat (unsaved edits) 2026-12-07 09.05.00.txt");
    EXPECT_EQ(third, dir.string() + "/Quillomat (unsaved edits) 2026-12-08 10.00.00 (2).txt");
    EXPECT_EQ(fourth, own + "/Recovered/Quillomat (unsaved edits) 2026-12-08 10.00.00.txt");

    // A copy from before copies said what they are, beside the file; one
    // of another trigger file of the same name, in the user's folder.
    std::ofstream(dir / "Quillomat (unsaved edits).txt", std::ios::binary) << "\xEF\xBB\xBFold";
    std::ofstream(own + "/Recovered/Quillomat (unsaved edits) 2020-01-01 00.00.00.txt",
                  std::ios::binary)
        << "; Quillomat kept this copy of C:\\Other\\Quillomat.txt | 2020-01-01 00:00:00 | "
           "session end | none\r\nX";
    std::string texts;
    for (const KeptText& kept : kept_texts())
        texts += kept.text;
    EXPECT_EQ(texts, "oldABCD");

    const KeptText a = kept_texts()[1];
    EXPECT_TRUE(a.base_known);
    edits_based_on(a);
    EXPECT_EQ(trigger_file_change(), DiskChange::same);
    write_triggers("btw=changed since\r\n");
    edits_based_on(a);
    EXPECT_EQ(trigger_file_change(), DiskChange::changed);
    edits_based_on(kept_texts()[0]); // based on what, it does not say: Save asks
    write_triggers("btw=by the way\r\n");
    EXPECT_EQ(trigger_file_change(), DiskChange::changed);
}

// A trigger file that is a link: the file it leads to is the one loaded and
// written; a link to a missing file is waited for, never replaced.
TEST_F(EngineTest, ALinkLeadsToItsTargetAndADanglingOneIsAwaited) {
    const fs::path synced = dir / "synced";
    fs::create_directories(synced);
    const std::string real = (synced / "real.txt").string();
    std::ofstream(real, std::ios::binary) << "btw=by the way\r\n";
    fs::create_symlink(real, path);
    load_triggers(path.c_str());
    EXPECT_EQ(engine.file.link_target, real);
    EXPECT_EQ(engine.file.table.count, 1);

    sim_clear_log();
    fs::remove(real);
    trigger_folder_changed();
    sim_run_for(200);
    EXPECT_EQ(sim_log({"status"}), "200 status  The trigger file links to " + real +
                                       ", which is missing; Save writes it there again: " + path +
                                       "\n");
    ASSERT_TRUE(save_trigger_text("btw=again\r\n"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(read(real), "btw=again\r\n");

    // At start: waited for, and loaded once it is there.
    fresh();
    fs::remove(real);
    sim_clear_log();
    load_triggers(path.c_str());
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_FALSE(fs::exists(real)) << "the examples are never written in its place";
    EXPECT_EQ(sim_log({"status"}), "0 status  The trigger file links to " + real +
                                       ", which is missing; it is loaded as soon as it "
                                       "appears: " +
                                       path + "\n");
    std::ofstream(real, std::ios::binary) << "btw=by the way\r\nqq=x\r\n";
    sim_run_for(2000);
    EXPECT_EQ(engine.file.table.count, 2);
}

// A file the settings name but that is not there yet (its folder has not
// synced) is waited for: nothing is written in its place.
TEST_F(EngineTest, AFileNamedButNotThereYetIsAwaited) {
    const std::string later = (dir / "not yet" / "mine.txt").string();
    load_triggers(later.c_str(), false, IfMissing::wait);
    EXPECT_EQ(sim_log(), "0 timer 7775 2000\n0 editor read-only\n"
                         "0 status  The trigger file is not there (yet); it is loaded as soon "
                         "as it appears: " +
                             later + "\n");
    EXPECT_FALSE(save_trigger_text("x=y\r\n"));
    sim_run_for(4000);
    EXPECT_FALSE(fs::exists(later));
    fs::create_directories(dir / "not yet");
    std::ofstream(later, std::ios::binary) << "btw=by the way\r\n";
    sim_run_for(2000);
    EXPECT_EQ(engine.file.table.count, 1);
    EXPECT_EQ(engine.file.path, later);
    EXPECT_FALSE(sim_timer_armed(disk_check_timer));
}
