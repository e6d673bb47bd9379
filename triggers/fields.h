// Fill-in forms: field tokens in an output ask the user for the blanks
// before anything is typed.
//
//   {Input:Label}  {Input:Label=default}  {Input:Label|multi}
//   {Choose:Label=first|*second|third}    (* marks the default item)
//   {Check:Label=text}  {Check:*Label=text}  (* ticked to begin with)
//
// Keywords in any case. A label holds any character but "}", "=" and "|"
// (blanks around it do not count); the same label is one field wherever it
// stands, and its first place gives its kind, default and items. A later
// place may leave them out ("{Choose:Size}"); a box's later place types its
// own text, or the first place's when it has none.
//
// The output is the engine's 8-bit text (triggers/encoding.h), whose
// "{U+XXXX}" tokens may stand inside a field token; labels, defaults, items
// and values are UTF-8. A field token the checker finds fault with is no
// field: it stays in the output as the text it is.
#pragma once

#include "platform/platform.h"
#include "triggers/pieces.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A form taller than this would not fit on a screen.
constexpr std::size_t max_form_fields = 20;

enum class FieldKind : uint8_t {
    line,   // {Input:...}: one line of text
    lines,  // {Input:...|multi}: text of several lines
    choose, // {Choose:...}: one item of a list
    check,  // {Check:...}: a box, ticked or not
};

struct FormField {
    FieldKind kind = FieldKind::line;
    std::string label;
    std::string text;               // line, lines: the default; check: the first place's text
    std::vector<std::string> items; // choose
    std::size_t chosen = 0;         // choose: the default item
    bool ticked = false;            // check: ticked to begin with
};
using Form = std::vector<FormField>; // in the order of first appearance

// What the user gave one field.
struct FieldValue {
    std::string text;    // line, lines ("\n" between lines), choose: the item
    bool ticked = false; // check
};
using FormValues = std::vector<FieldValue>; // one per field of the form

// What a form is opened with.
struct FormRequest {
    std::string caption; // UTF-8: the trigger's label ("Quillomat" when empty)
    Form form;
    FormValues values;   // what the fields start with, one per field
    WindowId target = 0; // the top-level window the user was typing in
};

// A field token the checker names; `column` counts from 1 at the output's
// first character (bytes of the engine's text).
struct FieldProblem {
    int column = 0;
    std::string words;
};

bool has_fields(std::string_view output);
Form read_form(std::string_view output);
std::vector<FieldProblem> field_problems(std::string_view output);
// The labels, as the checker lists them: "Name, Day, Agenda".
std::string field_labels(const Form& form);

FormValues default_values(const Form& form);
// The defaults, except where the last submitted form of the same trigger
// had a field of the same label and kind (and, for a list, the item is
// still one of it).
FormValues starting_values(const Form& form, const Form& last_form, const FormValues& last_values);

// The output with every field token replaced by a text piece holding its
// value (a ticked box its text, an unticked one nothing); the rest stays
// markup. A missing value counts as the field's default.
OutputPieces compose_output(std::string_view output, const Form& form, const FormValues& values);
