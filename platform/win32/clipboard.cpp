// The clipboard while a long output is pasted: what was there is saved, the
// output goes on it for the paste, and what was saved comes back after. And
// the clipboard's text, for {Clipboard} and {Selection}, with the user's
// clipboard kept while the selection is copied over it.
#include "platform/platform.h"
#include "platform/win32/backend.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_windows.h"

#include <cstring>
#include <string>
#include <vector>

namespace {
// One saved clipboard format: its bytes (a memory block), or an enhanced
// metafile's; other kinds of handle cannot be copied and are named instead.
struct SavedFormat {
    UINT format;
    std::string bytes;
    bool metafile = false;
};

struct PasteClipboard {
    std::vector<SavedFormat> saved;
    std::wstring text; // rendered when the window that pastes asks for it
    bool rendered = false;
    bool out = false; // the text waits on the clipboard
};
PasteClipboard paste_clipboard;
// The user's clipboard while the selection is copied over it.
std::vector<SavedFormat> kept_clipboard;

// Another program may hold the clipboard a moment.
constexpr int open_attempts = 10;

std::string format_name(UINT format) {
    wchar_t name[128] = {};
    if (GetClipboardFormatNameW(format, name, 127)) return narrow(name);
    return "#" + std::to_string(format);
}

GlobalBlock global_copy(const void* data, std::size_t size) {
    GlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1));
    const LockedGlobal<> target(block.get());
    if (!target) return GlobalBlock();
    if (size) std::memcpy(target.get(), data, size);
    return block;
}

// The clipboard takes the block when it accepts it.
void put_block(UINT format, GlobalBlock block) {
    if (block && SetClipboardData(format, block.get())) block.release();
}

void put_marker(const wchar_t* name, DWORD value) {
    // Clipboard history, cloud clipboard and clipboard managers skip text so marked.
    if (const UINT format = RegisterClipboardFormatW(name))
        put_block(format, global_copy(&value, sizeof value));
}

// Handles that are not memory blocks (bitmaps, palettes, old metafiles): a
// picture comes back from its DIB form, which is kept.
bool is_other_handle(UINT format) {
    return format == CF_BITMAP || format == CF_PALETTE || format == CF_METAFILEPICT ||
           format == CF_DSPBITMAP || format == CF_DSPMETAFILEPICT || format == CF_DSPENHMETAFILE ||
           format == CF_OWNERDISPLAY;
}

// Saves one format of the open clipboard; false when it cannot be saved.
bool save_format(UINT format, HANDLE data, std::vector<SavedFormat>& saved) {
    if (format == CF_ENHMETAFILE) {
        const auto metafile = static_cast<HENHMETAFILE>(data);
        const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
        std::string bits(size, '\0');
        if (size && GetEnhMetaFileBits(metafile, size, reinterpret_cast<BYTE*>(&bits[0])))
            saved.push_back(SavedFormat{format, bits, true});
        return true;
    }
    if (is_other_handle(format)) return false;
    const LockedGlobal<const char> locked(data);
    if (!locked) return false;
    saved.push_back(SavedFormat{format, std::string(locked.get(), GlobalSize(data))});
    return true;
}

void put_back(const SavedFormat& saved) {
    if (!saved.metafile) {
        put_block(saved.format, global_copy(saved.bytes.data(), saved.bytes.size()));
        return;
    }
    const HENHMETAFILE metafile = SetEnhMetaFileBits(
        static_cast<UINT>(saved.bytes.size()), reinterpret_cast<const BYTE*>(saved.bytes.data()));
    if (metafile && !SetClipboardData(saved.format, metafile)) DeleteEnhMetaFile(metafile);
}

bool put_back_all(HWND main_window, const std::vector<SavedFormat>& formats) {
    const OpenedClipboard opened(main_window, open_attempts);
    if (!opened) return false;
    EmptyClipboard();
    for (const SavedFormat& saved : formats)
        put_back(saved);
    return true;
}

// Every format on the open clipboard that can be read; `not_kept` gets the
// names of the others.
std::vector<SavedFormat> read_formats(std::string* not_kept) {
    std::vector<SavedFormat> saved;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        HANDLE data = GetClipboardData(format);
        if (data && !save_format(format, data, saved) && not_kept)
            *not_kept += (not_kept->empty() ? "" : ", ") + format_name(format);
    }
    return saved;
}

void render_paste_text() {
    const std::wstring& text = paste_clipboard.text;
    put_block(CF_UNICODETEXT, global_copy(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
    paste_clipboard.rendered = true;
}
} // namespace

void win32_render_clipboard(bool all) {
    // Only a paste's text is rendered late: the clipboard given back after a
    // paste or a copy holds real data, which must stay as it is.
    if (!paste_clipboard.out) return;
    if (!all) { // asked for the text: the clipboard is open already
        render_paste_text();
        return;
    }
    const HWND main_window = win32_main_window();
    if (GetClipboardOwner() != main_window) return;
    const OpenedClipboard opened(main_window);
    if (opened) render_paste_text();
}

bool clipboard_put_for_paste(const char* text, std::string* not_kept) {
    if (not_kept) not_kept->clear();
    const HWND main_window = win32_main_window();
    if (!main_window) return false;
    const OpenedClipboard opened(main_window, open_attempts);
    if (!opened) return false;
    // Saved before the old paste state goes: an earlier output left on the
    // clipboard is rendered from it while its text is read here.
    std::vector<SavedFormat> saved = read_formats(not_kept);
    EmptyClipboard();
    PasteClipboard& paste = paste_clipboard;
    paste = PasteClipboard{};
    paste.saved = std::move(saved);
    paste.text = widen(text);
    paste.out = true;
    SetClipboardData(CF_UNICODETEXT, nullptr); // given when the pasting window asks: then it has it
    put_marker(L"ExcludeClipboardContentFromMonitorProcessing", 1);
    put_marker(L"CanIncludeInClipboardHistory", 0);
    put_marker(L"CanUploadToCloudClipboard", 0);
    return true;
}

bool clipboard_paste_taken() {
    // Asked for, and the asking window has let the clipboard go.
    return paste_clipboard.rendered && GetOpenClipboardWindow() == nullptr;
}

bool clipboard_restore() {
    PasteClipboard& paste = paste_clipboard;
    const HWND main_window = win32_main_window();
    // Whatever was copied after the paste belongs to someone else now.
    const bool restored =
        GetClipboardOwner() == main_window && put_back_all(main_window, paste.saved);
    paste = PasteClipboard{};
    return restored;
}

// ---- the clipboard's text, for {Clipboard} and {Selection} ----

uint32_t clipboard_sequence() {
    return GetClipboardSequenceNumber();
}

ClipboardText clipboard_text(std::string* utf8) {
    utf8->clear();
    const OpenedClipboard opened(win32_main_window(), open_attempts);
    if (!opened) return ClipboardText::busy;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const LockedGlobal<const wchar_t> locked(data);
    if (!locked) return ClipboardText::none;
    // Only as far as the block goes: a text without its terminator stays inside it.
    const std::size_t units = GlobalSize(data) / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < units && locked.get()[length])
        ++length;
    *utf8 = narrow(locked.get(), static_cast<int>(length));
    return ClipboardText::text;
}

bool clipboard_save(std::string* not_kept) {
    if (not_kept) not_kept->clear();
    kept_clipboard.clear();
    const HWND main_window = win32_main_window();
    if (!main_window) return false;
    const OpenedClipboard opened(main_window, open_attempts);
    if (!opened) return false;
    kept_clipboard = read_formats(not_kept);
    return true;
}

bool clipboard_give_back(uint32_t sequence) {
    // Whatever was copied after the program's own copy belongs to someone else now.
    const bool given = GetClipboardSequenceNumber() == sequence &&
                       put_back_all(win32_main_window(), kept_clipboard);
    kept_clipboard.clear();
    return given;
}

bool clipboard_withdraw_paste() {
    PasteClipboard& paste = paste_clipboard;
    const HWND main_window = win32_main_window();
    if (GetClipboardOwner() != main_window) { // copied meanwhile: the text went with it
        const bool unread = !paste.rendered;
        paste = PasteClipboard{};
        return unread;
    }
    // Open, the clipboard is ours alone: a window asking for the text now
    // waits, and then finds it gone.
    const OpenedClipboard opened(main_window, open_attempts);
    if (!opened || paste.rendered) return false;
    EmptyClipboard();
    paste = PasteClipboard{};
    return true;
}
