// quillomat-check on Linux reads files from the real disk.
#include "platform/posix/posix.h"

FileRead read_whole_file(const char* path, std::size_t max_size, char** text, std::size_t* size) {
    return posix_read_file(path, max_size, true, text, size);
}
