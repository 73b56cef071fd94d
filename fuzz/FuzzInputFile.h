#pragma once
// The readers open files by path, so each fuzz input is written to one
// private temporary file that is rewritten for every run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzzinput {

inline const std::string& scratchPath(const char* suffix) {
    static const std::string path = [suffix] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/vq-fuzz-" +
                        std::to_string(static_cast<long>(getpid())) + suffix;
        return p;
    }();
    return path;
}

// Replaces the scratch file with the input; false when it cannot be written.
inline bool writeScratch(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace fuzzinput
