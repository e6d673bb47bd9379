// Finding, activating and launching on a real (Wine) desktop.
#include "platform/platform.h"
#include "keys/launch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {
const char* const test_class = "QuillomatTestWindow";

void register_class() {
    static bool done = false;
    if (done) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = test_class;
    RegisterClassA(&wc);
    done = true;
}

HWND make_window(const char* title) {
    register_class();
    HWND window = CreateWindowExA(0, test_class, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                  300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window);
    return window;
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Waits (bounded) for a condition, pumping this thread's messages.
template <typename Condition> bool wait_for(Condition condition, int timeout_ms = 5000) {
    for (int waited = 0; waited < timeout_ms; waited += 20) {
        pump();
        if (condition()) return true;
        Sleep(20);
    }
    return condition();
}

WindowId id(HWND window) {
    return reinterpret_cast<WindowId>(window);
}

// A window whose thread stops answering messages once it exists.
struct HungWindow {
    HWND window = nullptr;
    HANDLE thread = nullptr;
    HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    static DWORD WINAPI run(LPVOID self_pointer) {
        auto* self = static_cast<HungWindow*>(self_pointer);
        self->window = make_window("Hung report");
        SetEvent(self->created);
        WaitForSingleObject(self->release, 20000); // hung: no messages handled
        DestroyWindow(self->window);
        return 0;
    }
    HungWindow() {
        register_class();
        thread = CreateThread(nullptr, 0, run, this, 0, nullptr);
        WaitForSingleObject(created, 5000);
    }
    ~HungWindow() {
        SetEvent(release);
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
        CloseHandle(created);
        CloseHandle(release);
    }
};

void close_windows_titled(const char* title) {
    for (int i = 0; i < 10; ++i) {
        HWND window = FindWindowA(nullptr, title);
        if (!window) return;
        PostMessageA(window, WM_CLOSE, 0, 0);
        wait_for([&] { return !IsWindow(window); }, 3000);
    }
}
} // namespace

TEST(WindowFinder, APrefixBelowTheForegroundBeatsASubstringAbove) {
    HWND notepad = make_window("Untitled - Notepad Test");
    HWND mine = make_window("My Untitled");
    SetForegroundWindow(mine);
    ASSERT_TRUE(wait_for([&] { return GetForegroundWindow() == mine; }));
    EXPECT_EQ(find_window_by_title("Untitled"), id(notepad));
    EXPECT_EQ(find_window_by_title("My Untitled"), id(mine));     // exact
    EXPECT_EQ(find_window_by_title("notepad test"), id(notepad)); // anywhere, any case
    EXPECT_EQ(find_window_by_title("No Such Window Title"), 0u);
    DestroyWindow(mine);
    DestroyWindow(notepad);
}

TEST(WindowFinder, PassesOverAWindowThatDoesNotAnswer) {
    HungWindow hung;
    ASSERT_TRUE(hung.window);
    HWND front = make_window("Front");
    SetForegroundWindow(front);
    wait_for([&] { return GetForegroundWindow() == front; });
    const DWORD start = GetTickCount();
    EXPECT_EQ(find_window_by_title("Hung"), 0u);
    EXPECT_LT(GetTickCount() - start, 3000u) << "each unanswered title costs at most 50 ms a pass";
    DestroyWindow(front);
}

TEST(ActivateWindow, RestoresAMinimizedWindowAndGivesItTheForeground) {
    HWND window = make_window("Quillomat Activation Target");
    HWND other = make_window("Other");
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(wait_for([&] { return IsIconic(window) != 0; }));
    activate_window(id(window));
    EXPECT_TRUE(wait_for([&] { return !IsIconic(window) && GetForegroundWindow() == window; }));
    activate_window(id(window) + 0x10000); // not a window: nothing happens
    DestroyWindow(other);
    DestroyWindow(window);
}

TEST(ActivateWindow, AHungWindowCannotHoldTheProgram) {
    HungWindow hung;
    ASSERT_TRUE(hung.window);
    const DWORD start = GetTickCount();
    activate_window(id(hung.window));
    EXPECT_LT(GetTickCount() - start, 2000u);
}

TEST(Launch, StartsARealProgramAndRetriesAPathWithBlanksInQuotes) {
    close_windows_titled("Untitled - Notepad");
    EXPECT_TRUE(launch_command("notepad.exe"));
    EXPECT_TRUE(wait_for([] { return FindWindowA(nullptr, "Untitled - Notepad") != nullptr; }));
    close_windows_titled("Untitled - Notepad");

    CreateDirectoryA("C:\\Quillomat Test", nullptr);
    char system[MAX_PATH];
    GetWindowsDirectoryA(system, MAX_PATH);
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\notepad.exe").c_str(),
                          "C:\\Quillomat Test\\note pad.exe", FALSE));
    EXPECT_FALSE(launch_command("C:\\Quillomat Test\\note pad.exe"))
        << "program C:\\Quillomat, arguments the rest";
    EXPECT_TRUE(run_command("C:\\Quillomat Test\\note pad.exe")) << "the quoted retry";
    EXPECT_TRUE(wait_for([] { return FindWindowA(nullptr, "Untitled - Notepad") != nullptr; }));
    close_windows_titled("Untitled - Notepad");

    EXPECT_FALSE(launch_command("C:\\Quillomat Test\\missing program.exe"));
    EXPECT_FALSE(launch_command("\"C:\\Quillomat Test\\missing program.exe\""));
}
