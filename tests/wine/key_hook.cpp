#include "key_hook.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

namespace {
std::mutex guard;
std::vector<HookedKey> recorded;
HANDLE thread = nullptr;
DWORD thread_id = 0;
HANDLE ready = nullptr;
bool installed = false;

LRESULT CALLBACK hook_proc(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION) {
        const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
        std::lock_guard<std::mutex> lock(guard);
        // The message tells a release too: Wine leaves LLKHF_UP off Unicode packets.
        const bool release =
            (info->flags & LLKHF_UP) != 0 || wparam == WM_KEYUP || wparam == WM_SYSKEYUP;
        recorded.push_back(HookedKey{info->vkCode, info->scanCode,
                                     (info->flags & LLKHF_EXTENDED) != 0, release,
                                     (info->flags & LLKHF_INJECTED) != 0});
        return 1; // swallowed: the test's keys must not reach any window
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

DWORD WINAPI hook_thread(LPVOID) {
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, hook_proc, GetModuleHandleA(nullptr), 0);
    installed = hook != nullptr;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // create the queue before saying ready
    SetEvent(ready);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (hook) UnhookWindowsHookEx(hook);
    return 0;
}
} // namespace

bool key_hook_start() {
    ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread = CreateThread(nullptr, 0, hook_thread, nullptr, 0, &thread_id);
    WaitForSingleObject(ready, 5000);
    return installed;
}

void key_hook_stop() {
    PostThreadMessageA(thread_id, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(ready);
}

void key_hook_clear() {
    std::lock_guard<std::mutex> lock(guard);
    recorded.clear();
}

std::vector<HookedKey> key_hook_wait(std::size_t count, int timeout_ms) {
    for (int waited = 0;; waited += 10) {
        {
            std::lock_guard<std::mutex> lock(guard);
            if (recorded.size() >= count || waited >= timeout_ms) return recorded;
        }
        Sleep(10);
    }
}

std::string key_hook_transcript(const std::vector<HookedKey>& keys) {
    std::string out;
    char item[8];
    for (const HookedKey& k : keys) {
        std::snprintf(item, sizeof item, "%c%02X%s", k.release ? '-' : '+',
                      static_cast<unsigned>(k.vk), k.extended ? "e" : "");
        if (!out.empty()) out += ' ';
        out += item;
    }
    return out;
}
