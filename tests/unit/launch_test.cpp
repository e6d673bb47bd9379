// Starting programs and finding windows by title.
#include "platform/sim/sim.h"
#include "keys/launch.h"

#include <gtest/gtest.h>

TEST(LaunchCommand, SplitsProgramAndArguments) {
    struct Case {
        const char* command;
        const char* log;
    } cases[] = {
        {"notepad", "0 launch failed notepad ||\n"},
        {"  notepad readme.txt", "0 launch failed notepad |readme.txt|\n"},
        {"notepad#readme", "0 launch failed notepad |#readme|\n"},
        {"\"C:\\Program Files\\App\\app.exe\" -x \"y\" ",
         "0 launch failed C:\\Program Files\\App\\app.exe |-x \"y|\n"},
        {"'C:\\My Tools\\t.exe'", "0 launch failed C:\\My Tools\\t.exe ||\n"},
        {"\"unterminated", "0 launch failed unterminated ||\n"},
    };
    for (const Case& c : cases) {
        sim_reset();
        EXPECT_FALSE(launch_command(c.command));
        EXPECT_EQ(sim_log(), c.log) << c.command;
    }
    EXPECT_FALSE(launch_command(nullptr));
}

TEST(RunCommand, EntersTheProgramFolderAndRetriesWithQuotes) {
    sim_reset();
    sim_allow_program("C:\\Program Files\\App\\app.exe");
    EXPECT_TRUE(run_command("C:\\Program Files\\App\\app.exe"));
    EXPECT_EQ(sim_log(), "0 directory C:\\Program Files\\App\n"
                         "0 launch failed C:\\Program |Files\\App\\app.exe|\n"
                         "0 launch C:\\Program Files\\App\\app.exe ||\n");
    sim_reset();
    sim_allow_program("notepad");
    EXPECT_TRUE(run_command("notepad"));
    EXPECT_EQ(sim_current_directory(), "C:\\") << "no folder in the command";
}

TEST(FindWindowByTitle, PrefersExactThenPrefixThenAnywhere) {
    sim_reset();
    const WindowId top = sim_add_window("My Untitled");
    const WindowId notepad = sim_add_window("Untitled - Notepad");
    const WindowId exact = sim_add_window("calculator");
    EXPECT_EQ(find_window_by_title("Untitled"), notepad);
    EXPECT_EQ(find_window_by_title("notepad"), notepad);
    EXPECT_EQ(find_window_by_title("My"), top);
    EXPECT_EQ(find_window_by_title("Calculator"), exact); // the exact lookup ignores case
    EXPECT_EQ(find_window_by_title("Untitled - Notepad "), 0u) << "the title is not trimmed";
    EXPECT_EQ(find_window_by_title(""), 0u);
}

TEST(FindWindowByTitle, StartsAtTheForegroundAndPassesOverSilentWindows) {
    sim_reset();
    const WindowId above = sim_add_window("Report draft");
    const WindowId front = sim_add_window("Mail");
    sim_add_window("", ScreenRect{}, true);
    sim_add_window("Report final", ScreenRect{}, false); // never answers
    const WindowId below = sim_add_window("Old report");
    sim_set_foreground(front);
    (void)above;
    EXPECT_EQ(find_window_by_title("report"), above) << "the foreground window moved to the top";
    sim_reset();
    sim_add_window("Report draft");
    sim_add_window("Hung report", ScreenRect{}, false);
    const WindowId answering = sim_add_window("Answering report");
    EXPECT_EQ(find_window_by_title("Hung"), 0u);
    EXPECT_EQ(find_window_by_title("answering"), answering);
    (void)below;
}

TEST(ActivateWindow, RestoresAMinimizedWindowAndShowsANormalOne) {
    sim_reset();
    const WindowId minimized = sim_add_window("Min", ScreenRect{}, true, true);
    const WindowId normal = sim_add_window("Normal");
    activate_window(minimized);
    activate_window(normal);
    activate_window(0x9999);
    EXPECT_EQ(sim_log(), "0 activate Min restore\n0 activate Normal show\n");
    EXPECT_EQ(foreground_window(), normal);
}
