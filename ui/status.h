// The status bar writer. Messages begin with a space; writing " " clears it.
#pragma once

#if defined(__GNUC__)
#define QUILLOMAT_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define QUILLOMAT_PRINTF(fmt, args)
#endif

// Formats into a 1024-byte line (longer results are cut) and shows it. An
// absent or empty format does nothing.
void status_printf(const char* format, ...) QUILLOMAT_PRINTF(1, 2);
