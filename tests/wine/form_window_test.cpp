// The fill-in form on a real (Wine) desktop: its controls, focus and place,
// and the keys that submit or cancel it.
#include "app/form_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {
void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (form_window_message(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

template <typename Condition> bool wait_for(Condition condition, int timeout_ms = 5000) {
    for (int waited = 0; waited < timeout_ms; waited += 10) {
        pump();
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}

void key(WORD vk, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

void tap(WORD vk, WORD modifier = 0) {
    if (modifier) key(modifier, false);
    key(vk, false);
    key(vk, true);
    if (modifier) key(modifier, true);
    wait_for([] { return false; }, 100); // the keys handled
}

void type(const wchar_t* text) {
    for (; *text; ++text) {
        INPUT input[2] = {};
        for (int i = 0; i < 2; ++i) {
            input[i].type = INPUT_KEYBOARD;
            input[i].ki.wScan = *text;
            input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, input, sizeof input[0]);
    }
    wait_for([] { return false; }, 100);
}

std::wstring text_of(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 255);
    return text;
}

std::wstring class_of(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 63);
    return name;
}

const wchar_t* target_class() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillomatFormTarget";
        return RegisterClassW(&wc) != 0;
    }();
    return registered ? L"QuillomatFormTarget" : L"STATIC";
}

// A window with an edit control that has the keyboard, its caret after "Dear ".
struct Target {
    HWND window =
        CreateWindowExW(0, target_class(), L"Form target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120,
                        140, 500, 300, nullptr, nullptr, nullptr, nullptr);
    HWND edit = CreateWindowExW(0, L"EDIT", L"Dear ", WS_CHILD | WS_VISIBLE | WS_BORDER, 20, 40,
                                300, 24, window, nullptr, nullptr, nullptr);
    Target() {
        SetForegroundWindow(window);
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 5, 5);
        wait_for([this] { return GetForegroundWindow() == window && GetFocus() == edit; });
    }
    ~Target() { DestroyWindow(window); }
};

struct Outcome {
    int calls = 0;
    bool submitted = false;
    FormValues values;
};

HWND open_for(const Target& target, const char* output, Outcome& outcome) {
    FormRequest request;
    request.caption = "Letter";
    request.form = read_form(output);
    request.values = default_values(request.form);
    request.target = reinterpret_cast<WindowId>(target.window);
    const bool opened = open_form(request, [&outcome](bool submitted, const FormValues& values) {
        ++outcome.calls;
        outcome.submitted = submitted;
        outcome.values = values;
    });
    if (!opened) return nullptr;
    HWND form = FindWindowW(L"#32770", L"Letter");
    wait_for([form] { return GetForegroundWindow() == form; });
    return form;
}
} // namespace

TEST(FormWindow, OpensBelowTheCaretWithItsFieldsInOrderAndSubmitsWithEnter) {
    Target target;
    RECT caret{};
    ASSERT_TRUE(find_caret(target.window, &caret));
    Outcome outcome;
    HWND form = open_for(target,
                         "{Input:Name=Ann}{Input:Body|multi}{Choose:Size=S|*M|L}"
                         "{Check:*PS=x}{Input:Name}",
                         outcome);
    ASSERT_TRUE(form);
    EXPECT_TRUE(form_is_open());
    EXPECT_EQ(GetForegroundWindow(), form);

    std::wstring controls;
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls += class_of(child) + L" " + text_of(child) + L" | ";
    EXPECT_EQ(controls, L"Static &Name: | Edit Ann | Static &Body: | Edit  | Static &Size: | "
                        L"ComboBox M | Button &PS | Button OK | Button Cancel | ");
    HWND name = GetDlgItem(form, 100);
    EXPECT_EQ(GetFocus(), name);
    DWORD start = 1, end = 0;
    SendMessageW(name, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(form, 101), GWL_STYLE) & ES_MULTILINE);
    EXPECT_EQ(SendMessageW(GetDlgItem(form, 103), BM_GETCHECK, 0, 0), BST_CHECKED);

    RECT at{};
    GetWindowRect(form, &at);
    const RECT work = monitor_work_area(MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST));
    EXPECT_GE(at.left, work.left);
    EXPECT_GE(at.top, work.top);
    EXPECT_LE(at.right, work.right);
    EXPECT_LE(at.bottom, work.bottom);
    EXPECT_EQ(at.left, caret.left);
    EXPECT_GT(at.top, caret.bottom - 1);
    EXPECT_LT(at.top, caret.bottom + 20);

    type(L"Bo\u00e9");
    tap(VK_RETURN);
    ASSERT_TRUE(wait_for([&] { return outcome.calls == 1; }));
    EXPECT_TRUE(outcome.submitted);
    ASSERT_EQ(outcome.values.size(), 4u);
    EXPECT_EQ(outcome.values[0].text, "Bo\xC3\xA9");
    EXPECT_EQ(outcome.values[2].text, "M");
    EXPECT_TRUE(outcome.values[3].ticked);
    EXPECT_FALSE(form_is_open());
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(GetForegroundWindow(), target.window);
    EXPECT_EQ(GetFocus(), target.edit) << "the keyboard back in the control that had it";
}

TEST(FormWindow, CtrlEnterSubmitsAFieldOfSeveralLinesAndEscapeCancels) {
    Target target;
    Outcome outcome;
    ASSERT_TRUE(open_for(target, "{Input:Agenda|multi}", outcome));
    type(L"a");
    tap(VK_RETURN);
    type(L"b");
    tap(VK_RETURN, VK_CONTROL);
    ASSERT_TRUE(wait_for([&] { return outcome.calls == 1; }));
    EXPECT_TRUE(outcome.submitted);
    EXPECT_EQ(outcome.values.at(0).text, "a\nb");

    ASSERT_TRUE(open_for(target, "{Input:Agenda|multi}{Input:Name}", outcome));
    tap(VK_ESCAPE);
    ASSERT_TRUE(wait_for([&] { return outcome.calls == 2; }));
    EXPECT_FALSE(outcome.submitted);
    EXPECT_EQ(GetFocus(), target.edit);
}

TEST(FormPlacement, BelowTheCaretElseCentredAlwaysOnTheWorkArea) {
    const RECT work{0, 0, 1000, 700};
    const RECT target{100, 100, 500, 400};
    const struct {
        const char* name;
        RECT caret; // left < 0: no caret
        POINT expected;
    } cases[] = {
        {"below the caret", {200, 150, 201, 166}, {200, 170}},
        {"above when no room below", {200, 600, 201, 616}, {200, 396}},
        {"kept off the right edge", {950, 150, 951, 166}, {700, 170}},
        {"centred on the window without a caret", {-1, 0, 0, 0}, {150, 150}},
    };
    for (const auto& c : cases) {
        const POINT at =
            form_position(SIZE{300, 200}, work, c.caret.left >= 0 ? &c.caret : nullptr, target, 4);
        EXPECT_EQ(at.x, c.expected.x) << c.name;
        EXPECT_EQ(at.y, c.expected.y) << c.name;
    }
    const POINT at = form_position(SIZE{2000, 1100}, RECT{-1920, 0, 0, 1040}, nullptr, target, 4);
    EXPECT_EQ(at.x, -1920) << "larger than the monitor: its top-left corner";
    EXPECT_EQ(at.y, 0);
}
