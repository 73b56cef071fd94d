#pragma once
// Fixed-size, NUL-terminated single-byte text fields, as the import keeps its
// paths, names and failure texts. Copies never overflow: text that does not
// fit is cut, and a message that embeds a path keeps its own words whole by
// shortening the path from the front ("...tail/of/the/path").
#include <cstddef>

namespace fixedtext {

// Copies src (nullptr counts as "") into dst[size], cutting it to size - 1 chars.
void copy(char* dst, std::size_t size, const char* src);

// Formats a message with exactly one "%s" placeholder into dst[size]. When the
// result would not fit, the argument is shortened to "..." plus its tail so
// that the fixed words of the message always survive.
void formatWithArg(char* dst, std::size_t size, const char* format, const char* arg);

template <std::size_t N>
void copy(char (&dst)[N], const char* src) { copy(dst, N, src); }

template <std::size_t N>
void formatWithArg(char (&dst)[N], const char* format, const char* arg) {
    formatWithArg(dst, N, format, arg);
}

}  // namespace fixedtext
