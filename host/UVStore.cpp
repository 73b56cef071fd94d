#include "host/UVStore.h"

#include <algorithm>
#include <cstring>

#include "host/MemoryHints.h"

namespace XSI {
namespace detail {

namespace {

// Values are one value when their bits are: +0 and -0 stay apart, and a NaN
// matches itself. A vertex's (u, v) pair and w against a node's (u, v, w).
inline bool sameValue(const float* pair, float w, const float* uvw) {
    uint64_t a01, b01;
    uint32_t a2, b2;
    std::memcpy(&a01, pair, 8);
    std::memcpy(&b01, uvw, 8);
    std::memcpy(&a2, &w, 4);
    std::memcpy(&b2, uvw + 2, 4);
    return a01 == b01 && a2 == b2;
}

inline bool isZeroBits(float w) {
    uint32_t bits;
    std::memcpy(&bits, &w, 4);
    return bits == 0;
}

}  // namespace

void UVStore::reset(uint32_t vertexCount, uint32_t nodeCount) {
    clear();
    vertexCount_ = vertexCount;
    nodeCount_ = nodeCount;
    {
        ListRoleScope scope(ListRole::TexCoords);
        memoryhints::reserveMapped(vertexPairs_, size_t{2} * vertexCount);
        vertexPairs_.resize(size_t{2} * vertexCount);  // fresh room: zeros, not written
    }
    vertexTaken_.assign((size_t{vertexCount} + 63) / 64, 0);
    nodeSet_.assign((size_t{nodeCount} + 63) / 64, 0);
}

float UVStore::vertexW(uint32_t vertex) const {
    if (vertexW_.empty()) return 0.0f;
    auto it = vertexW_.find(vertex);
    return it == vertexW_.end() ? 0.0f : it->second;
}

void UVStore::leaveFileForm() {
    BulkList<float> own;
    {
        ListRoleScope scope(ListRole::Anonymous);
        own.resize(vertexPairs_.size());
    }
    for (size_t i = 0; i < own.size(); i += 2) {
        own[i] = vertexPairs_[i];
        own[i + 1] = 1.0f - vertexPairs_[i + 1];
    }
    vertexPairs_ = std::move(own);
    fileForm_ = false;
}

bool UVStore::setShared(uint32_t node, uint32_t vertex, const float uvw[3]) {
    float* shared = &vertexPairs_[size_t{2} * vertex];
    if (!test(vertexTaken_, vertex)) {
        mark(vertexTaken_, vertex);
        shared[0] = uvw[0], shared[1] = uvw[1];
        if (!isZeroBits(uvw[2]))
            vertexW_[vertex] = uvw[2];
        else if (!vertexW_.empty())
            vertexW_.erase(vertex);
    } else if (!sameValue(shared, vertexW(vertex), uvw)) {
        differing_[node] = {uvw[0], uvw[1], uvw[2]};
        return false;
    }
    if (!differing_.empty()) differing_.erase(node);
    return true;
}

// Marks nodes first .. first+count-1 as set and counts the ones that were not.
void UVStore::markSet(uint32_t first, uint32_t count) {
    const uint64_t end = uint64_t{first} + count;
    for (uint64_t i = first; i < end;) {
        const size_t word = size_t(i >> 6);
        const unsigned lo = unsigned(i & 63);
        const uint64_t span = std::min<uint64_t>(64 - lo, end - i);
        const uint64_t bits = (span == 64 ? ~uint64_t{0} : ((uint64_t{1} << span) - 1)) << lo;
        setCount_ += uint64_t(__builtin_popcountll(bits & ~nodeSet_[word]));
        nodeSet_[word] |= bits;
        i += span;
    }
}

void UVStore::set(uint32_t node, const BulkList<uint32_t>& corners, const float uvw[3]) {
    setRange(node, 1, corners, uvw);
}

void UVStore::setRange(uint32_t first, uint32_t count, const BulkList<uint32_t>& corners, const float* values) {
    if (fileForm_) leaveFileForm();
    if (!perNode_) {
        uint32_t done = 0;
        // While no node differs from its vertex there is nothing to erase, and
        // a node that agrees needs no bookkeeping at all: the common case of a
        // whole mesh with one UV per vertex runs through this loop.
        if (differing_.empty() && vertexW_.empty()) {
            const uint32_t* vertexOf = corners.data() + first;
            float* shared = vertexPairs_.data();
            uint64_t* taken = vertexTaken_.data();
            for (; done < count; ++done) {
                const uint32_t vertex = vertexOf[done];
                const float* uvw = values + size_t{3} * done;
                if (!isZeroBits(uvw[2])) break;  // a w to keep: the general loop takes over
                float* s = shared + size_t{2} * vertex;
                uint64_t& word = taken[vertex >> 6];
                const uint64_t bit = uint64_t{1} << (vertex & 63);
                if (!(word & bit)) {
                    word |= bit;
                    s[0] = uvw[0], s[1] = uvw[1];
                } else if (!sameValue(s, 0.0f, uvw)) {
                    break;  // the first differing node: the general loop takes over
                }
            }
        }
        for (; done < count; ++done) {
            const uint32_t node = first + done;
            const float* uvw = values + size_t{3} * done;
            // The list costs several times a plain array entry: switch before it grows past that.
            if (!setShared(node, corners[node], uvw) && tooManyDiffering()) {
                markSet(first, done + 1);
                switchToPerNode(corners);
                ++done;
                break;
            }
        }
        if (!perNode_) {
            markSet(first, count);
            return;
        }
        first += done;
        values += size_t{3} * done;
        count -= done;
    }
    std::copy_n(values, size_t{3} * count, nodeValues_.begin() + size_t{3} * first);
}

void UVStore::get(uint32_t node, const BulkList<uint32_t>& corners, float uvw[3]) const {
    if (perNode_) {
        std::copy_n(nodeValues_.begin() + size_t{3} * node, 3, uvw);
        return;
    }
    if (!test(nodeSet_, node)) {
        uvw[0] = uvw[1] = uvw[2] = 0.0f;
        return;
    }
    auto it = differing_.find(node);
    if (it != differing_.end()) {
        std::copy_n(it->second.begin(), 3, uvw);
        return;
    }
    const uint32_t vertex = corners[node];
    const float* pair = &vertexPairs_[size_t{2} * vertex];
    uvw[0] = pair[0];
    uvw[1] = fileForm_ ? 1.0f - pair[1] : pair[1];
    uvw[2] = vertexW(vertex);
}

void UVStore::switchToPerNode(const BulkList<uint32_t>& corners) {
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
