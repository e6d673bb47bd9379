// Small owners for what Win32 hands out: each gives back what it took on
// every path out of its scope, so that a function may return early without
// writing its cleanup out (and without forgetting a piece of it).
#pragma once

#include <windows.h>

#include <utility>

// Owns one handle, given back with `Release` unless none is held (null).
template <typename T, typename Release> class Owned {
  public:
    Owned() = default;
    explicit Owned(T value) : value_(value) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : value_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    T get() const { return value_; }
    explicit operator bool() const { return value_ != T{}; }
    // Gives back what is held and lends the slot to a call that returns a
    // handle through a pointer (RegOpenKeyExW, OpenProcessToken).
    T* receive() {
        reset();
        return &value_;
    }
    // Hands the handle on (to the clipboard, to a caller); it is no longer given back here.
    T release() { return std::exchange(value_, T{}); }
    void reset(T value = T{}) {
        if (value_ != T{}) Release{}(value_);
        value_ = value;
    }

  private:
    T value_{};
};

namespace release {
struct kernel_object {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct registry_key {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
struct gdi_object {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct menu {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct global_memory {
    void operator()(HGLOBAL block) const { GlobalFree(block); }
};
struct change_notification {
    void operator()(HANDLE watch) const { FindCloseChangeNotification(watch); }
};
struct file_search {
    void operator()(HANDLE search) const { FindClose(search); }
};
} // namespace release

// The kernel's handles fail in two ways: CreateFileW and its kin give
// INVALID_HANDLE_VALUE, OpenProcess and the rest null. Either is "none".
inline HANDLE handle_or_null(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// A file, a process or another kernel object.
class ScopedHandle : public Owned<HANDLE, release::kernel_object> {
  public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : Owned(handle_or_null(handle)) {}
};

// A process's access token, opened to read what rights it has; empty when
// the process may not be asked (GetLastError says why).
class ProcessToken : public ScopedHandle {
  public:
    explicit ProcessToken(HANDLE process) { OpenProcessToken(process, TOKEN_QUERY, receive()); }
};

using RegistryKey = Owned<HKEY, release::registry_key>;
// A font, bitmap or brush the program made (a stock object may be held too:
// deleting one does nothing).
template <typename T> using GdiObject = Owned<T, release::gdi_object>;
using OwnedFont = GdiObject<HFONT>;
using OwnedBitmap = GdiObject<HBITMAP>;
using OwnedMenu = Owned<HMENU, release::menu>;
// A memory block until the clipboard takes it (then release()).
using GlobalBlock = Owned<HGLOBAL, release::global_memory>;
using ChangeWatch = Owned<HANDLE, release::change_notification>;
// A FindFirstFileW search (INVALID_HANDLE_VALUE is none).
class ScopedFind : public Owned<HANDLE, release::file_search> {
  public:
    explicit ScopedFind(HANDLE search) : Owned(handle_or_null(search)) {}
};

// Non-copyable scopes: something done now and undone on the way out.
class Scope {
  protected:
    Scope() = default;
    ~Scope() = default;

  public:
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

// The clipboard, open for `owner` and closed again. Another program may
// hold it a moment: `attempts` tries, a few milliseconds apart.
class OpenedClipboard : Scope {
  public:
    explicit OpenedClipboard(HWND owner, int attempts = 1) {
        for (int attempt = 0; attempt < attempts && !open_; ++attempt) {
            if (attempt > 0) Sleep(5);
            open_ = OpenClipboard(owner) != FALSE;
        }
    }
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    explicit operator bool() const { return open_; }

  private:
    bool open_ = false;
};

// A memory block's bytes, locked while in scope.
template <typename T = void> class LockedGlobal : Scope {
  public:
    explicit LockedGlobal(HGLOBAL block)
        : block_(block), data_(block ? static_cast<T*>(GlobalLock(block)) : nullptr) {}
    ~LockedGlobal() {
        if (data_) GlobalUnlock(block_);
    }
    T* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

  private:
    HGLOBAL block_;
    T* data_;
};

// A window's device context (the screen's for no window).
class WindowDC : Scope {
  public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// Painting a window in answer to WM_PAINT.
class PaintDC : Scope {
  public:
    explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDC() { EndPaint(window_, &paint_); }
    HDC get() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a device context; the one it displaced goes back.
class SelectedObject : Scope {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};
