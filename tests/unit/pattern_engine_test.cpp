// Pattern triggers in the engine: typed keys in, the whole transcript out,
// with the key events read back as the characters they type.
#include "engine_fixture.h"
#include "platform/sim/us_layout.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {
// The transcript with each "keys" line as what it types: "<" for a
// Backspace, the characters of the US layout, Shift taken into account.
std::string readable(const std::string& transcript) {
    std::istringstream lines(transcript);
    std::string line, out;
    while (std::getline(lines, line)) {
        const std::size_t keys = line.find(" keys ");
        if (keys == std::string::npos) {
            out += line + "\n";
            continue;
        }
        std::istringstream events(line.substr(keys + 6));
        std::string event, typed;
        bool shift = false;
        while (events >> event) {
            const int vk = static_cast<int>(std::stoul(event.substr(1, 2), nullptr, 16));
            if (vk == 0x10) shift = event[0] == '+';
            if (event[0] != '+' || vk == 0x10) continue;
            const char plain = static_cast<char>(us_key_char(vk));
            const std::size_t pair = unshifted_row.find(plain);
            typed += vk == 8                          ? '<'
                     : !shift                         ? static_cast<char>(std::tolower(plain))
                     : pair != std::string_view::npos ? shifted_row[pair]
                                                      : plain;
        }
        out += line.substr(0, keys) + " keys " + typed + "\n";
    }
    return out;
}

// What the program typed, every "keys" line of the transcript together.
std::string typed(const std::string& transcript) {
    std::istringstream lines(readable(transcript));
    std::string line, out;
    while (std::getline(lines, line))
        if (line.find(" keys ") != std::string::npos) out += line.substr(line.find(" keys ") + 6);
    return out;
}

void front(const char* exe) {
    const WindowId window = sim_add_window("Document");
    sim_set_window_program(window, exe, "Window");
    sim_set_foreground(window);
}
} // namespace

TEST_F(EngineTest, APatternFiresWhereTheTypedTextEndsAndErasesWhatItMatched) {
    EXPECT_EQ(readable(run("re::greet\\((\\w+)\\)=Hello, {1}!\r\n", "text:_:greet(Ann)",
                           {"keys", "status", "timer"})),
              "890 timer 7772 10\n" // ")" fired with Shift down: the keys wait for it
              "940 keys <<<<<<<<<<<\n"
              "940 status  Shortcuts Used:  1\n"
              "940 timer 7772 1\n"
              "941 keys Hello, Ann!\n"
              "941 timer 7771 10\n");

    // "72kg" inside what is typed is no match: the stretch must end at the newest key.
    EXPECT_EQ(run("re:(\\d+)kg =x\r\n", "type:72kgs_"), "");
}

TEST_F(EngineTest, APatternsGroupsAreTypedAsTextWithTheirCaseChanged) {
    const struct {
        const char *file, *script, *typed;
    } cases[] = {
        {"re:(\\w+)\\.(\\w+);={2|upper}-{1|title}-{2|lower}", "text:ann.BOB;",
         "<<<<<<<<BOB-Ann-bob"},
        {"re:(?<who>\\w+)@@=Dear {who|title},{Enter}", "text:ann@@", "<<<<<Dear Ann,\r"},
        {"re:(\\d+)(kg|lb)?!={1}<{2}>", "text:5!", "<<5<>"}, // a group that took no part
        // Captured text is typed as the characters it holds, never carried out.
        {"re:say\\((.+)\\)={1}", "text:say({Enter}%PATH%)", "<<<<<<<<<<<<<<<<<<{Enter}%PATH%"},
        // The case directive leaves patterns alone: (?i) matches, the output stays.
        {"; Quillomat_CASE: on\r\nre:(?i)btw=by the way", "text:BTW", "<<<by the way"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(typed(run(std::string(c.file) + "\r\n", c.script, {"keys"})), c.typed) << c.file;
}

TEST_F(EngineTest, APatternKeepsItsPlaceInTheFileAndItsRules) {
    const char* sections = "; Quillomat_ONLY_IN: winword.exe\r\nre:(\\d+)kg=word\r\n"
                           "; Quillomat_ONLY_IN: *\r\nre:(\\d+)kg=other";
    const struct {
        const char *file, *exe, *script, *typed;
    } cases[] = {
        // The first line in file order that matches fires, pattern or not.
        {"re:(\\d)kg=pattern {1}\r\n5kg=plain", "notepad.exe", "type:5kg", "<<<pattern 5"},
        {"5kg=plain\r\nre:(\\d)kg=pattern {1}", "notepad.exe", "type:5kg", "<<<plain"},
        // Under WORD_START the matched stretch must begin a word.
        {"; Quillomat_WORD_START: on\r\nre:(\\d+)kg=kilo", "notepad.exe", "type:x72kg", ""},
        {"; Quillomat_WORD_START: on\r\nre:(\\d+)kg=kilo", "notepad.exe", "type:x_72kg",
         "<<<<kilo"},
        // A section's pattern fires only in its programs; the scan goes on below it.
        {sections, "winword.exe", "type:5kg", "<<<word"},
        {sections, "notepad.exe", "type:5kg", "<<<other"},
        {"; Quillomat_NEVER_IN: notepad.exe\r\nre:(\\d+)kg=kilo", "notepad.exe", "type:5kg", ""},
    };
    for (const auto& c : cases) {
        start(std::string(c.file) + "\r\n");
        front(c.exe);
        sim_script(c.script);
        EXPECT_EQ(typed(sim_log({"keys"})), c.typed) << c.file << " in " << c.exe;
    }
}

TEST_F(EngineTest, APatternSpansItsWindowAndNoBreak) {
    const std::string letters(80, 'a');
    const struct {
        std::string file, script, typed;
    } cases[] = {
        {"; Quillomat_PATTERN_WINDOW: 5\r\nre:x(\\w+)!={1}", "text:xabc!", "<<<<<abc"},
        {"; Quillomat_PATTERN_WINDOW: 5\r\nre:x(\\w+)!={1}", "text:xabcd!", ""},
        // Far longer than the key history of plain triggers; the last line wins.
        {"; Quillomat_PATTERN_WINDOW: 9\r\n; Quillomat_PATTERN_WINDOW: 100\r\nre:<(a+)>=long",
         "text:<" + letters + ">", std::string(82, '<') + "long"},
        // A click, a key without a character and Backspace, as for plain triggers.
        {"re:x(\\w+)!={1}", "text:xab d:click t:40 u:click text:c!", ""},
        {"re:x(\\w+)!={1}", "text:xab d:left t:40 u:left text:c!", ""},
        {"re:x(\\w+)!={1}", "text:xabq d:bs t:40 u:bs text:c!", "<<<<<abc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(typed(run(c.file + "\r\n", c.script, {"keys"})), c.typed)
            << c.file << " / " << c.script;
}

TEST_F(EngineTest, ARunawayPatternIsSwitchedOffAndNamedAndTheScanGoesOn) {
    // "\b" between two letters never holds: every way of splitting the "a"s is
    // tried. One such search per key: the second pattern runs away on the next.
    const std::string file = "; Quillomat_PATTERN_WINDOW: 255\r\nre:(a+)+\\bb=x\r\n"
                             "re:(?:a+)+\\bb=y\r\nab=plain\r\n";
    const std::string script = "type:" + std::string(40, 'a') + "b";
    EXPECT_EQ(readable(run(file, script + " " + script + " " + script, {"keys", "status"})),
              "3200 status  Pattern on line 2 switched off until the file is loaded again: its "
              "search ran away\n"
              "3200 keys <<\n"
              "3200 status  Shortcuts Used:  1\n"
              "3201 keys plain\n"
              "6481 status  Pattern on line 3 switched off until the file is loaded again: its "
              "search ran away\n"
              "6481 keys <<\n"
              "6481 status  Shortcuts Used:  2\n"
              "6482 keys plain\n"
              "9762 keys <<\n"
              "9762 status  Shortcuts Used:  3\n"
              "9763 keys plain\n");
    load_triggers(path.c_str());
    EXPECT_TRUE(engine.patterns.compiled[0].usable()) << "on again after a load";
}

TEST_F(EngineTest, BackspaceAfterAPatternsOutputTypesBackWhatItMatched) {
    start("re:x(\\d+)!=<{1}>\r\n");
    engine.undo.enabled = true;
    sim_script("text:ax12!");
    sim_clear_log();
    sim_script("d:bs t:40 u:bs");
    // The user's Backspace took one of the output's four characters; three more go.
    EXPECT_EQ(typed(sim_log({"keys"})), "<<<x12!");
    EXPECT_EQ(engine.prepare.use_count, 1) << "and it does not fire again at once";
    engine.undo.enabled = false;
}

TEST_F(EngineTest, APickedPatternTypesItsOutputWithEveryGroupEmpty) {
    start("re::greet\\((?<who>\\w+)\\)=Hello, {who}{1}!\r\n");
    engine.player.searching = true;
    search_window_closed(0);
    EXPECT_EQ(script_as_markup(engine.player.script), "Hello, !");
}

TEST_F(EngineTest, APatternInAUtf8FileMatchesCharactersSentAsThemselves) {
    // Cyrillic is no character of the code page: it comes as Unicode key
    // events, and the output goes out the same way, never taken as typed
    // (the second line would fire on its own output again and again).
    const std::string privet = "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82"; // привет
    const std::string ura = "\xd1\x83\xd1\x80\xd0\xb0";                            // ура
    start("re:(?i)" + privet + " (\\w+)!=" + privet + " {1|title}!\r\nre:(?i)" + ura + "=" + ura +
          "\r\n");
    start_watching(); // the events bring them
    sim_script("unicode:" + privet + "_\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd! unicode:" + ura);
    EXPECT_EQ(sim_log({"keys", "status"}),
              "880 keys +08 -08 +08 -08 +08 -08 +08 -08 +08 -08 +08 -08 +08 -08 +08 -08 +08 -08 "
              "+08 -08 +08 -08 +08 -08\n"
              "880 status  Shortcuts Used:  1\n"
              "881 keys +U043F -U043F +U0440 -U0440 +U0438 -U0438 +U0432 -U0432 +U0435 -U0435 "
              "+U0442 -U0442 +20 -20 +U0418 -U0418 +U0432 -U0432 +U0430 -U0430 +U043D -U043D +10 "
              "+31 -31 -10\n"
              "1120 keys +08 -08 +08 -08 +08 -08\n"
              "1120 status  Shortcuts Used:  2\n"
              "1121 keys +U0443 -U0443 +U0440 -U0440 +U0430 -U0430\n");
}
