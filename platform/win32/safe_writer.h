// The one writer of a user's file, seen from inside the backend.
#pragma once

#include <windows.h>

// The step that puts the new text, written in full beside the file, in the
// file's place: ReplaceFileW, which carries over the old file's permissions,
// attributes and creation time. It may give up half way, with the old file
// already gone; a test puts a step here that does so.
using ReplaceStep = BOOL (*)(const wchar_t* replaced, const wchar_t* replacement);
extern ReplaceStep win32_replace_step;
