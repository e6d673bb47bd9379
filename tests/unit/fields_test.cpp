// Fill-in form fields: reading them from an output, what the checker says
// of malformed ones, and the output composed from the values given.
#include "triggers/fields.h"

#include <gtest/gtest.h>

#include <string>

namespace {
// A form in one line: "line Name=Ann | choose Size=S,*M,L | check *PS=p.s."
std::string describe(const Form& form) {
    static const char* const kinds[] = {"line", "lines", "choose", "check"};
    std::string out;
    for (const FormField& field : form) {
        if (!out.empty()) out += " | ";
        out += std::string(kinds[static_cast<int>(field.kind)]) + " ";
        out += (field.ticked ? "*" : "") + field.label;
        if (field.kind == FieldKind::choose) {
            out += "=";
            for (std::size_t i = 0; i < field.items.size(); ++i)
                out += (i ? "," : "") + std::string(i == field.chosen ? "*" : "") + field.items[i];
        } else if (!field.text.empty()) {
            out += "=" + field.text;
        }
    }
    return out;
}

// Pieces in one line: markup as it stands, text in [brackets].
std::string describe(const OutputPieces& pieces) {
    std::string out;
    for (const OutputPiece& piece : pieces)
        out += piece.kind == OutputPiece::text ? "[" + piece.content + "]" : piece.content;
    return out;
}

std::string problems(const std::string& output) {
    std::string out;
    for (const FieldProblem& problem : field_problems(output))
        out += (out.empty() ? "" : "; ") + std::to_string(problem.column) + ": " + problem.words;
    return out;
}
} // namespace

TEST(ReadForm, EverySpellingOfAField) {
    const struct {
        const char* output;
        const char* form;
    } cases[] = {
        {"Hi {Input:Name}!", "line Name"},
        {"{input:Name=Ann Smith}", "line Name=Ann Smith"},
        {"{INPUT: Name = x=y }", "line Name= x=y "},
        {"{Input:Agenda|multi}", "lines Agenda"},
        {"{Input:Agenda=none|Multi}", "lines Agenda=none"},
        {"{Choose:Size=S|M|L}", "choose Size=*S,M,L"},
        {"{choose:Size=S|*M|L}", "choose Size=S,*M,L"},
        {"{Choose:Size=S||L}", "choose Size=*S,,L"},
        {"{Check:PS=P.S. Call me}", "check PS=P.S. Call me"},
        {"{CHECK:*PS=a|b=c}", "check *PS=a|b=c"},
        {"{Check: * Formal }", "check *Formal"},
        {"{Input:Caf{U+00E9} {U+1F600}=x{U+20AC}}",
         "line Caf\xC3\xA9 \xF0\x9F\x98\x80=x\xE2\x82\xAC"},
        {"{Input:Caf\xE9}", "line Caf\xC3\xA9"},
        {"Dear {Input:Name},{Enter}{Choose:Day=Mon|Tue}{Input:Name}{Check:PS=x}",
         "line Name | choose Day=*Mon,Tue | check PS=x"},
        {"{Input:Name=first}{Input:Name=second}{Input:Name|multi}", "line Name=first"},
        {"{Choose:Size=S|M}{choose:Size}", "choose Size=*S,M"},
        {"{Input:name}{Input:Name}", "line name | line Name"},
        {"plain {Enter} text {Inputs:x} {Input} {Delay=5}", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describe(read_form(c.output)), c.form) << c.output;
        EXPECT_EQ(has_fields(c.output), c.form[0] != '\0') << c.output;
        EXPECT_EQ(problems(c.output), "") << c.output;
    }
}

TEST(FieldProblems, NameTheColumnAndTheFault) {
    const struct {
        const char* output;
        const char* problems;
        const char* form; // what is left of the form
    } cases[] = {
        {"ab{Input:Name", "3: field token \"{Input:Name\" is not closed with \"}\"", ""},
        {"{Input:Name{Enter}x", "1: field token \"{Input:Name\" is not closed with \"}\"", ""},
        {"{Input:}", "1: field token \"{Input:}\" has no label", ""},
        {"{Check:* =x}", "1: field token \"{Check:* =x}\" has no label", ""},
        {"{Input:=x}", "1: field token \"{Input:=x}\" has no label", ""},
        {"{Choose:Size}", "1: list \"Size\" has no items: write {Choose:Size=first|second}", ""},
        {"{Choose:Size=}", "1: list \"Size\" has no items: write {Choose:Size=first|second}", ""},
        {"{Choose:Size|S|M}", "1: \"Size\": what follows the label starts with \"=\", not \"|\"",
         ""},
        {"{Input:Name|wide}", "1: unknown option \"wide\" in field \"Name\" (only \"multi\")", ""},
        {"{Input:Name}, {Check:Name=x}",
         "15: \"Name\" is already a one-line Input field: one label names one field", "line Name"},
        {"{Choose:A=x}{Input:A|multi}",
         "13: \"A\" is already a Choose list: one label names one field", "choose A=*x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(problems(c.output), c.problems) << c.output;
        EXPECT_EQ(describe(read_form(c.output)), c.form) << c.output;
    }
    std::string many;
    for (int i = 0; i <= 20; ++i)
        many += "{Input:F" + std::to_string(i) + "}";
    EXPECT_EQ(read_form(many).size(), max_form_fields);
    EXPECT_EQ(problems(many), "211: more than 20 fields in one form");
}

TEST(ComposeOutput, ValuesAreTextBetweenTheMarkup) {
    const std::string output =
        "Dear {Input:Name},{Enter}{Input:Body|multi}{Enter}Thanks, {Input:Name}!{Check:PS=P.S. "
        "{U+263A}}{Choose:Sign=Ann|Bob}";
    const Form form = read_form(output);
    ASSERT_EQ(form.size(), 4u);
    const struct {
        const char* name;
        const char* value; // of Name
        const char* pieces;
    } cases[] = {
        {"plain", "Ann",
         "Dear [Ann],{Enter}[a\nb\nc]{Enter}Thanks, [Ann]![P.S. \xE2\x98\xBA"
         "Bob]"},
        {"a key token", "{Enter}", "Dear [{Enter}],{Enter}"},
        {"a command", "RUN: x", "Dear [RUN: x],{Enter}"},
        {"a variable", "%PATH%", "Dear [%PATH%],{Enter}"},
        {"a date", "{{yyyy}}", "Dear [{{yyyy}}],{Enter}"},
        {"a brace", "}", "Dear [}],{Enter}"},
        {"a field token", "{Input:Name}", "Dear [{Input:Name}],{Enter}"},
        {"nothing", "", "Dear ,{Enter}"},
    };
    for (const auto& c : cases) {
        FormValues values = default_values(form);
        values[0].text = c.value;
        values[1].text = "a\r\nb\rc"; // as an edit control gives it
        values[2].ticked = true;
        values[3].text = "Bob";
        const std::string pieces = describe(compose_output(output, form, values));
        EXPECT_EQ(pieces.substr(0, std::string(c.pieces).size()), c.pieces) << c.name;
    }
}

TEST(ComposeOutput, BoxesTypeTheirTextOnlyWhenTicked) {
    const std::string output = "{Check:*Formal=Dear Sir}, ...{Check:Formal=Yours faithfully}"
                               "{Check:Formal}{Check:Late=Sorry}";
    const Form form = read_form(output);
    ASSERT_EQ(describe(form), "check *Formal=Dear Sir | check Late=Sorry");
    FormValues values = default_values(form);
    EXPECT_EQ(describe(compose_output(output, form, values)),
              "[Dear Sir], ...[Yours faithfullyDear Sir]");
    values[0].ticked = false;
    values[1].ticked = true;
    EXPECT_EQ(describe(compose_output(output, form, values)), ", ...[Sorry]");
}

TEST(ComposeOutput, MalformedTokensStayAsTheyAre) {
    const std::string output = "{Input:}{Input:A}{Check:A=x}{Input:B";
    const Form form = read_form(output);
    FormValues values = default_values(form);
    values[0].text = "v";
    EXPECT_EQ(describe(compose_output(output, form, values)), "{Input:}[v]{Check:A=x}{Input:B");
}

TEST(StartingValues, TheLastValuesComeBackWhereTheyStillFit) {
    const Form last = read_form("{Input:Name}{Choose:Size=S|M|L}{Check:PS=x}{Input:Gone}");
    const FormValues given = {{"Ann", false}, {"L", false}, {"", true}, {"old", false}};
    const struct {
        const char* output;
        const char* values;
    } cases[] = {
        {"{Input:Name=Bob}{Choose:Size=S|M|L}{Check:PS=y}", "Ann,L,1"},
        {"{Choose:Size=S|M}{Input:Name|multi}{Check:*PS=y}", "S,,1"},
        {"{Input:Size}{Choose:Name=Ann|Bob}{Input:New=n}", ",Ann,n"},
    };
    for (const auto& c : cases) {
        std::string out;
        for (const FieldValue& value : starting_values(read_form(c.output), last, given))
            out += (value.ticked ? std::string("1") : value.text) + ",";
        out.pop_back();
        EXPECT_EQ(out, c.values) << c.output;
    }
    EXPECT_EQ(field_labels(last), "Name, Size, PS, Gone");
}
