#pragma once
// UV values of a mesh: one (u, v, w) per polygon node, held compactly.
//
// Most meshes give all nodes of a vertex the same UV (a terrain always does),
// so the store keeps one value per vertex and lists only the nodes that
// differ from their vertex's value. A node never set reads (0, 0, 0). When
// the nodes that differ become many (more than one in 16), the store turns
// into a plain array of one value per node, which is smaller at that point.
//
// The per-vertex values are (u, v) pairs, the shape of the exported texture
// coordinates, so that the list can live where the scene file holds them
// (its room is a ListRole::TexCoords list); w is kept apart, only where it is
// not 0. The export may turn the pairs into the file's form in place, (u,
// 1 - v) with non-finite values replaced (toFileForm); the store then reads
// its values back from that form, and a later change first copies the pairs
// out of the file into memory of their own.
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/BulkList.h"

namespace XSI {
namespace detail {

class UVStore {
public:
    // Every node unset (reads 0). Throws std::bad_alloc when there is no room.
    void reset(uint32_t vertexCount, uint32_t nodeCount);
    void clear() { *this = UVStore(); }

    // corners: the mesh's vertex of each node.
    void set(uint32_t node, const BulkList<uint32_t>& corners, const float uvw[3]);
    // count nodes from first on, from count (u, v, w) triples: one pass
    // without per-node bookkeeping, for whole meshes.
    void setRange(uint32_t first, uint32_t count, const BulkList<uint32_t>& corners, const float* values);
    void get(uint32_t node, const BulkList<uint32_t>& corners, float uvw[3]) const;

    // True when every node was set and agrees with its vertex: the per-vertex
    // values then are the whole property.
    bool perVertex() const { return !perNode_ && setCount_ == nodeCount_ && differing_.empty(); }
    // (u, v) per vertex, meaningful when perVertex(); in the file's form when fileForm().
    BulkList<float>& vertexPairs() { return vertexPairs_; }
    const BulkList<float>& vertexPairs() const { return vertexPairs_; }
    bool fileForm() const { return fileForm_; }
    // The export turned the pairs into the file's form.
    void markFileForm() { fileForm_ = true; }
    bool isPerNode() const { return perNode_; }

private:
    // Bit sets kept as 64-bit words, so that a run of nodes is marked word by word.
    static bool test(const std::vector<uint64_t>& bits, uint32_t i) { return (bits[i >> 6] >> (i & 63)) & 1; }
    static void mark(std::vector<uint64_t>& bits, uint32_t i) { bits[i >> 6] |= uint64_t{1} << (i & 63); }
    // Stores one node's value in the compact form; false when it had to be
    // listed as differing from its vertex.
    bool setShared(uint32_t node, uint32_t vertex, const float uvw[3]);
    void markSet(uint32_t first, uint32_t count);
    // Back from the file's form, into memory of the store's own.
    void leaveFileForm();
    float vertexW(uint32_t vertex) const;
    bool tooManyDiffering() const { return differing_.size() > nodeCount_ / 16 + 1024; }
    void switchToPerNode(const BulkList<uint32_t>& corners);

    uint32_t vertexCount_ = 0, nodeCount_ = 0;
    bool perNode_ = false;
    // compact form
    BulkList<float> vertexPairs_;               // (u, v) per vertex
    std::unordered_map<uint32_t, float> vertexW_;  // w of a vertex, where it is not 0
    bool fileForm_ = false;                     // the pairs hold (u, 1 - v) as the file does
    std::vector<uint64_t> vertexTaken_;         // bits: the vertex's value came from a set node
    std::vector<uint64_t> nodeSet_;             // bits: the node was set
    uint64_t setCount_ = 0;
    std::unordered_map<uint32_t, std::array<float, 3>> differing_;
    // plain form
    std::vector<float> nodeValues_;             // 3 per node
};

}  // namespace detail
}  // namespace XSI
