// Files: reading them whole, appending, what they are on disk, and the
// texts built into the program.
#include "platform/platform.h"
#include "platform/win32/backend.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

#include "common/memory.h"

#include <cstring>
#include <string>
#include <vector>

namespace {
FileRead why_not_opened() {
    const DWORD error = GetLastError();
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? FileRead::missing
                                                                            : FileRead::unreadable;
}

// Reads `length` bytes into `buffer`, in pieces; the count read (fewer when the file got shorter).
bool read_all(HANDLE file, char* buffer, std::size_t length, std::size_t* got) {
    *got = 0;
    while (*got < length) {
        DWORD chunk = 0;
        const DWORD want = static_cast<DWORD>(length - *got > 0x100000 ? 0x100000 : length - *got);
        if (!ReadFile(file, buffer + *got, want, &chunk, nullptr)) return false;
        if (chunk == 0) break;
        *got += chunk;
    }
    return true;
}
} // namespace

FileRead read_whole_file(const char* path, std::size_t max_size, char** text, std::size_t* size) {
    *text = nullptr;
    *size = 0;
    if (!path || !*path) return FileRead::missing;
    const ScopedHandle file(CreateFileW(file_path(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return why_not_opened();
    LARGE_INTEGER file_size;
    if (!GetFileSizeEx(file.get(), &file_size)) return FileRead::unreadable;
    if (static_cast<unsigned long long>(file_size.QuadPart) > max_size) return FileRead::too_large;
    const std::size_t length = static_cast<std::size_t>(file_size.QuadPart);
    HeapText buffer = alloc_text(file_buffer_size(length));
    if (!buffer) return FileRead::no_memory;
    std::size_t got = 0;
    if (!read_all(file.get(), buffer.get(), length, &got)) return FileRead::unreadable;
    buffer.get()[got] = '\0';
    *size = got;
    *text = buffer.release();
    return FileRead::ok;
}

bool write_all(HANDLE file, std::string_view data) {
    std::size_t written = 0;
    while (written < data.size()) {
        DWORD chunk = 0;
        const DWORD want =
            static_cast<DWORD>(data.size() - written > 0x100000 ? 0x100000 : data.size() - written);
        if (!WriteFile(file, data.data() + written, want, &chunk, nullptr) || chunk == 0)
            return false;
        written += chunk;
    }
    return true;
}

bool append_to_file(const char* path, std::string_view data) {
    if (!path || !*path) return false;
    const ScopedHandle file(CreateFileW(file_path(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    if (SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    return write_all(file.get(), data);
}

FileStat file_stat(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!path || !*path ||
        !GetFileAttributesExW(file_path(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return FileStat{};
    FileStat stat;
    stat.exists = true;
    stat.write_time = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                      data.ftLastWriteTime.dwLowDateTime;
    stat.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return stat;
}

bool delete_file(const char* path) {
    return path && *path && DeleteFileW(file_path(path).c_str()) != 0;
}

std::string user_data_folder(const char* subfolder) {
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return {};
    std::wstring folder = std::wstring(base) + L"\\Quillomat";
    const bool sub = subfolder && *subfolder;
    for (int level = 0; level < (sub ? 2 : 1); ++level) {
        if (level == 1) folder += L"\\" + widen(subfolder);
        if (!CreateDirectoryW(file_path(narrow(folder.c_str())).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return narrow(folder.c_str()) + "\\";
}

std::vector<std::string> files_in_folder(const char* folder) {
    std::vector<std::string> names;
    if (!folder || !*folder) return names;
    std::string pattern = folder;
    if (pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    WIN32_FIND_DATAW found{};
    const ScopedFind search(FindFirstFileW(file_path(pattern + "*").c_str(), &found));
    if (!search) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(narrow(found.cFileName));
    } while (FindNextFileW(search.get(), &found));
    return names;
}

std::string_view builtin_text(int id) {
    HRSRC found =
        FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!data) return {};
    // Resource data lives as long as the module; read only within its size.
    const std::size_t size = SizeofResource(nullptr, found);
    const void* end = std::memchr(data, '\0', size);
    return std::string_view(
        data, end ? static_cast<std::size_t>(static_cast<const char*>(end) - data) : size);
}
