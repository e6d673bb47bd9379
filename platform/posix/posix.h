// What the simulated desktop and quillomat-check share on Linux: files on
// the real disk, and Windows-1252 as the code page.
#pragma once

#include "platform/platform.h"

// Reads a whole file as read_whole_file does; `buffer` false: as if no
// memory could be had for it.
FileRead posix_read_file(const char* path, std::size_t max_size, bool buffer, char** text,
                         std::size_t* size);
