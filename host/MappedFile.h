#pragma once
// A scene file being written whose room is reserved on disk first and then
// mapped into memory, so that the large lists of a mesh are filled where the
// export puts them and each byte is touched once.
//
// The room is reserved before it is mapped (posix_fallocate on Linux; on
// Windows the file's end is set, which allocates its clusters), so a full
// disk is a clean failure here and never a fault in the middle of filling.
// The file stays invisible until commit: on Linux it is an unnamed file in
// the target's folder, linked as "<path>.tmp" and renamed over the target;
// where the system has no unnamed files (and on Windows) it is
// "<path>.map.tmp". A file that is never committed is removed.
#include <cstdint>
#include <memory>
#include <string>

namespace XSI {
namespace detail {

// A seam for tests: from now on every MappedFile::create fails its room
// reservation with reserveError, or its mapping with mapError, as the system
// would with that code (an errno value; on Windows a GetLastError value).
// 0 leaves the step to the system; setMappingFaults({}) ends the faults.
struct MappingFaults {
    int reserveError = 0;
    int mapError = 0;
};
void setMappingFaults(const MappingFaults& faults);

class MappedFile {
public:
    // Creates the temporary file for finalPath, reserves size bytes (at least
    // one) and maps them; null with error set when any step fails.
    // mapRefused: the file and its room were there, but the system would not
    // map them (no free range that large in a 32-bit process, or a file
    // system that cannot map a file for shared writing); the file is gone
    // again and an ordinary write can still make the scene.
    static std::unique_ptr<MappedFile> create(const std::string& finalPath, uint64_t size, std::string& error,
                                              bool* mapRefused = nullptr);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    char* data() const { return data_; }
    uint64_t size() const { return size_; }
    const std::string& finalPath() const { return finalPath_; }
    bool committed() const { return committed_; }

    // Writes past the mapped room (the file grows); false when it cannot.
    [[nodiscard]] bool writeAt(uint64_t offset, const void* bytes, uint64_t count);
    // Gives the file the name finalPath (replacing what was there). The
    // mapping stays valid: it now shows the final file.
    [[nodiscard]] bool commit(std::string& error);
    // The file will not be committed: removed now where the system allows it
    // while mapped, otherwise when the mapping ends.
    void discard();

private:
    MappedFile() = default;
    void removeTemporary();

    std::string finalPath_, tempPath_;  // tempPath_ empty: an unnamed file (Linux)
    char* data_ = nullptr;
    uint64_t size_ = 0;
    bool committed_ = false, discarded_ = false;
#ifdef _WIN32
    void* file_ = nullptr;     // HANDLE
    void* mapping_ = nullptr;  // HANDLE
#else
    int fd_ = -1;
#endif
};

}  // namespace detail
}  // namespace XSI
