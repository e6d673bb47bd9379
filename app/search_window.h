// The search window: finds a trigger by its label, how it is typed or what
// it types, and plays the one picked as if it had fired.
#pragma once

#include <windows.h>

// Opens the search window owned by `owner`, or brings the open one forward.
// False when it cannot be opened.
bool open_search(HWND owner);
