// Remove Clipboard Formatting.
#include "app/shell.h"

#include <cstring>
#include <string>

namespace {
// The clipboard's text: bounded by its block, since text from another
// program need not be terminated.
bool copy_clipboard_text(std::wstring* text) {
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const LockedGlobal<const wchar_t> locked(data);
    if (!locked) return false;
    const std::size_t units = GlobalSize(data) / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < units && locked.get()[length])
        ++length;
    text->assign(locked.get(), length);
    return true;
}
} // namespace

// Leaves only plain text on the clipboard, as Unicode text, so that no
// character is lost (the system makes the code-page form from it for
// programs that ask for one); false when nothing changed.
bool remove_clipboard_formatting() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return false;
    const OpenedClipboard opened(nullptr);
    std::wstring copy;
    if (!opened || !copy_clipboard_text(&copy)) return false;
    const std::size_t bytes = (copy.size() + 1) * sizeof(wchar_t);
    GlobalBlock fresh(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
    {
        const LockedGlobal<> target(fresh.get());
        if (!target) return false;
        std::memcpy(target.get(), copy.c_str(), bytes);
    }
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, fresh.get())) fresh.release();
    return true;
}
