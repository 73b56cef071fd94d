#include "formats/FixedText.h"

#include <cstring>

namespace fixedtext {

void copy(char* dst, std::size_t size, const char* src) {
    if (size == 0) return;
    if (!src) src = "";
    std::size_t n = std::strlen(src);
    if (n > size - 1) n = size - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

void formatWithArg(char* dst, std::size_t size, const char* format, const char* arg) {
    if (size == 0) return;
    if (!arg) arg = "";
    const char* hole = std::strstr(format, "%s");
    if (!hole) {
        copy(dst, size, format);
        return;
    }
    const std::size_t before = static_cast<std::size_t>(hole - format);
    const char* after = hole + 2;
    const std::size_t afterLen = std::strlen(after);
    const std::size_t argLen = std::strlen(arg);
    const std::size_t room = size - 1;

    std::size_t out = 0;
    auto put = [&](const char* s, std::size_t n) {
        if (out >= room) return;
        if (n > room - out) n = room - out;
        std::memcpy(dst + out, s, n);
        out += n;
    };
    put(format, before);
    const std::size_t fixedLen = before + afterLen;
    if (fixedLen + argLen <= room) {
        put(arg, argLen);
    } else if (fixedLen + 3 < room) {
        const std::size_t keep = room - fixedLen - 3;
        put("...", 3);
        put(arg + argLen - keep, keep);
    }
    put(after, afterLen);
    dst[out] = '\0';
}

}  // namespace fixedtext
