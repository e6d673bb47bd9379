#include "ui/status.h"

#include "ui/ui.h"

#include <cstdarg>
#include <cstdio>

void status_printf(const char* format, ...) {
    if (!format || !*format) return;
    char line[1024] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    set_status_text(line);
}
