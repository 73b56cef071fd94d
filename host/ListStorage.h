#pragma once
// Where the host's large lists live: in the storage of the scene file they
// will be written to, when the host knows that file, otherwise in anonymous
// memory (calloc).
//
// SetOutput (host/SceneExport.h) names the file. When a mesh builder is told
// its counts (CMeshBuilder::ReserveMesh), the mesh's lists get places in the
// file's binary buffer, laid out as the export writes them: meshes that were
// reserved first, in the order of their reservations, and per mesh positions,
// normals, texture coordinates, triangle corners. The first mesh whose
// lists reach kMapAtLeast bytes creates the file with room for its lists (and
// for a .glb, kGlbBinaryStart bytes of header and JSON before them); later
// reservations only count, so that their place is known.
//
// A list takes a place when it is allocated with exactly the place's size and
// role: the positions and corner lists by their element type (so the import's
// own BulkLists find them), normals and texture coordinates by a
// ListRoleScope around their allocation. Every other allocation, and every
// allocation without a known output, is anonymous memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace XSI {
namespace detail {

class MappedFile;

enum class ListRole { ByType, Positions, Normals, TexCoords, Corners, Anonymous };

// The role of the lists this thread allocates while the scope lives.
class ListRoleScope {
public:
    explicit ListRoleScope(ListRole role);
    ~ListRoleScope();
    ListRoleScope(const ListRoleScope&) = delete;
    ListRoleScope& operator=(const ListRoleScope&) = delete;

private:
    ListRole previous_;
};

// Room for bytes of a list of floats (isFloat) or 32-bit indices; zero-filled
// when fresh. Null when there is none: no exception leaves the host's module,
// since a 32-bit module's exceptions cannot unwind through another's frames.
void* allocateList(size_t bytes, bool isFloat) noexcept;
void releaseList(void* p, size_t bytes) noexcept;

// Lists in anonymous memory may take this many bytes in all, as if the
// address space ended there (0: no limit). For tests of a host that runs out.
void setListMemoryLimit(uint64_t bytes);

// A .glb whose binary buffer is this large starts its binary chunk's data
// here (the JSON chunk padded with blanks), or at the next multiple of it when
// the JSON is longer; smaller ones pack the chunks.
constexpr uint64_t kGlbBinaryStart = uint64_t{1} << 16;
constexpr uint64_t kMapAtLeast = uint64_t{1} << 20;

enum class OutputLayout { None, Separate, Binary };

// Why a .glb is refused, early or at the export.
constexpr const char* kGlbTooLarge = "the scene is too large for one .glb file (4 GiB at most)";

// Names the scene file path will be written as (layout None: not known);
// bufferFile is the file that holds the binary buffer (path itself for a .glb).
void setOutput(const std::string& path, OutputLayout layout, const std::string& bufferFile);

// Places the lists of a mesh with these counts; returns why the scene cannot
// be written (a .glb past 4 GiB, a disk without room), or empty. Without a
// known output nothing happens.
std::string reserveMeshRoom(uint64_t vertices, uint64_t triangles, bool withTexCoords);

// The output file that holds lists, when it is the one for path and layout.
struct PlacedOutput {
    std::shared_ptr<MappedFile> file;
    uint64_t binaryStart = 0;                  // offset of the binary buffer in the file
    std::vector<const void*> lists;            // lists that live in the file now
};
bool placedOutputFor(const std::string& path, OutputLayout layout, PlacedOutput& out);
// The export wrote path (through the file or another way): the host forgets
// the output; a file that was not committed is discarded.
void outputWritten();
// Whether p is a list that lives in a scene file.
bool isPlacedList(const void* p);

}  // namespace detail
}  // namespace XSI
