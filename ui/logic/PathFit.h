// Shortening a file path for display in a fixed width: the directory is cut
// from the right with "..." before the file name, then the name itself is cut.
// Portable: the caller measures text (the Win32 dialog with its font).
#pragma once

#include <cstddef>
#include <functional>

// Width of the first `length` characters of text, in the units of the limit.
using TextMeasure = std::function<int(const char* text, size_t length)>;

// Room a fitted text may need beyond the path itself: an empty directory
// becomes ".." and the cut name gains "...".
constexpr size_t kPathFitExtra = 5;

// Shortens the NUL-terminated path in text (a buffer of size bytes) in place
// so that measure() of it is at most widthLimit. "/" becomes "\" first; a
// text without any "\" is left as it is, however wide. Candidates, first fit
// wins:
//   the whole path                         C:\Data\Worlds\valley.tgw
//   directory cut from the right           C:\Data\Wor...\valley.tgw
//   ".." (or a short directory) + name cut ..\valley.tg...   C:\va...
//   "!" when nothing fits.
// A candidate longer than the buffer can hold counts as not fitting, so the
// result is never cut short.
void FitPathText(char* text, size_t size, int widthLimit, const TextMeasure& measure);
