#include "platform/posix/posix.h"

#include "common/memory.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

FileRead posix_read_file(const char* path, std::size_t max_size, bool buffer, char** text,
                         std::size_t* size) {
    *text = nullptr;
    *size = 0;
    if (!path || !*path) return FileRead::missing;
    struct stat info;
    if (stat(path, &info) != 0) return errno == ENOENT ? FileRead::missing : FileRead::unreadable;
    if (S_ISDIR(info.st_mode)) return FileRead::unreadable;
    const std::size_t length = static_cast<std::size_t>(info.st_size);
    if (length > max_size) return FileRead::too_large;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return FileRead::unreadable;
    HeapText block = buffer ? alloc_text(file_buffer_size(length)) : HeapText();
    if (!block) {
        std::fclose(file);
        return FileRead::no_memory;
    }
    const std::size_t got = std::fread(block.get(), 1, length, file);
    std::fclose(file);
    block.get()[got] = '\0';
    *size = got;
    *text = block.release();
    return FileRead::ok;
}
