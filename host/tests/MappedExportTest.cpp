// The export through the output's own storage (the host told its output
// before the scene is built) against the export from memory; what a failed
// or abandoned output leaves; a disk without room; the early .glb refusal;
// the normals Build finds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/HostControl.h"
#include "host/HostState.h"
#include "host/ListStorage.h"
#include "host/MappedFile.h"
#include "host/SceneExport.h"
#include "host/XsiApplication.h"
#include "host/tests/SampleScene.h"

#ifdef _WIN32
#include <windows.h>
#endif
#ifdef __linux__
#include <sys/mount.h>
#include <unistd.h>
#endif

using namespace XSI;
using SceneExport::GltfLayout;
namespace fs = std::filesystem;

namespace {

// A grid whose lists are past the size the host keeps in the output's storage.
constexpr int32_t kGrid = 300;

struct Folder {
    fs::path path;
    Folder() {
        path = fs::temp_directory_path() / ("vq-mapped-" + std::to_string(std::rand()) + "-" +
                                            std::to_string(reinterpret_cast<uintptr_t>(this)));
        fs::create_directories(path);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::set<std::string> names() const {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(path)) out.insert(e.path().filename().string());
        return out;
    }
};

std::vector<char> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

const detail::MeshData& meshOf(const char* name) {
    return detail::hostState().findByName(name)->mesh;
}

TEST(MappedExport, mapped_and_memory_paths_write_the_same_scene) {
    Folder dir;
    for (const GltfLayout layout : {GltfLayout::Binary, GltfLayout::Separate}) {
        const std::string ext = layout == GltfLayout::Binary ? ".glb" : ".gltf";
        const fs::path memory = dir.path / ("memory" + ext), mapped = dir.path / ("mapped" + ext);
        ASSERT_TRUE(sample::BuildSampleScene(false, kGrid, kGrid));
        EXPECT_FALSE(detail::isPlacedList(meshOf("grid").positions.data()));
        ASSERT_TRUE(SceneExport::WriteGltf(memory.string(), layout).ok);

        ASSERT_TRUE(sample::BuildSampleScene(false, kGrid, kGrid, mapped.string(), layout));
        const detail::MeshData& grid = meshOf("grid");
        for (const void* list : {static_cast<const void*>(grid.positions.data()),
                                 static_cast<const void*>(grid.normals.data()),
                                 static_cast<const void*>(grid.uv.vertexPairs().data()),
                                 static_cast<const void*>(grid.corners.data())})
            EXPECT_TRUE(detail::isPlacedList(list)) << ext;
        const auto written = SceneExport::WriteGltf(mapped.string(), layout);
        ASSERT_TRUE(written.ok) << written.errorText;

        if (layout == GltfLayout::Binary) {
            const std::vector<char> a = readBytes(memory), b = readBytes(mapped);
            EXPECT_TRUE(a == b) << "sizes " << a.size() << " and " << b.size();
            ASSERT_GT(b.size(), 65536u);
            uint32_t jsonLength = 0;
            std::memcpy(&jsonLength, b.data() + 12, 4);
            EXPECT_EQ(jsonLength, 65536u - 28);  // the binary chunk's data starts at 64 KiB
            EXPECT_EQ(written.bytesWritten, b.size());
        } else {
            EXPECT_TRUE(readBytes(dir.path / "memory.bin") == readBytes(dir.path / "mapped.bin"));
            auto a = nlohmann::json::parse(readBytes(memory)), b = nlohmann::json::parse(readBytes(mapped));
            EXPECT_EQ(a["buffers"][0]["uri"], "memory.bin");
            EXPECT_EQ(b["buffers"][0]["uri"], "mapped.bin");
            a["buffers"][0].erase("uri");
            b["buffers"][0].erase("uri");
            EXPECT_EQ(a, b);
        }
        // The host still answers the UVs it was given: node 5 is the first
        // cell's far corner, vertex (1, 1) of the grid.
        float uv[3];
        ASSERT_TRUE(ClusterProperty(detail::hostState().findByName("grid")->id).GetValue(5, uv));
        EXPECT_NEAR(uv[0], 1.0f / (kGrid - 1), 1e-7);
        EXPECT_NEAR(uv[1], 1.0f / (kGrid - 1), 1e-7);
        EXPECT_EQ(uv[2], 0.0f);
    }
    std::set<std::string> expected = {"memory.glb", "mapped.glb", "memory.gltf", "memory.bin", "mapped.gltf",
                                      "mapped.bin"};
    EXPECT_EQ(dir.names(), expected);  // no temporary file left
}

// Linux removes an abandoned output at once; Windows cannot remove a file
// while it is mapped, so it goes when the scene lets go of its lists.
void abandonOutput() {
    SceneExport::SetOutput("", GltfLayout::Binary);
#ifdef _WIN32
    HostControl::ResetHost();
#endif
}

TEST(MappedExport, abandoned_or_failed_output_leaves_no_file_and_the_old_one_as_it_was) {
    Folder dir;
    const fs::path old = dir.path / "scene.glb";
    writeText(old, "old scene");
    // An import that fails or is cancelled forgets its output.
    ASSERT_TRUE(sample::BuildSampleScene(false, kGrid, kGrid, old.string(), GltfLayout::Binary));
    ASSERT_TRUE(detail::isPlacedList(meshOf("grid").positions.data()));
    abandonOutput();
    EXPECT_EQ(dir.names(), std::set<std::string>{"scene.glb"});
    const std::vector<char> oldBytes = readBytes(old);
    EXPECT_EQ(std::string(oldBytes.begin(), oldBytes.end()), "old scene");

    // The last step, the rename, fails: the target is a folder with a file in it.
    const fs::path blocked = dir.path / "blocked.glb";
    fs::create_directories(blocked / "inside");
    ASSERT_TRUE(sample::BuildSampleScene(false, kGrid, kGrid, blocked.string(), GltfLayout::Binary));
    const auto written = SceneExport::WriteGltf(blocked.string(), GltfLayout::Binary);
    EXPECT_FALSE(written.ok);
    EXPECT_NE(written.errorText.find("cannot rename"), std::string::npos) << written.errorText;
    abandonOutput();
    EXPECT_EQ(dir.names(), (std::set<std::string>{"scene.glb", "blocked.glb"}));
    EXPECT_TRUE(fs::is_directory(blocked / "inside"));
    HostControl::ResetHost();
}

TEST(MappedExport, glb_past_4_gib_is_refused_when_the_mesh_is_reserved) {
    Folder dir;
    struct Case {
        bool outputKnown;
        GltfLayout layout;
        uint32_t vertices;
        uint64_t triangles;
        bool refused;
    };
    // 10000 x 10000 points: 2.4 GB of positions and normals, 0.8 GB of UVs, 2.4 GB of corners.
    const uint64_t bigTriangles = uint64_t{2} * 9999 * 9999;
    for (const Case& c : {Case{true, GltfLayout::Binary, 100000000, bigTriangles, true},
                          Case{false, GltfLayout::Binary, 100000000, bigTriangles, false},
                          Case{true, GltfLayout::Binary, 20000000, 0, false}}) {  // 640 MB: room to spare
        HostControl::ResetHost();
        const fs::path out = dir.path / "big.glb";
        if (c.outputKnown) SceneExport::SetOutput(out.string(), c.layout);
        X3DObject object;
        CMeshBuilder builder;
        ASSERT_EQ(Application().GetActiveSceneRoot().AddPolygonMesh("big", object, builder), CStatus::OK);
        ASSERT_EQ(builder.AddVertices(int32_t(c.vertices)), CStatus::OK);
        const CStatus reserved = builder.ReserveMesh(c.triangles, true);
        if (c.refused) {
            EXPECT_EQ(reserved, CStatus::Fail);
            EXPECT_EQ(reserved.GetDescription().str(), "the scene is too large for one .glb file (4 GiB at most)");
            EXPECT_TRUE(dir.names().empty());  // refused before any file was made
        } else {
            EXPECT_EQ(reserved, CStatus::OK) << reserved.GetDescription().str();
        }
        SceneExport::SetOutput("", c.layout);
        EXPECT_TRUE(dir.names().empty());
    }
    HostControl::ResetHost();
}

// Reserves the room of a kGrid x kGrid terrain for out, as the import does
// before it builds the mesh, then forgets the output; the reservation's
// failure text, or "" when it succeeded.
static std::string reserveGridRoom(const fs::path& out) {
    HostControl::ResetHost();
    SceneExport::SetOutput(out.string(), GltfLayout::Binary);
    X3DObject object;
    CMeshBuilder builder;
    EXPECT_EQ(Application().GetActiveSceneRoot().AddPolygonMesh("grid", object, builder), CStatus::OK);
    EXPECT_EQ(builder.AddVertices(kGrid * kGrid), CStatus::OK);
    const CStatus reserved = builder.ReserveMesh(uint64_t{2} * (kGrid - 1) * (kGrid - 1), true);
    const std::string text = reserved == CStatus::OK ? "" : reserved.GetDescription().str();
    SceneExport::SetOutput("", GltfLayout::Binary);
    HostControl::ResetHost();
    return text;
}

// The faults a test sets end with it, whatever it asserts.
struct MappingFaultScope {
    explicit MappingFaultScope(const detail::MappingFaults& faults) { detail::setMappingFaults(faults); }
    ~MappingFaultScope() { detail::setMappingFaults({}); }
};

TEST(MappedExport, every_refusal_to_map_keeps_the_lists_in_memory_and_writes_the_same_bytes) {
    Folder dir;
    ASSERT_TRUE(sample::BuildSampleScene(false, kGrid, kGrid, (dir.path / "mapped.glb").string(), GltfLayout::Binary));
    ASSERT_TRUE(detail::isPlacedList(meshOf("grid").positions.data()));
    ASSERT_TRUE(SceneExport::WriteGltf((dir.path / "mapped.glb").string(), GltfLayout::Binary).ok);
    const std::vector<char> mappedBytes = readBytes(dir.path / "mapped.glb");
    // No room in the address space, and file systems that map no file for
    // shared writing (network and user-space mounts).
#ifdef _WIN32
    const int refusals[] = {ERROR_NOT_ENOUGH_MEMORY, ERROR_ACCESS_DENIED, ERROR_INVALID_PARAMETER,
                            ERROR_NOT_SUPPORTED};
#else
    const int refusals[] = {ENOMEM, ENODEV, EINVAL, EACCES, EPERM};
#endif
    for (const int code : refusals) {
        MappingFaultScope faults({0, code});
        const fs::path out = dir.path / ("refused-" + std::to_string(code) + ".glb");
        ASSERT_TRUE(sample::BuildSampleScene(false, kGrid, kGrid, out.string(), GltfLayout::Binary)) << code;
        EXPECT_FALSE(detail::isPlacedList(meshOf("grid").positions.data())) << code;
        const auto written = SceneExport::WriteGltf(out.string(), GltfLayout::Binary);
        ASSERT_TRUE(written.ok) << code << ": " << written.errorText;
        EXPECT_TRUE(readBytes(out) == mappedBytes) << code;
    }
    std::set<std::string> names = {"mapped.glb"};
    for (const int code : refusals) names.insert("refused-" + std::to_string(code) + ".glb");
    EXPECT_EQ(dir.names(), names) << "no temporary file left";
    HostControl::ResetHost();
}

TEST(MappedExport, full_disk_fails_at_the_reservation_even_where_mapping_is_refused) {
    Folder dir;
#ifdef _WIN32
    const int full = ERROR_DISK_FULL, refused = ERROR_ACCESS_DENIED;
    const std::string message = "";  // the system words it
#else
    const int full = ENOSPC, refused = ENODEV;
    const std::string message = std::strerror(ENOSPC);
#endif
    const fs::path out = dir.path / "scene.glb";
    writeText(out, "old scene");
    MappingFaultScope faults({full, refused});
    const std::string text = reserveGridRoom(out);
    EXPECT_NE(text.find("cannot reserve"), std::string::npos) << text;
    EXPECT_NE(text.find(message), std::string::npos) << text;
    EXPECT_EQ(dir.names(), std::set<std::string>{"scene.glb"});
    const std::vector<char> oldBytes = readBytes(out);
    EXPECT_EQ(std::string(oldBytes.begin(), oldBytes.end()), "old scene");
}

#ifdef __linux__
TEST(MappedExport, disk_without_room_fails_at_the_reservation_and_leaves_nothing) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    Folder dir;
    if (mount("tmpfs", dir.path.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a 1 MB tmpfs here: " << std::strerror(errno);
    const std::string text = reserveGridRoom(dir.path / "scene.glb");
    EXPECT_NE(text.find("cannot reserve"), std::string::npos) << text;
    EXPECT_NE(text.find(std::strerror(ENOSPC)), std::string::npos) << text;
    EXPECT_TRUE(dir.names().empty());
    umount2(dir.path.c_str(), MNT_DETACH);
}
#endif

// Normals from first principles: a plane's normal is its own; a vertex shared
// by two faces leans towards the larger; a vertex of degenerate faces only points up.
TEST(MeshNormals, build_finds_area_weighted_unit_normals) {
    struct Case {
        const char* what;
        std::vector<double> positions;
        std::vector<uint32_t> corners;
        uint32_t vertex;
        float expected[3];
    };
    const float r = float(1.0 / std::sqrt(2.0));
    const std::vector<Case> cases = {
        {"flat, counter-clockwise from above", {0, 0, 0, 0, 0, 1, 1, 0, 0}, {0, 1, 2}, 0, {0, 1, 0}},
        {"plane y = x", {0, 0, 0, 0, 0, 1, 1, 1, 0}, {0, 1, 2}, 2, {-r, r, 0}},
        // Vertex 0 is in a flat triangle of area 2 and a wall (facing +Z) of
        // area 0.5: (0, 4, 0) + (0, 0, 1), made unit.
        {"two faces weighted by area",
         {0, 0, 0, 0, 0, 2, 2, 0, 0, 1, 0, 0, 0, 1, 0},
         {0, 1, 2, 0, 3, 4},
         0,
         {0, float(4 / std::sqrt(17.0)), float(1 / std::sqrt(17.0))}},
        {"only degenerate faces", {0, 0, 0, 1, 1, 1, 2, 2, 2}, {0, 1, 2}, 1, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        HostControl::ResetHost();
        X3DObject object;
        CMeshBuilder builder;
        ASSERT_EQ(Application().GetActiveSceneRoot().AddPolygonMesh("m", object, builder), CStatus::OK);
        ASSERT_EQ(builder.AddVertices(int32_t(c.positions.size() / 3), c.positions.data()), CStatus::OK);
        ASSERT_EQ(builder.AddTriangles(int32_t(c.corners.size() / 3), c.corners.data()), CStatus::OK);
        ASSERT_EQ(builder.Build(), CStatus::OK);
        const detail::MeshData& m = meshOf("m");
        ASSERT_EQ(m.normals.size(), c.positions.size()) << c.what;
        for (int a = 0; a < 3; ++a) EXPECT_NEAR(m.normals[3 * c.vertex + a], c.expected[a], 1e-6) << c.what;
    }
    HostControl::ResetHost();
}

}  // namespace
