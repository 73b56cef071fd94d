// libFuzzer target for the whole import: a terrain and a world file from the
// input, the driver with a console-like UI, the worker, the host's scene and
// its glTF export. What must always hold: the import either fails with a
// message, or the scene is written as glTF whose structure reads back
// (indices and views inside their buffers, accessor bounds that hold the
// data), and no position, camera or light is made of a non-finite number.
//
// Input: u16 terrain length n (low byte first), one byte of options, then n
// bytes of terrain file and the rest as the world file.
//   options bit 0-4: centre pivot, camera, sun, water, render settings
//   (set bit = off); bits 5-6: the scale, one of 0.1, 0.001, 10000, 1.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "fuzz/FuzzInputFile.h"
#include "host/HostControl.h"
#include "host/SceneExport.h"
#include "import/ImportSession.h"
#include "import/ProgressSink.h"

namespace {

using nlohmann::json;

class FuzzUi : public ImportUi, public ProgressSink {
public:
    uint8_t options = 0;
    std::string worldPath;
    std::vector<std::string> messages;

    std::string settingsFilePath(void*) override { return {}; }
    void loadSkinBitmaps(void*) override {}
    int showOptions(ImportSession& s) override {
        s.centerPivot = !(options & 1);
        s.importCamera = !(options & 2);
        s.importSun = !(options & 4);
        s.createWater = !(options & 8);
        s.importRender = !(options & 16);
        static const float kScales[4] = {0.1f, 0.001f, 10000.0f, 1.0f};
        s.scale = kScales[(options >> 5) & 3];
        std::strcpy(s.worldPath, worldPath.c_str());
        return 1;
    }
    int showProgress(ImportSession& s) override { return run(s); }
    void showMessage(ImportSession&, const char* text, unsigned) override { messages.push_back(text); }
    void receive(uint32_t, intptr_t) override {}
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "import fuzz: %s\n", what);
    std::abort();
}

void check(bool ok, const char* what) {
    if (!ok) fail(what);
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool finiteNumbers(const json& array, size_t count) {
    if (!array.is_array() || array.size() != count) return false;
    for (const auto& v : array)
        if (!v.is_number() || !std::isfinite(v.get<double>())) return false;
    return true;
}

// Every object the import left in the host holds finite numbers.
void checkScene() {
    for (const auto& o : XSI::HostControl::GetObjects()) {
        for (int a = 0; a < 3; ++a) check(std::isfinite(o.position[a]) && std::isfinite(o.pivot[a]), "scene position");
        if (o.type == "camera") check(std::isfinite(o.fov) && std::isfinite(o.roll), "camera fov or roll");
    }
}

// The exported .gltf + .bin read back: every reference inside its array,
// every view inside the buffer, every accessor inside its view, POSITION
// finite and within its min/max, every index below the vertex count.
void checkGltf(const std::string& gltfPath) {
    const json doc = json::parse(readAll(gltfPath), nullptr, false);
    check(!doc.is_discarded() && doc.is_object(), "glTF is not JSON");
    check(doc.at("asset").at("version") == "2.0", "asset version");
    const auto& nodes = doc.at("nodes");
    const json none = json::array();
    const auto& meshes = doc.contains("meshes") ? doc["meshes"] : none;
    const auto& accessors = doc.contains("accessors") ? doc["accessors"] : none;
    const auto& views = doc.contains("bufferViews") ? doc["bufferViews"] : none;
    const auto& cameras = doc.contains("cameras") ? doc["cameras"] : none;
    std::string bin;
    if (doc.contains("buffers")) {
        check(doc["buffers"].size() == 1, "one buffer");
        bin = readAll(gltfPath.substr(0, gltfPath.size() - 5) + ".bin");
        check(doc["buffers"][0].at("byteLength").get<size_t>() == bin.size(), "buffer length");
    }
    for (const auto& v : views) {
        const size_t offset = v.value("byteOffset", size_t{0}), length = v.at("byteLength").get<size_t>();
        check(v.at("buffer") == 0 && offset <= bin.size() && length <= bin.size() - offset, "view outside buffer");
    }
    // The floats or indices of accessor i, checked against its view.
    auto accessorData = [&](size_t i, size_t components) {
        check(i < accessors.size(), "accessor index");
        const auto& a = accessors[i];
        const size_t view = a.at("bufferView").get<size_t>();
        check(view < views.size(), "bufferView index");
        const size_t count = a.at("count").get<size_t>(), within = a.value("byteOffset", size_t{0});
        const size_t viewLength = views[view].at("byteLength").get<size_t>();
        check(count > 0 && within <= viewLength && count * components * 4 <= viewLength - within,
              "accessor outside its view");
        return std::make_pair(bin.data() + views[view].value("byteOffset", size_t{0}) + within, count);
    };
    for (const auto& mesh : meshes)
        for (const auto& primitive : mesh.at("primitives")) {
            const auto& attributes = primitive.at("attributes");
            const size_t position = attributes.at("POSITION").get<size_t>();
            const auto [data, vertices] = accessorData(position, 3);
            const auto& a = accessors[position];
            check(finiteNumbers(a.at("min"), 3) && finiteNumbers(a.at("max"), 3), "POSITION min/max");
            for (size_t k = 0; k < vertices * 3; ++k) {
                float p;
                std::memcpy(&p, data + 4 * k, 4);
                const double lo = a["min"][k % 3], hi = a["max"][k % 3];
                check(std::isfinite(p) && p >= lo && p <= hi, "POSITION outside min/max or not finite");
            }
            if (attributes.contains("TEXCOORD_0")) {
                const size_t uv = attributes["TEXCOORD_0"].get<size_t>();
                check(accessorData(uv, 2).second == vertices, "TEXCOORD_0 count");
            }
            const auto [indices, count] = accessorData(primitive.at("indices").get<size_t>(), 1);
            check(count % 3 == 0, "index count");
            for (size_t k = 0; k < count; ++k) {
                uint32_t index;
                std::memcpy(&index, indices + 4 * k, 4);
                check(index < vertices, "index past the vertices");
            }
        }
    for (const auto& node : nodes) {
        check(finiteNumbers(node.at("translation"), 3), "node translation");
        if (node.contains("rotation")) check(finiteNumbers(node["rotation"], 4), "node rotation");
        if (node.contains("mesh")) check(node["mesh"].get<size_t>() < meshes.size(), "mesh index");
        if (node.contains("camera")) check(node["camera"].get<size_t>() < cameras.size(), "camera index");
    }
    for (const auto& camera : cameras) {
        const auto& p = camera.at("perspective");
        const double yfov = p.at("yfov"), aspect = p.at("aspectRatio");
        check(std::isfinite(yfov) && yfov > 0 && std::isfinite(aspect) && aspect > 0, "camera perspective");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const size_t terrainSize = std::min<size_t>(data[0] | data[1] << 8, size - 3);
    const uint8_t options = data[2];
    const std::string& terrainPath = fuzzinput::scratchPath(".ter");
    static const std::string worldPath = terrainPath.substr(0, terrainPath.size() - 4) + "-world.tgw";
    static const std::string gltfPath = terrainPath.substr(0, terrainPath.size() - 4) + "-scene.gltf";
    if (!fuzzinput::writeScratch(terrainPath, data + 3, terrainSize) ||
        !fuzzinput::writeScratch(worldPath, data + 3 + terrainSize, size - 3 - terrainSize))
        return 0;

    XSI::HostControl::ResetHost();
    FuzzUi ui;
    ui.options = options;
    ui.worldPath = worldPath;
    bool imported;
    {
        ImportSession session;
        imported = session.RunImport(terrainPath.c_str(), ui);
    }
    if (!imported) {
        // A failed import says why, and says it once.
        check(ui.messages.size() == 1 && !ui.messages[0].empty(), "failed import without a message");
        return 0;
    }
    check(ui.messages.empty(), "message after a successful import");
    checkScene();
    const auto written = XSI::SceneExport::WriteGltf(gltfPath, XSI::SceneExport::GltfLayout::Separate);
    check(written.ok, "export failed");
    checkGltf(gltfPath);
    // The export replaces a non-finite number with 0 or the largest value and says so.
    for (const auto& line : XSI::HostControl::GetLog()) {
        const std::string text = line.text.str();
        if (text.rfind("export:", 0) == 0 && text.find("not a finite number") != std::string::npos)
            fail(text.c_str());
    }
    return 0;
}
