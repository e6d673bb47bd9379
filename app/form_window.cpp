// The form is a real dialog (class #32770), made from an empty template in
// memory, with its controls created and laid out here in pixels: the dialog
// manager gives it Tab order, access keys, the default button and the focus
// kept across activation, and screen readers announce it as a dialog; the
// layout in pixels sizes every control for the DPI of the monitor it opens
// on, and for the labels' measured widths, before it is shown.
#include "app/form_window.h"

#include "platform/win32/win32_windows.h"
#include "app/shell.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <utility>
#include <vector>

namespace {
constexpr UINT_PTR raise_timer = popup_raise_timer;
constexpr UINT_PTR handback_timer = form_handback_timer;
constexpr UINT raise_period_ms = 50;
constexpr int raise_tries = 6;
constexpr UINT handback_period_ms = 10;
constexpr DWORD handback_limit_ms = 500;
constexpr int first_control_id = 100;

// Lengths at 96 DPI.
constexpr int margin = 11, column_gap = 8, row_gap = 7, button_gap = 6, caret_gap = 4;
constexpr int max_label_width = 200, min_control_width = 260, max_control_width = 460;
constexpr int button_width = 75, box_width = 20;
constexpr int text_lines = 4, fewest_text_lines = 2;

struct OpenForm {
    HWND window = nullptr;
    HWND target = nullptr, target_focus = nullptr;
    Form form;
    FormValues values;
    std::vector<HWND> labels;   // per field; null for a box, which is its own label
    std::vector<HWND> controls; // per field
    HWND ok = nullptr, cancel = nullptr;
    OwnedFont font;
    int dpi = 96;
    FormDone done;
    bool closing = false, submitted = false;
    int raises_left = 0;
    DWORD handback_start = 0;
};
OpenForm current;
WNDPROC edit_proc = nullptr; // the EDIT class's own

int px(int at_96) {
    return MulDiv(at_96, current.dpi, 96);
}

template <typename Proc> Proc user32_proc(const char* name) {
    return reinterpret_cast<Proc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// ---- the controls ----

// "&Name": the first letter or digit no other field took, or none.
std::wstring with_access_key(const std::wstring& label, std::wstring& taken) {
    std::wstring out;
    bool marked = false;
    for (const wchar_t c : label) {
        const wchar_t key = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        if (!marked && std::iswalnum(static_cast<wint_t>(c)) && taken.find(key) == taken.npos) {
            out += L'&';
            taken += key;
            marked = true;
        }
        out += c;
        if (c == L'&') out += L'&'; // shown as it is written
    }
    return out;
}

void submit_or_cancel(bool submitted);

// Keys the edits take beyond their own: Ctrl+Enter submits from any field,
// Ctrl+A selects all; a field of several lines keeps Enter for new lines
// and passes on Tab and Escape, which it would otherwise swallow.
LRESULT CALLBACK field_edit_proc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
    const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool lines = (GetWindowLongW(edit, GWL_STYLE) & ES_MULTILINE) != 0;
    if (message == WM_KEYDOWN) {
        if (wparam == VK_RETURN && control) {
            submit_or_cancel(true);
            return 0;
        }
        if (control && wparam == 'A') {
            SendMessageW(edit, EM_SETSEL, 0, -1);
            return 0;
        }
        if (lines && wparam == VK_ESCAPE) {
            submit_or_cancel(false);
            return 0;
        }
        if (lines && wparam == VK_TAB && !control) {
            const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            SendMessageW(GetParent(edit), WM_NEXTDLGCTL, back, FALSE);
            return 0;
        }
    }
    if (message == WM_CHAR) {
        // The characters of the keys handled above: no beep, no character.
        if (wparam == '\n' || wparam == 1) return 0;
        if (lines && (wparam == 27 || (wparam == '\t' && !control))) return 0;
    }
    return CallWindowProcW(edit_proc, edit, message, wparam, lparam);
}

HWND make_control(const wchar_t* window_class, const std::wstring& text, DWORD style,
                  DWORD ex_style, int id) {
    return CreateWindowExW(ex_style, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0,
                           0, 0, 0, current.window,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

HWND make_field(const FormField& field, const FieldValue& value, const std::wstring& box_text,
                int id) {
    switch (field.kind) {
    case FieldKind::choose: {
        HWND combo = make_control(L"COMBOBOX", L"",
                                  CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0, id);
        for (const std::string& item : field.items)
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(item).c_str()));
        std::size_t chosen = 0;
        while (chosen < field.items.size() && field.items[chosen] != value.text)
            ++chosen;
        if (chosen == field.items.size()) chosen = field.chosen;
        SendMessageW(combo, CB_SETCURSEL, chosen, 0);
        return combo;
    }
    case FieldKind::check: {
        HWND box =
            make_control(L"BUTTON", box_text, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0, id);
        SendMessageW(box, BM_SETCHECK, value.ticked ? BST_CHECKED : BST_UNCHECKED, 0);
        return box;
    }
    default: {
        const bool lines = field.kind == FieldKind::lines;
        const DWORD style =
            WS_TABSTOP | WS_GROUP |
            (lines ? ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL : ES_AUTOHSCROLL);
        std::wstring text = widen(value.text);
        if (lines) { // the edit control's line breaks
            std::wstring crlf;
            for (const wchar_t c : text)
                crlf += c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
            text = crlf;
        }
        HWND edit = make_control(L"EDIT", text, style, WS_EX_CLIENTEDGE, id);
        WNDPROC own = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(field_edit_proc)));
        if (!edit_proc) edit_proc = own;
        return edit;
    }
    }
}

// Labels before their controls, in the order of the fields: the Tab order,
// and what names each control to a screen reader.
void create_controls(const FormValues& values) {
    const FormValues defaults = default_values(current.form);
    std::wstring taken;
    for (std::size_t i = 0; i < current.form.size(); ++i) {
        const FormField& field = current.form[i];
        const std::wstring label = with_access_key(widen(field.label), taken);
        HWND static_label = nullptr;
        if (field.kind != FieldKind::check)
            static_label = make_control(L"STATIC", label + L":", SS_LEFT | SS_ENDELLIPSIS, 0, -1);
        current.labels.push_back(static_label);
        const FieldValue& value = i < values.size() ? values[i] : defaults[i];
        current.controls.push_back(
            make_field(field, value, label, first_control_id + static_cast<int>(i)));
    }
    current.ok = make_control(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, IDOK);
    current.cancel = make_control(L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, IDCANCEL);
}

FormValues read_values() {
    FormValues values(current.form.size());
    for (std::size_t i = 0; i < current.form.size(); ++i) {
        HWND control = current.controls[i];
        const FormField& field = current.form[i];
        if (field.kind == FieldKind::check) {
            values[i].ticked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        } else if (field.kind == FieldKind::choose) {
            const LRESULT chosen = SendMessageW(control, CB_GETCURSEL, 0, 0);
            if (chosen >= 0 && static_cast<std::size_t>(chosen) < field.items.size())
                values[i].text = field.items[static_cast<std::size_t>(chosen)];
        } else {
            const int length = GetWindowTextLengthW(control);
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            GetWindowTextW(control, &text[0], length + 1);
            std::string utf8 = narrow(text.c_str());
            std::string lf; // "\r\n" from the edit control, "\n" in a value
            for (const char c : utf8)
                if (c != '\r') lf += c;
            values[i].text = std::move(lf);
        }
    }
    return values;
}

// ---- layout ----

struct Measures {
    int line = 16;   // a line of text
    int field = 23;  // an edit, a closed list, a button
    int label = 0;   // the label column
    int control = 0; // the control column
};

Measures measure() {
    Measures m;
    const WindowDC window_dc(current.window);
    const HDC dc = window_dc.get();
    const SelectedObject font(dc, current.font.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    m.line = metrics.tmHeight;
    m.field = m.line + px(8);
    const auto width = [dc](HWND control) {
        const int length = GetWindowTextLengthW(control);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(control, &text[0], length + 1);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), length, &size);
        return static_cast<int>(size.cx);
    };
    m.control = px(min_control_width);
    for (std::size_t i = 0; i < current.form.size(); ++i) {
        if (current.labels[i])
            m.label = std::max(m.label, std::min(width(current.labels[i]), px(max_label_width)));
        else
            m.control = std::max(m.control, width(current.controls[i]) + px(box_width));
    }
    m.control = std::min(m.control, px(max_control_width));
    return m;
}

int row_height(const FormField& field, const Measures& m, int lines) {
    if (field.kind == FieldKind::lines) return m.line * lines + px(8);
    if (field.kind == FieldKind::check) return m.line + px(4);
    return m.field;
}

// Places the controls; returns the client area's size. Fields of several
// lines get fewer lines when the form would not fit `max_height`.
SIZE lay_out(int max_height) {
    const Measures m = measure();
    const int left = px(margin), control_left = left + (m.label ? m.label + px(column_gap) : 0);
    const int width = control_left + m.control + px(margin);
    int lines = text_lines, bottom = 0;
    for (;; --lines) {
        int y = px(margin);
        for (const FormField& field : current.form)
            y += row_height(field, m, lines) + px(row_gap);
        bottom = y + px(button_gap) + m.field + px(margin);
        if (bottom <= max_height || lines <= fewest_text_lines) break;
    }
    int y = px(margin);
    for (std::size_t i = 0; i < current.form.size(); ++i) {
        const int height = row_height(current.form[i], m, lines);
        if (current.labels[i])
            MoveWindow(current.labels[i], left, y + (m.field - m.line) / 2, m.label, m.line, FALSE);
        // A list's height includes its drop-down.
        const int control_height = current.form[i].kind == FieldKind::choose ? m.line * 10 : height;
        MoveWindow(current.controls[i], control_left, y, m.control, control_height, FALSE);
        y += height + px(row_gap);
    }
    const int button = px(button_width);
    const int buttons_top = y + px(button_gap);
    MoveWindow(current.cancel, width - px(margin) - button, buttons_top, button, m.field, FALSE);
    MoveWindow(current.ok, width - px(margin) - 2 * button - px(button_gap), buttons_top, button,
               m.field, FALSE);
    return SIZE{width, bottom};
}

void set_fonts(int dpi) {
    OwnedFont old = std::move(current.font); // in use until every control has the new one
    current.dpi = dpi;
    current.font.reset(make_ui_font(dpi));
    for (HWND child = GetWindow(current.window, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(current.font.get()), FALSE);
}

SIZE window_size(SIZE client) {
    using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjust_for_dpi = user32_proc<AdjustForDpi>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, client.cx, client.cy};
    const DWORD style = static_cast<DWORD>(GetWindowLongW(current.window, GWL_STYLE));
    const DWORD ex_style = static_cast<DWORD>(GetWindowLongW(current.window, GWL_EXSTYLE));
    if (!adjust_for_dpi ||
        !adjust_for_dpi(&rect, style, FALSE, ex_style, static_cast<UINT>(current.dpi)))
        AdjustWindowRectEx(&rect, style, FALSE, ex_style);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// Lays the form out at `dpi`, to fit on `monitor`; returns the window's size.
SIZE lay_out_for(int dpi, HMONITOR monitor) {
    set_fonts(dpi);
    const RECT work = monitor_work_area(monitor);
    const SIZE frame = window_size(SIZE{0, 0});
    InvalidateRect(current.window, nullptr, TRUE);
    return window_size(lay_out(work.bottom - work.top - frame.cy));
}

void place(const SIZE& size, HMONITOR monitor, const RECT* caret) {
    const RECT work = monitor_work_area(monitor);
    RECT target{};
    if (!current.target || !GetWindowRect(current.target, &target)) target = work;
    const POINT at = form_position(size, work, caret, target, px(caret_gap));
    SetWindowPos(current.window, HWND_TOPMOST, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE);
}

// ---- showing, closing and handing back ----

void focus_first_field() {
    if (current.controls.empty()) return;
    // Through the dialog manager, which also selects an edit's whole text.
    SendMessageW(current.window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(current.controls.front()),
                 TRUE);
}

void bring_forward() {
    bring_window_forward(reinterpret_cast<WindowId>(current.window), false);
    focus_first_field();
}

void end_form() {
    KillTimer(current.window, raise_timer);
    KillTimer(current.window, handback_timer);
    DestroyWindow(current.window);
    current.font.reset();
    OpenForm done = std::move(current);
    current = OpenForm{};
    if (done.done) done.done(done.submitted, done.values);
}

// The keyboard goes back to the target before the form goes: destroying the
// active window would hand the activation to whatever Windows picks next.
void submit_or_cancel(bool submitted) {
    if (!current.window || current.closing) return;
    current.closing = true;
    current.submitted = submitted;
    current.values = read_values();
    KillTimer(current.window, raise_timer);
    if (!current.target || !IsWindow(current.target)) {
        end_form();
        return;
    }
    SetForegroundWindow(current.target);
    ShowWindow(current.window, SW_HIDE);
    current.handback_start = GetTickCount();
    SetTimer(current.window, handback_timer, handback_period_ms, nullptr);
}

// Waits until the target is in front and its thread has taken the
// activation (it has put its focus somewhere), then gives the focus back to
// the control that had it.
void on_handback_tick() {
    const HWND target = current.target;
    const DWORD thread = GetWindowThreadProcessId(target, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const bool back = GetForegroundWindow() == target && GetGUIThreadInfo(thread, &info) &&
                      info.hwndFocus &&
                      (info.hwndFocus == target || IsChild(target, info.hwndFocus));
    if (!back && IsWindow(target) && GetTickCount() - current.handback_start < handback_limit_ms)
        return;
    if (back) {
        restore_focus(target, current.target_focus);
        forget_stale_modifiers(thread);
    }
    end_form();
}

// Dragged to a monitor of another DPI: laid out for it where Windows puts
// it, and kept on that monitor.
void on_dpi_changed(const RECT& suggested, int dpi) {
    if (dpi == current.dpi) return; // laid out for it already
    const HMONITOR monitor = MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST);
    const SIZE size = lay_out_for(dpi, monitor);
    const RECT work = monitor_work_area(monitor);
    const RECT there{suggested.left, suggested.top, suggested.left + size.cx,
                     suggested.top + size.cy};
    const POINT at = form_position(size, work, nullptr, there, 0);
    SetWindowPos(current.window, nullptr, at.x, at.y, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK form_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return FALSE; // the focus is set once the form is in front
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
            submit_or_cancel(LOWORD(wparam) == IDOK);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        submit_or_cancel(false);
        return TRUE;
    case WM_TIMER:
        if (wparam == handback_timer) {
            on_handback_tick();
        } else if (wparam == raise_timer) {
            if (GetForegroundWindow() == window || --current.raises_left <= 0)
                KillTimer(window, raise_timer);
            else
                bring_forward();
        }
        return TRUE;
    case WM_DPICHANGED:
        on_dpi_changed(*reinterpret_cast<const RECT*>(lparam), HIWORD(wparam));
        return TRUE;
    default:
        break;
    }
    return FALSE;
}

// An empty dialog: caption and controls are set once it exists.
HWND create_dialog() {
    alignas(4) WORD buffer[32] = {};
    DLGTEMPLATE header{};
    header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    header.dwExtendedStyle = WS_EX_TOPMOST | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
    std::memcpy(buffer, &header, sizeof header); // then no menu, the dialog class, no title
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                      reinterpret_cast<const DLGTEMPLATE*>(buffer), nullptr,
                                      form_proc, 0);
}

// Windows 10's dialog manager rescales a dialog when it moves to a monitor
// of another DPI; this one lays itself out instead.
void keep_own_dpi_layout(HWND window) {
    using Behavior = BOOL(WINAPI*)(HWND, int, int);
    static const auto set_behavior = user32_proc<Behavior>("SetDialogDpiChangeBehavior");
    constexpr int disable_all = 1;
    if (set_behavior) set_behavior(window, disable_all, disable_all);
}
} // namespace

bool open_form(const FormRequest& request, FormDone done) {
    if (current.window || request.form.empty()) return false;
    current.target = reinterpret_cast<HWND>(request.target);
    current.target_focus = current.target ? focused_control(current.target) : nullptr;
    current.form = request.form;
    current.done = std::move(done);
    current.window = create_dialog();
    if (!current.window) {
        current = OpenForm{};
        return false;
    }
    keep_own_dpi_layout(current.window);
    SetWindowTextW(current.window,
                   widen(request.caption.empty() ? "Quillomat" : request.caption).c_str());
    create_controls(request.values);
    RECT caret{};
    const bool have_caret = current.target && find_caret(current.target, &caret);
    const HMONITOR monitor = form_monitor(current.target, have_caret ? &caret : nullptr);
    place(lay_out_for(monitor_dpi(monitor), monitor), monitor, have_caret ? &caret : nullptr);
    ShowWindow(current.window, SW_SHOW);
    bring_forward();
    // Another program's window in front may keep the foreground a moment.
    current.raises_left = raise_tries;
    SetTimer(current.window, raise_timer, raise_period_ms, nullptr);
    return true;
}

bool form_is_open() {
    return current.window != nullptr;
}

bool form_window_message(MSG& msg) {
    return current.window && !current.closing && IsDialogMessageW(current.window, &msg);
}

void close_form() {
    if (!current.window) return;
    if (!current.closing) current.values = read_values();
    current.submitted = false;
    end_form();
}
