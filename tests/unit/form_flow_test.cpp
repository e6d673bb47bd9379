// A trigger with fields on the simulated desktop: the form opens before
// anything is erased, and the output goes, values in place, only into the
// window it was for.
#include "engine_fixture.h"

#include <string>

namespace {
// The Editor (id 256) is in front, the Other window (257) behind it.
class FormFlowTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        sim_set_foreground(sim_add_window("Editor"));
        sim_add_window("Other");
    }
};

const char* const letter = "; Letter\r\nqqa={Input:Name=Ann} {Input:Name}\r\nbtw=by the way\r\n";
} // namespace

TEST_F(FormFlowTest, TheFormOpensFirstAndItsValueIsTypedWhereTheTriggerWas) {
    EXPECT_EQ(run(letter, "type:qqa t:100 fill:Name=Bo form:ok"),
              "160 form Letter | Name=Ann | for 256\n"
              "340 form ok | Name=Bo\n"
              "340 keys +08 -08 +08 -08 +08 -08\n"
              "340 status  Shortcuts Used:  1\n"
              "340 timer 7772 1\n"
              "341 keys +10 +42 -42 -10 +4F -4F +20 -20 +10 +42 -42 -10 +4F -4F\n"
              "341 timer 7771 10\n");
}

TEST_F(FormFlowTest, CancelLeavesTheTriggerAsTypedAndNothingFiresWhileTheFormIsOpen) {
    EXPECT_EQ(
        run(letter, "type:qqa type:btw form:cancel type:w type:btw", {"form", "keys", "timer"}),
        "160 form Letter | Name=Ann | for 256\n"
        "480 form cancel | Name=Ann\n"
        "720 keys +08 -08 +08 -08 +08 -08\n"
        "720 timer 7772 1\n"
        "721 keys +42 -42 +59 -59 +20 -20 +54 -54 +48 -48 +45 -45 +20 -20 +57 -57 +41 -41 "
        "+59 -59\n"
        "721 timer 7771 10\n")
        << "the form's own btw fired nothing, and the w after the cancel no btw";
}

TEST_F(FormFlowTest, NothingIsErasedOrTypedUnlessTheWindowComesBackInFront) {
    const struct {
        const char* script;
        const char* transcript;
    } cases[] = {
        {"close:Editor form:ok",
         "241 form ok | Name=Bo\n"
         "241 status  Nothing typed: the window the form was for has closed\n"},
        {"front:Other form:ok",
         "241 form ok | Name=Bo\n"
         "1241 status  Nothing typed: another window is in front of the one the form was for\n"},
        {"front:Other form:ok t:300 front:Editor", "241 form ok | Name=Bo\n"
                                                   "551 keys +08 -08 +08 -08 +08 -08\n"
                                                   "551 status  Shortcuts Used:  1\n"},
    };
    for (const auto& c : cases) {
        SetUp();
        start(letter);
        sim_script("type:qqa");
        sim_fill_form("Name", "Bo");
        sim_clear_log();
        sim_script(c.script);
        EXPECT_EQ(sim_log({"form", "status", "keys"}).substr(0, std::string(c.transcript).size()),
                  c.transcript)
            << c.script;
        EXPECT_TRUE(sim_timer_armed(polling_timer)) << c.script;
        // The next firing offers the values again.
        sim_set_foreground(find_top_window("Other"));
        sim_script("type:qqa");
        EXPECT_EQ(sim_open_form(), "Letter | Name=Bo | for 257") << c.script;
        TearDown();
    }
}

TEST_F(FormFlowTest, ValuesAreTextThatNeitherRunsNorExpandsNorChangesCase) {
    sim_set_env("PATH", "C:\\Windows");
    start("; Quillomat_PASTE: 1\r\n; Quillomat_CASE: on\r\nqqv=v{Input:V} %PATH% {{yyyy}}\r\n");
    for (const char* value : {"{Enter}", "RUN: x", "WINDOW: y", "%PATH%", "{{yyyy}}", "a}b{",
                              "{U+20AC}", "qqv", "\xE2\x82\xAC \xD0\x96"}) {
        sim_clear_log();
        sim_script("d:shift type:qqv u:shift"); // QQV: the output in upper case
        sim_fill_form("V", value);
        sim_script("form:ok");
        const std::string pasted = sim_log({"pasted"});
        EXPECT_EQ(pasted.substr(pasted.find("pasted ") + 7),
                  "V" + std::string(value) + " C:\\Windows 2026\n");
    }
    EXPECT_EQ(sim_log({"launch", "activate", "message"}), "");

    sim_script("type:qqv");
    sim_fill_form("V", "a\nb");
    sim_clear_log();
    sim_script("form:ok");
    EXPECT_NE(sim_log({"keys"}).find("+0D -0D"), std::string::npos) << "a new line is Enter";
}

TEST_F(FormFlowTest, AHotkeyErasesNothing) {
    EXPECT_EQ(run("{control}{alt}a=x{Check:PS=y}\r\n",
                  "d:ctrl d:alt d:a t:40 u:a u:alt u:ctrl t:100 fill:PS=on form:ok",
                  {"form", "keys"}),
              "30 form  | PS=[ ] | for 256\n"
              "140 form ok | PS=[x]\n"
              "141 keys +58 -58 +59 -59\n");
}

TEST_F(FormFlowTest, APickFromTheSearchWindowAsksForTheWindowInFrontBeforeIt) {
    start("{control}{alt}f=SEARCH:\r\n; Letter\r\nqqa={Input:Name=Ann} {Input:Name}\r\n");
    sim_script("d:ctrl d:alt d:f t:40 u:f u:alt u:ctrl t:100 front:Other");
    sim_clear_log();
    search_window_closed(1);
    EXPECT_EQ(sim_open_form(), "Letter | Name=Ann | for 256");
    sim_script("front:Editor form:ok");
    EXPECT_EQ(sim_log({"keys"}), "142 keys +10 +41 -41 -10 +4E -4E +4E -4E +20 -20 +10 +41 -41 "
                                 "-10 +4E -4E +4E -4E\n")
        << "nothing erased";
}

TEST_F(FormFlowTest, AFormThatCannotOpenTypesNothing) {
    sim_refuse_forms(true);
    EXPECT_EQ(run(letter, "type:qqa", {"status", "keys"}),
              "160 status  Nothing typed: the form could not be opened\n");
    EXPECT_TRUE(sim_timer_armed(polling_timer));
}
