// The clipboard's text, and the user's clipboard saved and given back around
// a copy that another window makes, on a real (Wine) desktop.
#include "platform/platform.h"
#include "platform/win32/win32_windows.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

namespace {
const UINT private_format = RegisterClipboardFormatW(L"Quillomat Test Private");

// What another program copies: Unicode text (none when empty) and a private format.
void copy(const std::wstring& text, const std::string& private_bytes) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    auto put = [](UINT format, const void* data, std::size_t size) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(GlobalLock(block), data, size);
        GlobalUnlock(block);
        SetClipboardData(format, block);
    };
    if (!text.empty()) put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    if (!private_bytes.empty()) put(private_format, private_bytes.data(), private_bytes.size());
    CloseClipboard();
}

std::string private_bytes_now() {
    if (!OpenClipboard(nullptr)) return "<busy>";
    HANDLE data = GetClipboardData(private_format);
    const char* bytes = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    const std::string kept = bytes ? std::string(bytes, GlobalSize(data)) : "<none>";
    if (bytes) GlobalUnlock(data);
    CloseClipboard();
    return kept;
}
} // namespace

TEST(Clipboard, ItsTextIsReadAndItComesBackWholeUnlessSomethingElseWasCopied) {
    HWND owner =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    win32_set_main_window(owner);
    const std::string mine("\x01\x00\xfe mine", 7);
    copy(L"\u041c\u043e\u0439 \U0001F600", mine);
    std::string text;
    EXPECT_EQ(clipboard_text(&text), ClipboardText::text);
    EXPECT_EQ(text, "\xD0\x9C\xD0\xBE\xD0\xB9 \xF0\x9F\x98\x80");

    ASSERT_TRUE(clipboard_save(nullptr));
    const uint32_t before = clipboard_sequence();
    copy(L"selected", "");
    EXPECT_NE(clipboard_sequence(), before);
    EXPECT_TRUE(clipboard_give_back(clipboard_sequence()));
    EXPECT_EQ(clipboard_text(&text), ClipboardText::text);
    EXPECT_EQ(text, "\xD0\x9C\xD0\xBE\xD0\xB9 \xF0\x9F\x98\x80");
    EXPECT_EQ(private_bytes_now(), mine);

    ASSERT_TRUE(clipboard_save(nullptr));
    copy(L"selected", "");
    const uint32_t own_copy = clipboard_sequence();
    copy(L"copied meanwhile", "");
    EXPECT_FALSE(clipboard_give_back(own_copy));
    EXPECT_EQ(clipboard_text(&text), ClipboardText::text);
    EXPECT_EQ(text, "copied meanwhile");

    copy(L"", "a picture, say");
    EXPECT_EQ(clipboard_text(&text), ClipboardText::none);
    EXPECT_EQ(text, "");
    win32_set_main_window(nullptr);
    DestroyWindow(owner);
}
