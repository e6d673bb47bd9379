// The form that asks for an output's fields before anything is erased or
// typed: a dialog of standard controls, opened in front near the caret of
// the window the user was typing in, that hands the keyboard back to that
// window's control when it closes.
//
// It is modeless: the program's message loop goes on (the engine's timers
// with it) and passes the form's keys through form_window_message.
#pragma once

#include "triggers/fields.h"

#include <functional>
#include <string>
#include <windows.h>

// Called once, after the form has gone and the keyboard is back in the
// target's control (or half a second went by without it): whether the form
// was submitted, and the values it held then, one per field.
using FormDone = std::function<void(bool submitted, const FormValues& values)>;

// False when the form could not be made, or another one is open.
bool open_form(const FormRequest& request, FormDone done);
bool form_is_open();
// For the message loop, before accelerators and TranslateMessage: true when
// the message was the form's dialog keys (Tab, Enter, Escape, access keys)
// and has been handled.
bool form_window_message(MSG& msg);
// Closes an open form as cancelled at once, leaving the keyboard where it is
// (the program is ending).
void close_form();

// ---- where the form opens ----

// The caret of the window's thread, in screen coordinates, when it stands
// inside `window`; false when that thread shows no caret (many programs
// draw their own).
bool find_caret(HWND window, RECT* caret);
// The control of `window` that has the keyboard focus, or null.
HWND focused_control(HWND window);
// The monitor of the caret, else the one `target` is mostly on.
HMONITOR form_monitor(HWND target, const RECT* caret);
RECT monitor_work_area(HMONITOR monitor);
int monitor_dpi(HMONITOR monitor);
// The top-left corner of a form of `size`: `gap` below the caret (above it
// when there is no room below), else centred on `target`; always inside
// `work`, or at its top-left corner when the form is larger.
POINT form_position(SIZE size, const RECT& work, const RECT* caret, const RECT& target, int gap);
