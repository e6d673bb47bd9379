// The one writer of a user's file: the new text in full beside the file
// first, then in its place in one step.
#include "platform/win32/safe_writer.h"
#include "platform/platform.h"
#include "platform/win32/backend.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

#include <cwchar>
#include <string>

namespace {
BOOL replace_with_attributes(const wchar_t* replaced, const wchar_t* replacement) {
    return ReplaceFileW(replaced, replacement, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr);
}

// The file a path names in the end, links followed, and how many names it
// has; the path itself when it names no file yet.
std::wstring resolved_path(const std::wstring& path, DWORD* names) {
    *names = 0;
    const ScopedHandle file(CreateFileW(path.c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return path;
    // The standard information holds the count of names without asking the
    // volume for its serial number, which a file handle does not need.
    FILE_STANDARD_INFO info{};
    if (GetFileInformationByHandleEx(file.get(), FileStandardInfo, &info, sizeof info))
        *names = info.NumberOfLinks;
    std::wstring final_path(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file.get(), &final_path[0], 32767,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= 32767) return path;
    final_path.resize(length);
    return final_path;
}

// A file that may not be written or replaced (read-only, locked, denied)
// is found out before anything is written beside it.
bool may_replace(const std::wstring& target) {
    const ScopedHandle check(CreateFileW(target.c_str(), GENERIC_WRITE | DELETE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(check);
}

// A short name for a new file in the folder of `path` (a name beside a long
// one could pass the file system's limit on a name's length).
std::wstring name_beside(const std::wstring& path, unsigned attempt) {
    const std::size_t slash = path.find_last_of(L"\\/");
    wchar_t name[32];
    std::swprintf(name, 32, L"~qlm%04x.tmp",
                  (GetTickCount() + attempt * 7919u + GetCurrentProcessId()) & 0xFFFF);
    return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + name;
}

// Writes `data` into a new file beside `path`, flushed to the disk.
// Returns its name, or "" when it could not be written.
std::wstring write_beside(const std::wstring& path, std::string_view data) {
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        const std::wstring name = name_beside(path, attempt);
        ScopedHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return {};
        }
        const bool written = write_all(file.get(), data) && FlushFileBuffers(file.get());
        file.reset();
        if (written) return name;
        DeleteFileW(name.c_str());
        return {};
    }
    return {};
}

// Writes the whole of `data` over the file's old bytes.
bool overwrite(const std::wstring& path, std::string_view data) {
    const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 &&
           SetEndOfFile(file.get()) && write_all(file.get(), data) && FlushFileBuffers(file.get());
}

// A file with several names keeps them only when its own bytes change: it is
// rewritten in place, with a copy of its old bytes beside it until the new
// ones are all on the disk (and written back when they are not).
bool rewrite_in_place(const std::wstring& path, std::string_view data) {
    const std::wstring copy = name_beside(path, 99);
    if (!CopyFileW(path.c_str(), copy.c_str(), TRUE)) return false;
    const bool done = overwrite(path, data);
    // The old bytes go back; the copy stays if even that fails.
    if (!done && !CopyFileW(copy.c_str(), path.c_str(), FALSE)) return false;
    DeleteFileW(copy.c_str());
    return done;
}

// Whether a file (not a folder) has the name `path`.
bool file_is_at(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Renames the new file to a name no file has. Tried a few times: a scanner
// that looks at every new file may hold it a moment.
bool move_into_place(const std::wstring& fresh, const std::wstring& target) {
    constexpr int attempts = 5;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0) Sleep(20);
        if (MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    }
    return false;
}

// Puts the new file in the place of the old one. Given no backup name, the
// replace step may fail after it has taken the old file away: the new file,
// then the only copy, goes into the empty place or stays, named in `kept_at`.
bool put_in_place(const std::wstring& fresh, const std::wstring& target, bool target_exists,
                  std::string* kept_at) {
    if (target_exists && win32_replace_step(target.c_str(), fresh.c_str())) return true;
    const bool old_file_in_place = target_exists && file_is_at(target);
    if (!old_file_in_place && move_into_place(fresh, target)) return true;
    if (old_file_in_place || !target_exists) {
        DeleteFileW(fresh.c_str()); // the old file, or none, is there as it was
        return false;
    }
    if (kept_at) *kept_at = shown_path(fresh);
    return false;
}
} // namespace

ReplaceStep win32_replace_step = replace_with_attributes;

namespace {
// What a failed step's error says stood in the way.
WriteProblem problem_of(DWORD error, const std::wstring& target) {
    switch (error) {
    case ERROR_ACCESS_DENIED: {
        const DWORD attributes = GetFileAttributesW(target.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)
                   ? WriteProblem::read_only
                   : WriteProblem::denied;
    }
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return WriteProblem::in_use;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return WriteProblem::disk_full;
    default:
        return WriteProblem::other;
    }
}

// The file a write to a missing `path` makes: the path itself, or the file
// a link to a missing file leads to, so that the link stays a link. Where
// the system shows no more of such a link than that its name is taken, the
// file is made through it (empty, `made` says so) to learn where it is.
std::wstring missing_file_target(const char* path, const std::wstring& wide, bool* made) {
    *made = false;
    const LinkTarget link = link_target(path);
    if (!link.dangling) return wide;
    if (!link.target.empty()) return file_path(link.target);
    const ScopedHandle file(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::wstring final_path(32768, L'\0');
    const DWORD length = file ? GetFinalPathNameByHandleW(file.get(), &final_path[0], 32767,
                                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)
                              : 0;
    if (length == 0 || length >= 32767) return wide;
    *made = true;
    return final_path.substr(0, length);
}

bool write_replacing(const std::wstring& target, DWORD names, std::string_view data,
                     std::string* kept_at) {
    if (names > 1) return rewrite_in_place(target, data);
    const std::wstring fresh = write_beside(target, data);
    if (fresh.empty()) return false;
    return put_in_place(fresh, target, names > 0, kept_at);
}
} // namespace

bool replace_file(const char* path, std::string_view data, std::string* kept_at,
                  WriteProblem* why) {
    if (kept_at) kept_at->clear();
    WriteProblem ignored;
    if (!why) why = &ignored;
    *why = WriteProblem::other;
    if (!path || !*path) return false;
    DWORD names = 0;
    std::wstring target = resolved_path(file_path(path), &names);
    bool made = false;
    if (names == 0) {
        target = missing_file_target(path, target, &made);
        if (made) names = 1;
    }
    if (names > 0 && !made && !may_replace(target)) {
        *why = problem_of(GetLastError(), target);
        return false;
    }
    if (write_replacing(target, names, data, kept_at)) {
        *why = WriteProblem::none;
        return true;
    }
    *why = problem_of(GetLastError(), target);
    if (made) DeleteFileW(target.c_str()); // missing it was, and missing it stays
    return false;
}
