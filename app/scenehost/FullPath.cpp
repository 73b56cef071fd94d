#include "app/scenehost/FullPath.h"

#include <windows.h>

#include <vector>

std::string absolutePath(const std::string& path) {
    if (path.empty()) return path;
    const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::vector<char> full(needed + 1);
    const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    return n == 0 || n >= full.size() ? path : std::string(full.data(), n);
}
