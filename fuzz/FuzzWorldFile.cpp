// libFuzzer target for the world reader: read the file, then make the
// lookups the camera, sun and water steps make, and walk the whole tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formats/WorldCatalogue.h"
#include "formats/WorldFile.h"
#include "fuzz/FuzzInputFile.h"

namespace {

// Every row of the group's table, plus the rows just outside it.
void lookUpValues(const WorldGroup& group) {
    const WorldValueTable table = worldcatalogue::valueTable(group.type);
    for (int32_t row = -1; row <= table.count; ++row) {
        volatile float f = group.getFloat(row);
        volatile uint32_t i = group.getInt(row);
        (void)f;
        (void)i;
    }
}

void checkText(const char* text, size_t capacity) {
    if (std::memchr(text, '\0', capacity) == nullptr) std::abort();  // unterminated
}

// Iterative, so a deep tree tests the reader's depth bound, not ours.
size_t walk(const WorldGroup& root) {
    size_t visited = 0;
    std::vector<const WorldGroup*> pending{&root};
    while (!pending.empty()) {
        const WorldGroup* group = pending.back();
        pending.pop_back();
        ++visited;
        checkText(group->name, sizeof group->name);
        checkText(group->errorText, sizeof group->errorText);
        lookUpValues(*group);
        for (const auto& value : group->values) {
            if (!value) std::abort();
            checkText(value->errorText, sizeof value->errorText);
            if (value->data.size() % 4 != 0) std::abort();  // payloads are padded
            volatile size_t n = std::strlen(valueName(*value));
            (void)n;
            (void)valueTypeCode(value->groupType, value->rowIndex);
        }
        for (const auto& child : group->children) {
            if (!child || child->parent != group) std::abort();
            pending.push_back(child.get());
        }
    }
    return visited;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzzinput::scratchPath(".tgw");
    if (!fuzzinput::writeScratch(path, data, size)) return 0;

    WorldFile world;
    // A failed read keeps what it had read; the lookups below must cope.
    (void)world.read(path.c_str());
    checkText(world.errorText, sizeof world.errorText);
    if (world.stream) std::abort();  // the stream is closed when read returns

    static const char* const kPaths[] = {
        "WLDG", "ANIM", "TERR", "WATR", "MPFX", "MPFX\\TERR", "WATR\\PEFL",
        "TERR\\TERM", "WLDG\\", "\\", "", "\\WLDG", "WLDG\\\\WLDG", "wldg",
        "MPFX\\TERR\\EFID\\SETT\\X", "A\\B\\C\\D\\E\\F\\G\\H\\I\\J\\K\\L\\M\\N"};
    for (const char* p : kPaths) {
        if (WorldGroup* g = world.findGroup(p)) {
            lookUpValues(*g);
            for (const char* q : kPaths) (void)g->findGroup(q);
        }
    }
    if (WorldGroup* render = world.findGroup("WLDG")) {
        for (const char* tag : {"CAMX", "CAMY", "CAMZ", "TARX", "ZOOM", "PXAS", "CAMB"})
            (void)render->getFloat(findValueIndex(WGT_WLDG, tag));
        for (const char* tag : {"IMWI", "IMHI", "BUFS"})
            (void)render->getInt(findValueIndex(WGT_WLDG, tag));
    }
    if (WorldGroup* water = world.findGroup("WATR"))
        (void)water->getFloat(findValueIndex(WGT_WATR, "LEVL"));
    if (world.atmosphereGroup) {
        if (WorldGroup* sun = world.atmosphereGroup->findGroup("SUN ")) {
            for (int32_t row = 0; row < 4; ++row) (void)sun->getFloat(row);
        }
        (void)world.atmosphereGroup->findGroup("LIGT\\SUN ");
    }
    if (world.surfaceMapGroup) (void)world.surfaceMapGroup->findGroup("TERM\\BMTX");

    for (const auto& g : world.groups) {
        if (!g) std::abort();
        walk(*g);
    }
    if (world.surfaceMapGroup) walk(*world.surfaceMapGroup);
    if (world.atmosphereGroup) walk(*world.atmosphereGroup);
    return 0;
}
