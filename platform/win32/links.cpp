// Symbolic links: where a path leads in the end, and where a link to a
// missing file would lead if the file were there.
#include "platform/platform.h"
#include "platform/win32/backend.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

#include <winioctl.h>

namespace {
// The part of the system's reparse record that a symbolic link or a
// junction fills (the record's full form is a driver header's).
struct LinkRecord {
    ULONG tag;
    USHORT data_length;
    USHORT reserved;
    USHORT substitute_offset, substitute_length, print_offset, print_length;
    union {
        struct {
            ULONG flags; // 1: relative to the link's folder
            WCHAR names[1];
        } symbolic;
        struct {
            WCHAR names[1];
        } junction;
    };
};

std::wstring without_long_prefix(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0 || path.compare(0, 4, L"\\??\\") == 0)
        return path.substr(4);
    return path;
}

std::wstring full_path(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), 32767, &full[0], nullptr);
    if (length == 0 || length >= 32767) return path;
    full.resize(length);
    return full;
}

// The full path with its short (8.3) names written out, as a final path has them.
std::wstring long_full_path(const std::wstring& path) {
    const std::wstring full = full_path(path);
    std::wstring long_form(32768, L'\0');
    const DWORD length = GetLongPathNameW(full.c_str(), &long_form[0], 32767);
    if (length == 0 || length >= 32767) return full;
    long_form.resize(length);
    return long_form;
}

bool same_path(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Where the link at `path` points, as its record says; "" when it cannot be read.
std::wstring recorded_target(const std::wstring& path) {
    const ScopedHandle link(CreateFileW(
        path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    alignas(8) char buffer[MAXIMUM_REPARSE_DATA_BUFFER_SIZE];
    DWORD got = 0;
    if (!link || !DeviceIoControl(link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer,
                                  sizeof buffer, &got, nullptr))
        return {};
    const LinkRecord* record = reinterpret_cast<const LinkRecord*>(buffer);
    const WCHAR* names = record->tag == IO_REPARSE_TAG_SYMLINK       ? record->symbolic.names
                         : record->tag == IO_REPARSE_TAG_MOUNT_POINT ? record->junction.names
                                                                     : nullptr;
    if (!names) return {};
    std::wstring target(names + record->substitute_offset / sizeof(WCHAR),
                        record->substitute_length / sizeof(WCHAR));
    const bool relative = record->tag == IO_REPARSE_TAG_SYMLINK && (record->symbolic.flags & 1);
    if (relative) {
        const std::wstring full = full_path(path);
        return full_path(full.substr(0, full.find_last_of(L"\\/") + 1) + target);
    }
    return without_long_prefix(target);
}

// Some systems (Wine) show a link to a missing file as no name at all: such
// a name cannot be made anew, though nothing answers to it. The file made
// to find it out goes when it is closed.
bool name_taken_by_nothing(const std::wstring& path) {
    const ScopedHandle probe(
        CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return !probe && GetLastError() == ERROR_FILE_EXISTS;
}
} // namespace

std::string shown_path(const std::wstring& path) {
    return narrow(without_long_prefix(path).c_str());
}

LinkTarget link_target(const char* path) {
    LinkTarget link;
    if (!path || !*path) return link;
    const std::wstring wide = file_path(path);
    const ScopedHandle file(
        CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (file) {
        std::wstring final_path(32768, L'\0');
        const DWORD length = GetFinalPathNameByHandleW(file.get(), &final_path[0], 32767,
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0 || length >= 32767) return link;
        final_path = without_long_prefix(final_path.substr(0, length));
        link.link = !same_path(final_path, without_long_prefix(long_full_path(wide)));
        if (link.link) link.target = narrow(final_path.c_str());
        return link;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return link;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        link.link = link.dangling = true;
        link.target = narrow(recorded_target(wide).c_str());
    } else if (attributes == INVALID_FILE_ATTRIBUTES && error == ERROR_FILE_NOT_FOUND) {
        link.link = link.dangling = name_taken_by_nothing(wide);
    }
    return link;
}
