#include "host/ListStorage.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>

#include "host/MappedFile.h"

namespace XSI {
namespace detail {

namespace {

thread_local ListRole currentRole = ListRole::ByType;

// One place in the output's binary buffer, taken by the first list that fits it.
struct Place {
    uint64_t offset = 0, bytes = 0;
    ListRole role = ListRole::Anonymous;
    bool taken = false;  // never given out twice: a second list would not find it zero-filled
};

struct Storage {
    std::mutex mutex;
    std::string path, bufferFile;
    OutputLayout layout = OutputLayout::None;
    uint64_t plannedEnd = 0;  // binary buffer bytes of every reserved mesh so far
    std::shared_ptr<MappedFile> file;
    uint64_t binaryStart = 0;
    std::vector<Place> places;
    // Lists living in a file; each keeps its file mapped.
    std::unordered_map<const void*, std::shared_ptr<MappedFile>> live;

    void forgetOutput() {
        if (file && !file->committed()) file->discard();
        file.reset();
        path.clear();
        bufferFile.clear();
        layout = OutputLayout::None;
        plannedEnd = 0;
        places.clear();
    }
};

Storage& storage() {
    static Storage* s = new Storage;  // lives as long as lists may
    return *s;
}

// At exit no list is used any more: files still mapped are closed, and those
// never committed removed (where a mapped file cannot be deleted, this is the
// moment it can).
void closeFilesAtExit() {
    Storage& s = storage();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.live.clear();
    s.forgetOutput();
}

// Anonymous list bytes in use, and the limit a test set (0: none).
std::atomic<uint64_t> anonymousBytes{0};
std::atomic<uint64_t> anonymousLimit{0};

bool takeAnonymous(size_t bytes) {
    const uint64_t limit = anonymousLimit.load();
    const uint64_t before = anonymousBytes.fetch_add(bytes);
    if (limit == 0 || before + bytes <= limit) return true;
    anonymousBytes.fetch_sub(bytes);
    return false;
}

}  // namespace

void setListMemoryLimit(uint64_t bytes) { anonymousLimit = bytes; }

ListRoleScope::ListRoleScope(ListRole role) : previous_(currentRole) { currentRole = role; }
ListRoleScope::~ListRoleScope() { currentRole = previous_; }

void* allocateList(size_t bytes, bool isFloat) noexcept {
    ListRole role = currentRole;
    if (role == ListRole::ByType) role = isFloat ? ListRole::Positions : ListRole::Corners;
    if (role != ListRole::Anonymous && bytes > 0) {
        Storage& s = storage();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.file)
            for (Place& place : s.places)
                if (!place.taken && place.role == role && place.bytes == bytes) {
                    char* p = s.file->data() + s.binaryStart + place.offset;
                    try {
                        s.live.emplace(p, s.file);
                    } catch (const std::exception&) {
                        return nullptr;
                    }
                    place.taken = true;
                    return p;
                }
    }
    if (!takeAnonymous(bytes)) return nullptr;
    void* p = std::calloc(bytes ? bytes : 1, 1);
    if (!p) anonymousBytes.fetch_sub(bytes);
    return p;
}

void releaseList(void* p, size_t bytes) noexcept {
    if (!p) return;
    Storage& s = storage();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        auto it = s.live.find(p);
        if (it != s.live.end()) {
            s.live.erase(it);  // the last list of a file unmaps it
            return;
        }
    }
    std::free(p);
    anonymousBytes.fetch_sub(bytes);
}

void setOutput(const std::string& path, OutputLayout layout, const std::string& bufferFile) {
    Storage& s = storage();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.forgetOutput();
    if (path.empty()) return;
    s.path = path;
    s.bufferFile = bufferFile;
    s.layout = layout;
}

std::string reserveMeshRoom(uint64_t vertices, uint64_t triangles, bool withTexCoords) {
    Storage& s = storage();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.layout == OutputLayout::None) return {};
    const uint64_t positions = 12 * vertices, normals = 12 * vertices, texCoords = withTexCoords ? 8 * vertices : 0;
    const uint64_t corners = 12 * triangles;
    const uint64_t bytes = positions + normals + texCoords + corners;
    const uint64_t offset = s.plannedEnd;
    s.plannedEnd += bytes;
    // The export's own limit, known now: header, a JSON chunk at least as
    // long as the room a large buffer leaves it, and the binary chunk.
    const uint64_t headers = s.plannedEnd >= kMapAtLeast ? kGlbBinaryStart : 28;
    if (s.layout == OutputLayout::Binary && headers + s.plannedEnd > 0xFFFFFFFFu)
        return kGlbTooLarge;
    if (s.file || offset != 0 || bytes < kMapAtLeast) return {};

    const uint64_t start = s.layout == OutputLayout::Binary ? kGlbBinaryStart : 0;
    std::string error;
    bool mapRefused = false;
    std::unique_ptr<MappedFile> file = MappedFile::create(s.bufferFile, start + bytes, error, &mapRefused);
    // Whatever the reason the file could not be mapped (no free range for it
    // in a 32-bit process, a file system that does not map files for shared
    // writing), the room was there: the lists live in memory, in ranges of
    // their own, and the export writes the file from there.
    if (!file && mapRefused) return {};
    if (!file) return error;
    static const bool registered = std::atexit(closeFilesAtExit) == 0;
    (void)registered;
    s.file = std::move(file);
    s.binaryStart = start;
    uint64_t at = offset;
    for (auto [role, size] : {std::make_pair(ListRole::Positions, positions), std::make_pair(ListRole::Normals, normals),
                              std::make_pair(ListRole::TexCoords, texCoords), std::make_pair(ListRole::Corners, corners)}) {
        if (size) s.places.push_back({at, size, role, false});
        at += size;
    }
    return {};
}

bool placedOutputFor(const std::string& path, OutputLayout layout, PlacedOutput& out) {
    Storage& s = storage();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.file || s.path != path || s.layout != layout) return false;
    out.file = s.file;
    out.binaryStart = s.binaryStart;
    out.lists.clear();
    for (const auto& [p, file] : s.live)
        if (file == s.file) out.lists.push_back(p);
    return true;
}

void outputWritten() {
    Storage& s = storage();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.forgetOutput();
}

bool isPlacedList(const void* p) {
    Storage& s = storage();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.live.count(p) != 0;
}

}  // namespace detail
}  // namespace XSI
