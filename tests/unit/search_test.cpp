// Finding a trigger: the items a file gives, and how queries rank them.
#include "engine/engine.h"
#include "engine/search.h"
#include "engine_fixture.h"
#include "triggers/encoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
const std::string file = "; My triggers\r\n"
                         ";\r\n"
                         "; ---- Signature block ----\r\n"
                         "qqsig=Best regards,{Enter}Ann\r\n"
                         "btw=by the way\r\n"
                         "; ----\r\n"
                         "{control}{alt}k=keyboard shortcut fired\r\n"
                         "; Address\r\n"
                         "\r\n"
                         "qqaddr=221B Baker Street{Enter}London\r\n"
                         "; Weekly report\r\n"
                         "wr=Dear team,{Enter}here is the report for week {{dd}}\r\n"
                         "{F5}=refresh\r\n";

// The rows of a file's engine text, as the search window gets them after a load.
std::vector<SearchItem> rows(const std::string& text, std::vector<int> untypeable = {}) {
    static LoadedFile loaded; // large: kept off the stack
    loaded = LoadedFile{};
    loaded.text = text;
    loaded.untypeable = std::move(untypeable);
    parse_trigger_text(loaded.text.data(), loaded.text.size(), loaded.table, nullptr);
    return search_items(loaded);
}

std::vector<SearchItem> items() {
    return rows(file);
}

// The triggers in the order a query ranks them.
std::string ranked(const std::string& query, const std::vector<SearchItem>& all = items()) {
    std::string out;
    for (const int i : search_rank(all, query))
        out += (out.empty() ? "" : " ") + all[static_cast<std::size_t>(i)].trigger;
    return out;
}
} // namespace

TEST(Search, ItemsCarryTheirTriggerLabelAndOutputInFileOrder) {
    const std::vector<SearchItem> all = items();
    ASSERT_EQ(all.size(), 6u);
    const struct {
        const char *trigger, *label, *output;
    } expected[] = {
        {"qqsig", "Signature block", "Best regards,{Enter}Ann"},
        {"btw", "", "by the way"},                        // the comment is not directly above
        {"Ctrl+Alt+K", "", "keyboard shortcut fired"},    // "; ----" is a rule, not a label
        {"qqaddr", "", "221B Baker Street{Enter}London"}, // a blank line in between
        {"wr", "Weekly report", "Dear team,{Enter}here is the report for week {{dd}}"},
        {"{F5}", "", "refresh"},
    };
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].entry, static_cast<int>(i));
        EXPECT_EQ(all[i].trigger, expected[i].trigger);
        EXPECT_EQ(all[i].label, expected[i].label);
        EXPECT_EQ(all[i].output, expected[i].output);
    }
}

TEST(Search, RanksWhatUsersExpectFirst) {
    const struct {
        const char* query;
        const char* order;
    } cases[] = {
        {"", "qqsig btw Ctrl+Alt+K qqaddr wr {F5}"}, // everything, in file order
        {"sig", "qqsig"},
        {"SIG", "qqsig"}, // any case
        {"rep", "wr"},    // label "Weekly report" and the output both hold it
        {"re", "wr {F5} qqsig Ctrl+Alt+K qqaddr"}, // label, then a field's start, then word starts
        {"btw", "btw"},                            // the trigger itself
        {"ctrl", "Ctrl+Alt+K"},                    // a hotkey as it is pressed
        {"f5", "{F5}"},                            // key tokens
        {"{Enter}", "qqsig qqaddr wr"},            // non-letters match as they stand
        {"bw", "btw"},                             // scattered letters in the trigger
        {"zzz", ""},                               // no match
        {"a very long query longer than every text", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ranked(c.query), c.order) << '"' << c.query << '"';
}

TEST(Search, AWordAtTheStartOfALabelCountsAsAWordStart) {
    const std::string text = "; Euro sign\r\nqqeu=EUR\r\n; Degree sign\r\nqqdeg=deg\r\n"
                             "; Signature block\r\nqqsig=Best regards\r\n"
                             "; Insert date\r\nqqid=x\r\n; Date today\r\nqqdt=y\r\n";
    const std::vector<SearchItem> all = rows(text);
    const struct {
        const char* query;
        const char* first; // the best of the ranking
    } cases[] = {{"sig", "qqsig"}, {"date", "qqdt qqid"}};
    for (const auto& c : cases)
        EXPECT_EQ(ranked(c.query, all).rfind(c.first, 0), 0u)
            << c.query << ": " << ranked(c.query, all);
}

TEST(Search, FindsThe255thTrigger) {
    std::string many;
    for (int i = 1; i <= 256; ++i)
        many += "; item number " + std::to_string(i) + "\r\nt" + std::to_string(i) + "=out\r\n";
    const std::vector<SearchItem> all = rows(many);
    ASSERT_EQ(all.size(), 255u); // the 256th never loads
    EXPECT_EQ(ranked("t255", all), "t255");
    EXPECT_EQ(all.back().label, "item number 255");
}

TEST(Search, ShowsAndMatchesCharactersOfAnyScript) {
    // A UTF-8 file as the engine reads it: the second trigger cannot be typed.
    std::string text = "; \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n" // ; Привет
                       "qqru=\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n"
                       "\xD0\xBF\xD1\x80=never\r\n" // пр=never
                       "cafe=caf\xC3\xA9\r\n";
    HeapText engine = alloc_text(file_buffer_size(text.size()));
    std::memcpy(engine.get(), text.data(), text.size());
    std::size_t size = text.size();
    std::vector<int> untypeable;
    ASSERT_TRUE(to_engine_text(engine, size, TextEncoding::utf8, &untypeable));
    const std::vector<SearchItem> all = rows(std::string(engine.get(), size), untypeable);
    ASSERT_EQ(all.size(), 2u) << "the untypeable line is no row";
    EXPECT_EQ(all[0].label, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    EXPECT_EQ(all[0].output, all[0].label) << "characters, not {U+XXXX}";
    EXPECT_EQ(all[1].label, "") << "the untypeable line is no label";
    EXPECT_EQ(all[1].output, "caf\xC3\xA9");
    EXPECT_EQ(ranked("\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2", all), "qqru") << "any case";
    EXPECT_EQ(ranked("CAF\xC3\x89", all), "cafe");
}

TEST(Search, ARowForSomeProgramsOnlySaysWhich) {
    const std::string text = "; Quillomat_ONLY_IN: winword.exe, title:Report\r\nsig=Word\r\n"
                             "; Quillomat_ONLY_IN: *\r\nsig=Any\r\n";
    const std::vector<SearchItem> all = rows(text);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].programs, "winword.exe, Report");
    EXPECT_EQ(all[0].label, "") << "a directive is no label";
    EXPECT_EQ(all[1].programs, "");
}

// Of two lines with the same trigger, the pick of either plays its own.
TEST_F(EngineTest, APickPlaysTheOutputOfItsOwnLine) {
    start("x=first\r\nx=second\r\n");
    const std::vector<SearchItem> all = search_items(engine.file);
    ASSERT_EQ(all.size(), 2u);
    for (const char* expected : {"first", "second"}) {
        const SearchItem& item = all[expected[0] == 'f' ? 0 : 1];
        search_window_closed(item.entry);
        ASSERT_TRUE(engine.player.active);
        EXPECT_EQ(script_as_markup(engine.player.script), expected);
        sim_run_until_idle();
    }
}

// The rows are the loaded table's: a file changed on disk but not loaded
// (unsaved edits in the editor) never makes a pick play another line.
TEST_F(EngineTest, APickPlaysTheRowsLineAfterAnOutsideChange) {
    start("a=first\r\nb=second\r\n");
    sim_set_unsaved_edits(true);
    write_triggers("b=second\r\na=first\r\n");
    trigger_folder_changed();
    sim_run_for(300);
    const std::vector<SearchItem> all = search_items(engine.file);
    ASSERT_EQ(all.size(), 2u);
    ASSERT_EQ(all[0].trigger, "a");
    search_window_closed(all[0].entry);
    EXPECT_EQ(script_as_markup(engine.player.script), "first");
}

// The window's pick plays the output as if the trigger had fired, erasing
// nothing; closing it without a pick plays nothing; polling resumes either way.
TEST_F(EngineTest, SearchOpensWaitsAndPlaysThePickWithoutErasing) {
    start("{control}{alt}f=SEARCH:ignored\r\nbtw=by the way\r\n");
    sim_press_at(0, 17, 100);
    sim_press_at(10, 18, 90);
    sim_press_at(50, 'F', 30);
    sim_run_for(300);
    EXPECT_EQ(sim_log({"search", "timer"}), "50 timer 7772 10\n100 timer 7772 1\n101 search open\n")
        << "waits for Ctrl and Alt to go up";
    EXPECT_TRUE(engine.player.searching);
    EXPECT_FALSE(sim_timer_armed(polling_timer)) << "nothing typed into the window is matched";

    sim_clear_log();
    search_window_closed(1);
    sim_run_for(50);
    EXPECT_EQ(sim_log({"keys", "status"}),
              "300 status  Shortcuts Used:  2\n"
              "301 keys +42 -42 +59 -59 +20 -20 +54 -54 +48 -48 +45 -45 +20 -20 +57 -57 +41 -41 "
              "+59 -59\n");
    EXPECT_TRUE(sim_timer_armed(polling_timer));

    sim_press_at(sim_now(), 17, 100);
    sim_press_at(sim_now() + 10, 18, 90);
    sim_press_at(sim_now() + 50, 'F', 30);
    sim_run_for(300);
    sim_clear_log();
    search_window_closed(-1);
    sim_run_for(50);
    EXPECT_EQ(sim_log({"keys", "status"}), "");
    EXPECT_TRUE(sim_timer_armed(polling_timer));
}

TEST(Search, APatternIsListedByItsLabelAndItsPatternWhole) {
    const std::vector<SearchItem> all = rows("; Greeting\r\nre::greet\\((?<someone>\\w+)\\) and "
                                             "(?<another>\\w+)!{U+0416}=Hi {someone}\r\n");
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].trigger, "re::greet\\((?<someone>\\w+)\\) and (?<another>\\w+)!\u0416");
    EXPECT_EQ(all[0].label, "Greeting");
    EXPECT_EQ(ranked("greeting", all), all[0].trigger);
}
