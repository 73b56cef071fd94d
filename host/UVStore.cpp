#include "host/UVStore.h"

#include <algorithm>

namespace XSI {
namespace detail {

void UVStore::reset(uint32_t vertexCount, uint32_t nodeCount) {
    clear();
    vertexCount_ = vertexCount;
    nodeCount_ = nodeCount;
    vertexValues_.assign(size_t{3} * vertexCount, 0.0f);
    vertexTaken_.assign(vertexCount, false);
    nodeSet_.assign(nodeCount, false);
}

void UVStore::set(uint32_t node, const std::vector<uint32_t>& corners, const float uvw[3]) {
    const uint32_t vertex = corners[node];
    if (perNode_) {
        std::copy_n(uvw, 3, nodeValues_.begin() + size_t{3} * node);
        return;
    }
    float* shared = &vertexValues_[size_t{3} * vertex];
    if (!vertexTaken_[vertex]) {
        vertexTaken_[vertex] = true;
        std::copy_n(uvw, 3, shared);
        if (!differing_.empty()) differing_.erase(node);
    } else if (shared[0] == uvw[0] && shared[1] == uvw[1] && shared[2] == uvw[2]) {
        if (!differing_.empty()) differing_.erase(node);
    } else {
        differing_[node] = {uvw[0], uvw[1], uvw[2]};
    }
    if (!nodeSet_[node]) {
        nodeSet_[node] = true;
        ++setCount_;
    }
    // The list costs several times a plain array entry: switch before it grows past that.
    if (differing_.size() > nodeCount_ / 16 + 1024) switchToPerNode(corners);
}

void UVStore::get(uint32_t node, const std::vector<uint32_t>& corners, float uvw[3]) const {
    if (perNode_) {
        std::copy_n(nodeValues_.begin() + size_t{3} * node, 3, uvw);
        return;
    }
    if (!nodeSet_[node]) {
        uvw[0] = uvw[1] = uvw[2] = 0.0f;
        return;
    }
    auto it = differing_.find(node);
    if (it != differing_.end()) {
        std::copy_n(it->second.begin(), 3, uvw);
        return;
    }
    std::copy_n(vertexValues_.begin() + size_t{3} * corners[node], 3, uvw);
}

void UVStore::switchToPerNode(const std::vector<uint32_t>& corners) {
    std::vector<float> values(size_t{3} * nodeCount_);
    for (uint32_t n = 0; n < nodeCount_; ++n) get(n, corners, &values[size_t{3} * n]);
    const uint32_t vertices = vertexCount_, nodes = nodeCount_;
    clear();
    vertexCount_ = vertices;
    nodeCount_ = nodes;
    nodeValues_ = std::move(values);
    perNode_ = true;
}

}  // namespace detail
}  // namespace XSI
