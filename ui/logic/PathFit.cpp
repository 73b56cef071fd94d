#include "ui/logic/PathFit.h"

#include <algorithm>
#include <cstring>
#include <string>

void FitPathText(char* text, size_t size, int widthLimit, const TextMeasure& measure) {
    if (!text || size == 0) return;
    text[size - 1] = '\0';  // a text that filled its buffer ends at the buffer
    std::string path(text);
    std::replace(path.begin(), path.end(), '/', '\\');
    std::memcpy(text, path.c_str(), path.size() + 1);
    const size_t split = path.rfind('\\');
    if (split == std::string::npos) return;

    const std::string dir = path.substr(0, split);  // D, without the last backslash
    const std::string name = path.substr(split);    // N, with it
    const size_t maxLength = size - 1;
    auto fits = [&](const std::string& candidate) {
        return candidate.size() <= maxLength && measure(candidate.c_str(), candidate.size()) <= widthLimit;
    };
    auto take = [&](const std::string& candidate) {
        std::memcpy(text, candidate.c_str(), candidate.size() + 1);
    };

    if (fits(path)) return;
    // The directory cut from the right, the name kept whole.
    for (size_t n = dir.size() >= 3 ? dir.size() - 3 + 1 : 0; n-- > 0;) {
        const std::string candidate = dir.substr(0, n) + "..." + name;
        if (fits(candidate)) return take(candidate);
    }
    // ".." stands for a long directory; a short one ("C:") shows its first
    // two characters, padded with dots when it has fewer.
    const std::string prefix = dir.size() >= 3 ? std::string("..") : (dir + "...").substr(0, 2);
    for (size_t k = name.size() + 1; k-- > 0;) {
        const std::string candidate = prefix + name.substr(0, k) + "...";
        if (fits(candidate)) return take(candidate);
    }
    if (maxLength >= 1) take("!");
}
