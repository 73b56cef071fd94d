#pragma once
// The JSON of an exported scene: the glTF document (nodes, meshes with their
// accessors and buffer views, cameras, the sun, the scene's extras) and the
// scene report. The binary buffer's layout comes from host/GltfBinary.h.
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/GltfBinary.h"
#include "host/HostState.h"

namespace XSI {
namespace detail {
namespace gltf {

using json = nlohmann::ordered_json;

struct Document {
    json root;
    std::vector<MeshPlan> plans;          // meshes with polygons, in scene order
    std::vector<MeshPlan*> bufferOrder;   // the same, in the buffer's order
    uint64_t binLength = 0;
};

// The document for the host's scene; binUri names the buffer's file (empty
// for a .glb). Warnings about values replaced go to the host log.
void buildDocument(HostStateData& host, const std::string& binUri, Document& doc);
json reportJson(HostStateData& host);
// A file name as a URI path segment.
std::string percentEncode(const std::string& name);

}  // namespace gltf
}  // namespace detail
}  // namespace XSI
