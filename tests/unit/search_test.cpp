// Finding a trigger: the items a file gives, and how queries rank them.
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
LoadedFile loaded; // large: kept off the stack

std::vector<SearchItem> rows(const std::string& text, std::vector<int> untypeable = {}) {
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

// A form's caption is its trigger's label, found for that trigger alone.
TEST(Search, TheLabelOfOneTriggerIsItsRowsLabel) {
    for (const std::string& text :
         {file,
          std::string("; a\rx=1\r\r\n; b\n\ry=2\n;c\r\nz=3\n; d\r\n\r\nw=4\n;\n; e\r\n{F2}=5"),
          std::string("; Quillomat_CASE: on\r\nx=1\r\n; f\r\ny=2")}) {
        const std::vector<SearchItem> all = rows(text);
        for (std::size_t i = 0; i < all.size(); ++i)
            EXPECT_EQ(trigger_label(loaded, static_cast<int>(i)), all[i].label) << text << i;
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
    for (const SearchItem& item : all) {
        search_window_closed(item.entry);
        sim_script("");
    }
    EXPECT_EQ(sim_log(), "0 status  Shortcuts Used:  1\n"
                         "0 timer 7772 1\n"
                         "1 keys +46 -46 +49 -49 +52 -52 +53 -53 +54 -54\n" // first
                         "1 timer 7771 10\n"
                         "1 status  Shortcuts Used:  2\n"
                         "1 timer 7772 1\n"
                         "2 keys +53 -53 +45 -45 +43 -43 +4F -4F +4E -4E +44 -44\n" // second
                         "2 timer 7771 10\n");
}

// The rows are the loaded table's: a file changed on disk but not loaded
// (unsaved edits in the editor) never makes a pick play another line.
TEST_F(EngineTest, APickPlaysTheRowsLineAfterAnOutsideChange) {
    start("a=first\r\nb=second\r\n");
    sim_set_unsaved_edits(true);
    write_triggers("b=second\r\na=first\r\n");
    trigger_folder_changed();
    sim_script("");
    const std::vector<SearchItem> all = search_items(engine.file);
    ASSERT_EQ(all.size(), 2u);
    ASSERT_EQ(all[0].trigger, "a");
    search_window_closed(all[0].entry);
    sim_script("");
    EXPECT_EQ(sim_log(), "0 timer 7775 200\n"
                         "10 timer 7771 10\n"
                         "200 status  The trigger file was changed by another program; Save will "
                         "ask before writing over it\n"
                         "200 status  Shortcuts Used:  1\n"
                         "200 timer 7772 1\n"
                         "201 keys +46 -46 +49 -49 +52 -52 +53 -53 +54 -54\n" // first
                         "201 timer 7771 10\n");
}

// The window's pick plays the output as if the trigger had fired, erasing
// nothing; closing it without a pick plays nothing; polling resumes either
// way, and not before: nothing typed into the window is matched.
TEST_F(EngineTest, SearchOpensWaitsAndPlaysThePickWithoutErasing) {
    const std::string ctrl_alt_f = "d:ctrl t:10 d:alt t:40 d:f t:30 u:f t:20 u:alt u:ctrl";
    start("{control}{alt}f=SEARCH:ignored\r\nbtw=by the way\r\n");
    sim_script(ctrl_alt_f + " t:200 type:btw");
    search_window_closed(1);
    sim_script(ctrl_alt_f);
    search_window_closed(-1);
    sim_script("");
    EXPECT_EQ(sim_log(), "50 timer 7772 10\n" // waits for Ctrl and Alt to go up
                         "100 status  Shortcuts Used:  1\n"
                         "100 timer 7772 1\n"
                         "101 search open\n"
                         "541 status  Shortcuts Used:  2\n" // picked, after btw typed into it
                         "542 keys +42 -42 +59 -59 +20 -20 +54 -54 +48 -48 +45 -45 +20 -20 +57 -57 "
                         "+41 -41 +59 -59\n"
                         "542 timer 7771 10\n"
                         "592 timer 7772 10\n"
                         "642 status  Shortcuts Used:  3\n"
                         "642 timer 7772 1\n"
                         "643 search open\n"
                         "643 timer 7771 10\n");
}

TEST(Search, APatternIsListedByItsLabelAndItsPatternWhole) {
    const std::vector<SearchItem> all = rows("; Greeting\r\nre::greet\\((?<someone>\\w+)\\) and "
                                             "(?<another>\\w+)!{U+0416}=Hi {someone}\r\n");
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].trigger, "re::greet\\((?<someone>\\w+)\\) and (?<another>\\w+)!\u0416");
    EXPECT_EQ(all[0].label, "Greeting");
    EXPECT_EQ(ranked("greeting", all), all[0].trigger);
}
