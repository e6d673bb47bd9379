// The desktop's key and mouse-button events, read from raw input.
#include "platform/platform.h"
#include "platform/win32/backend.h"
#include "platform/win32/win32_windows.h"

bool start_input_events() {
    const HWND main_window = win32_main_window();
    if (!main_window) return false;
    // Both devices, from every window of the desktop: the sink flag delivers
    // events while other programs have the focus. Mouse buttons count
    // because a click breaks a trigger.
    RAWINPUTDEVICE devices[2] = {
        {0x01, 0x06, RIDEV_INPUTSINK, main_window}, // generic desktop: keyboard
        {0x01, 0x02, RIDEV_INPUTSINK, main_window}, // generic desktop: mouse
    };
    return RegisterRawInputDevices(devices, 2, sizeof devices[0]) != FALSE;
}

uint32_t last_input_time() {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    return GetLastInputInfo(&info) ? info.dwTime : 0;
}

namespace {
int read_mouse_buttons(const RAWMOUSE& mouse, Win32InputEvent events[6]) {
    static const struct {
        USHORT flag;
        int vk;
        bool down;
    } buttons[] = {
        {RI_MOUSE_LEFT_BUTTON_DOWN, VK_LBUTTON, true},
        {RI_MOUSE_LEFT_BUTTON_UP, VK_LBUTTON, false},
        {RI_MOUSE_RIGHT_BUTTON_DOWN, VK_RBUTTON, true},
        {RI_MOUSE_RIGHT_BUTTON_UP, VK_RBUTTON, false},
        {RI_MOUSE_MIDDLE_BUTTON_DOWN, VK_MBUTTON, true},
        {RI_MOUSE_MIDDLE_BUTTON_UP, VK_MBUTTON, false},
        {RI_MOUSE_BUTTON_4_DOWN, VK_XBUTTON1, true},
        {RI_MOUSE_BUTTON_4_UP, VK_XBUTTON1, false},
        {RI_MOUSE_BUTTON_5_DOWN, VK_XBUTTON2, true},
        {RI_MOUSE_BUTTON_5_UP, VK_XBUTTON2, false},
    };
    int count = 0;
    for (const auto& button : buttons)
        if ((mouse.usButtonFlags & button.flag) && count < 6)
            events[count++] = Win32InputEvent{button.vk, button.down};
    if (count == 0) events[count++] = Win32InputEvent{0, false};
    return count;
}
} // namespace

int win32_read_input(LPARAM lparam, Win32InputEvent events[6]) {
    RAWINPUT input{};
    UINT size = sizeof input;
    if (GetRawInputData(reinterpret_cast<HRAWINPUT>(lparam), RID_INPUT, &input, &size,
                        sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1))
        return 0;
    if (input.header.dwType == RIM_TYPEKEYBOARD) {
        const USHORT vk = input.data.keyboard.VKey;
        // A Unicode key event carries its character where the scan code goes
        // (Wine reports no key for it, Windows the packet key).
        const USHORT unit = input.data.keyboard.MakeCode;
        if ((vk == 0 || vk == VK_PACKET) && unit != 0) {
            events[0] =
                Win32InputEvent{vk_packet, (input.data.keyboard.Flags & RI_KEY_BREAK) == 0, unit};
            return 1;
        }
        if (vk == 0 || vk >= 255) return 0; // a fake key of an escaped sequence
        events[0] = Win32InputEvent{vk, (input.data.keyboard.Flags & RI_KEY_BREAK) == 0};
        return 1;
    }
    if (input.header.dwType != RIM_TYPEMOUSE) return 0;
    return read_mouse_buttons(input.data.mouse, events);
}
