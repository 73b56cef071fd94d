// The compact UV store must read back exactly what each node was given.
#include <gtest/gtest.h>

#include <vector>

#include "host/UVStore.h"

using XSI::detail::UVStore;

namespace {

std::vector<float> read(const UVStore& store, uint32_t node, const std::vector<uint32_t>& corners) {
    std::vector<float> v(3);
    store.get(node, corners, v.data());
    return v;
}

TEST(UVStore, nodes_of_a_vertex_that_agree_are_per_vertex) {
    const std::vector<uint32_t> corners = {0, 1, 2, 2, 1, 3};
    UVStore store;
    store.reset(4, 6);
    EXPECT_FALSE(store.perVertex()) << "unset nodes read 0 and are not yet a per-vertex property";
    const float uv[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    for (uint32_t n = 0; n < 6; ++n) store.set(n, corners, uv[corners[n]]);
    EXPECT_TRUE(store.perVertex());
    EXPECT_EQ(std::vector<float>(store.vertexValues().begin() + 9, store.vertexValues().end()),
              (std::vector<float>{1, 1, 0}));
}

TEST(UVStore, a_differing_node_keeps_its_own_value_and_can_rejoin) {
    const std::vector<uint32_t> corners = {0, 1, 2, 0, 2, 3};
    UVStore store;
    store.reset(4, 6);
    const float a[3] = {0.25f, 0.5f, 0}, b[3] = {0.75f, 0.5f, 0};
    for (uint32_t n = 0; n < 6; ++n) store.set(n, corners, a);
    store.set(3, corners, b);  // vertex 0 again, another value
    EXPECT_FALSE(store.perVertex());
    EXPECT_EQ(read(store, 0, corners), (std::vector<float>{0.25f, 0.5f, 0}));
    EXPECT_EQ(read(store, 3, corners), (std::vector<float>{0.75f, 0.5f, 0}));
    // The node that gave the vertex its value changes: the other node keeps the old one.
    store.set(0, corners, b);
    EXPECT_EQ(read(store, 0, corners), (std::vector<float>{0.75f, 0.5f, 0}));
    store.set(0, corners, a);
    store.set(3, corners, a);
    EXPECT_TRUE(store.perVertex());
}

TEST(UVStore, many_differing_nodes_turn_it_into_a_plain_array_without_losing_values) {
    // Every triangle has its own UVs: 3000 triangles over 4 shared vertices.
    const uint32_t triangles = 3000;
    std::vector<uint32_t> corners;
    for (uint32_t t = 0; t < triangles; ++t) corners.insert(corners.end(), {0, 1, 2 + t % 2});
    UVStore store;
    store.reset(4, uint32_t(corners.size()));
    for (uint32_t n = 0; n < corners.size(); ++n) {
        const float value[3] = {float(n), float(n) / 2, 0};
        store.set(n, corners, value);
    }
    EXPECT_TRUE(store.isPerNode());
    for (uint32_t n : {0u, 1u, 1500u, 8999u}) EXPECT_EQ(read(store, n, corners), (std::vector<float>{float(n), float(n) / 2, 0}));
}

TEST(UVStore, a_range_that_starts_agreeing_and_then_differs_keeps_every_value) {
    // Nodes 0..3 agree with their vertices; node 4 gives vertex 0 another value.
    const std::vector<uint32_t> corners = {0, 1, 2, 1, 0, 2};
    const std::vector<float> values = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0.5f, 0.5f, 0, 0, 1, 0};
    UVStore store;
    store.reset(3, 6);
    store.setRange(0, 6, corners, values.data());
    EXPECT_FALSE(store.perVertex());
    for (uint32_t n = 0; n < 6; ++n)
        EXPECT_EQ(read(store, n, corners), std::vector<float>(values.begin() + 3 * n, values.begin() + 3 * n + 3)) << n;
}

}  // namespace
