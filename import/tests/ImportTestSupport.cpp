#include "import/tests/ImportTestSupport.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <fstream>

#include "import/ImportWorker.h"

namespace importtest {

std::vector<int16_t> defaultSamples(uint16_t xPoints, uint16_t yPoints) {
    std::vector<int16_t> s(size_t{xPoints} * yPoints);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(int(i * 37 % 2000) - 1000);
    return s;
}

std::string writeTerrain(const TempFolder& folder, const std::string& name, const TerrainParams& p) {
    tergen::TerrainParams params;
    params.xPoints = p.xPoints;
    params.yPoints = p.yPoints;
    params.scale = p.scal;
    params.heightScale = p.heightScale;
    params.baseHeight = p.baseHeight;
    params.samples = p.samples.empty() ? defaultSamples(p.xPoints, p.yPoints) : p.samples;
    return folder.write(name, tergen::terrainBytes(params));
}

std::string writeWorld(const TempFolder& folder, const std::string& name, const std::vector<tergen::Chunk>& chunks) {
    return folder.write(name, tergen::worldBytes(chunks));
}

void RecordingSink::receive(uint32_t message, intptr_t lParam) {
    Event e;
    e.message = message;
    if (message == WM_IMPORT_STATUS) e.text = reinterpret_cast<const char*>(lParam);
    if (message == WM_IMPORT_PROGRESS) e.count = static_cast<uint32_t>(lParam);
    e.total = session_ ? session_->progressTotal : 0;
    events.push_back(e);
    if (onEvent && session_) onEvent(*session_, e);
}

int ScriptedUi::showOptions(ImportSession& session) {
    calls.push_back("options");
    if (editOptions) editOptions(session);
    return optionsResult;
}

int ScriptedUi::showProgress(ImportSession& session) {
    calls.push_back("progress");
    current = &session;
    progressResult = sink.run(session);
    return progressResult;
}

void ScriptedUi::showMessage(ImportSession&, const char* text, unsigned style) {
    calls.push_back("message");
    messages.push_back(text);
    EXPECT_EQ(style, 0u);
}

std::vector<std::string> commandNames() {
    std::vector<std::string> names;
    for (const auto& c : XSI::HostControl::GetCommands()) names.push_back(c.name.str());
    return names;
}

namespace {

template <typename T>
std::vector<T> readAccessor(const nlohmann::json& doc, const std::string& bin, int index, int components) {
    const auto& accessor = doc["accessors"][index];
    const auto& view = doc["bufferViews"][accessor["bufferView"].get<int>()];
    const size_t offset = view.value("byteOffset", 0) + accessor.value("byteOffset", 0);
    const size_t count = accessor["count"].get<size_t>() * components;
    std::vector<T> out(count);
    if (offset + count * sizeof(T) <= bin.size()) std::memcpy(out.data(), bin.data() + offset, count * sizeof(T));
    return out;
}

}  // namespace

GltfMesh readGltfMesh(const std::string& gltfPath, const std::string& nodeName) {
    GltfMesh mesh;
    const nlohmann::json doc = nlohmann::json::parse(readWholeFile(gltfPath), nullptr, false);
    if (doc.is_discarded()) return mesh;
    const std::string binName = doc["buffers"][0]["uri"].get<std::string>();
    const std::string dir = gltfPath.substr(0, gltfPath.find_last_of("/\\") + 1);
    const std::string bin = readWholeFile(dir + binName);
    for (const auto& node : doc["nodes"]) {
        if (node.value("name", "") != nodeName || !node.contains("mesh")) continue;
        const auto& primitive = doc["meshes"][node["mesh"].get<int>()]["primitives"][0];
        mesh.positions = readAccessor<float>(doc, bin, primitive["attributes"]["POSITION"].get<int>(), 3);
        if (primitive["attributes"].contains("TEXCOORD_0"))
            mesh.texcoords = readAccessor<float>(doc, bin, primitive["attributes"]["TEXCOORD_0"].get<int>(), 2);
        mesh.indices = readAccessor<uint32_t>(doc, bin, primitive["indices"].get<int>(), 1);
        if (node.contains("translation"))
            for (int i = 0; i < 3; ++i) mesh.translation[i] = node["translation"][i].get<double>();
        mesh.found = true;
    }
    return mesh;
}

}  // namespace importtest
