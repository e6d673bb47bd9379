// Remove Clipboard Formatting.
#include "app/shell.h"

#include <cstring>
#include <string>

// Leaves only plain text on the clipboard, as Unicode text, so that no
// character is lost (the system makes the code-page form from it for
// programs that ask for one); false when nothing changed.
bool remove_clipboard_formatting() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) return false;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* locked = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (!locked) {
        CloseClipboard();
        return false;
    }
    // Bounded by the block: text from another program need not be terminated.
    const std::size_t units = GlobalSize(data) / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < units && locked[length])
        ++length;
    const std::wstring copy(locked, length);
    GlobalUnlock(data);
    const std::size_t bytes = (copy.size() + 1) * sizeof(wchar_t);
    HGLOBAL fresh = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    void* target = fresh ? GlobalLock(fresh) : nullptr;
    if (!target) {
        if (fresh) GlobalFree(fresh);
        CloseClipboard();
        return false;
    }
    std::memcpy(target, copy.c_str(), bytes);
    GlobalUnlock(fresh);
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, fresh)) GlobalFree(fresh);
    CloseClipboard();
    return true;
}
