#include "formats/WorldFile.h"

#include <cstring>
#include <new>

#include "formats/FileStream.h"
#include "formats/FixedText.h"

using worldcatalogue::tagEquals;

namespace {

// A value may run past the end of the file only by this much; the missing
// bytes read as 0xFF. Anything larger is a corrupt size, not a cut-off file,
// and fails as an allocation failure instead of being allocated.
constexpr int64_t kMaxBytesPastEnd = 1 << 20;

// Padding after a payload of size bytes: up to the next multiple of 4.
constexpr uint64_t paddingOf(uint64_t size) { return (4 - size % 4) % 4; }

bool isReadGroupKind(int32_t type) {
    return type == WGT_SRFL || type == WGT_TERM || type == WGT_BMTX || type == WGT_DENS ||
           type == WGT_VART || type == WGT_ATLI;
}

std::unique_ptr<WorldGroup> makeGroup(const char* tag, uint32_t size, WorldGroup* parent, int32_t type) {
    auto g = std::make_unique<WorldGroup>();
    fixedtext::copy(g->name, tag);
    g->size = size;
    g->parent = parent;
    g->type = type;
    return g;
}

// Walks the chunk tree below the header. Messages are composed in the
// innermost failing object and copied outward unchanged.
//
//   offset 0   tag   4 ASCII bytes, blank-padded ("SUN ")
//   offset 4   size  u32 little-endian, payload length without padding
//   offset 8   payload: raw value data, or nested chunks for a group
//   8 + size   0..3 padding bytes up to a multiple of 4
class ChunkReader {
public:
    explicit ChunkReader(std::FILE* f) : f_(f) {}

    // A tag is a line of at most 4 bytes (a line feed ends it early); at the
    // end of the file it is empty.
    bool readTag(char (&tag)[5]) {
        std::memset(tag, 0, sizeof tag);
        return std::fgets(tag, sizeof tag, f_) != nullptr;
    }

    // Four bytes, little-endian; fails when the end of the file was reached.
    bool readSize(uint32_t& out) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(std::fgetc(f_))) << (8 * i);
        out = v;
        return !std::feof(f_);
    }

    bool readGroup(WorldGroup& g);

private:
    bool readPluginEffects(WorldGroup& p);
    bool readEffect(WorldGroup& e);
    bool readValue(WorldValue& v, int64_t& consumed, int64_t groupLeft);
    bool skipPayload(WorldGroup& g, uint64_t bytes);

    std::FILE* f_;
    int depth_ = 0;
};

bool ChunkReader::skipPayload(WorldGroup& g, uint64_t bytes) {
    if (filestream::skip(f_, bytes)) return true;
    fixedtext::formatWithArg(g.errorText, "cannot skip \"%s\"", g.name);
    return false;
}

bool ChunkReader::readGroup(WorldGroup& g) {
    g.children.clear();
    g.values.clear();
    const int64_t size = static_cast<int32_t>(g.size);
    if (size <= 0) return true;
    if (depth_ >= kMaxWorldGroupDepth) {
        fixedtext::formatWithArg(g.errorText, "groups nested too deeply at \"%s\"", g.name);
        return false;
    }
    ++depth_;
    int64_t consumed = 0;
    do {
        char tag[5];
        readTag(tag);
        const int32_t row = findValueIndex(g.type, tag);
        if (row >= 0) {
            g.values.push_back(std::make_unique<WorldValue>());
            WorldValue& v = *g.values.back();
            v.rowIndex = row;
            v.groupType = g.type;
            fixedtext::copy(v.tag, tag);
            if (!readValue(v, consumed, size - consumed - 8)) {
                fixedtext::copy(g.errorText, v.errorText);
                --depth_;
                return false;
            }
            continue;
        }
        uint32_t childSize;
        if (!readSize(childSize)) {
            fixedtext::formatWithArg(g.errorText, "error reading groupsize of \"%s\"", tag);
            --depth_;
            return false;
        }
        g.children.push_back(makeGroup(tag, childSize, &g, findGroupType(g.type, tag)));
        WorldGroup& child = *g.children.back();
        bool ok;
        if (isPluginEffectsGroup(tag))
            ok = readPluginEffects(child);
        else if (isReadGroupKind(g.type))
            ok = readGroup(child);
        else
            ok = skipPayload(child, childSize);  // kept in the tree, unread
        // The reader continues after the last nested chunk it read; it never
        // seeks back to the group's stated end.
        if (!ok || !skipPayload(child, paddingOf(childSize))) {
            fixedtext::copy(g.errorText, child.errorText);
            --depth_;
            return false;
        }
        consumed += 8 + int64_t{childSize} + static_cast<int64_t>(paddingOf(childSize));
    } while (consumed < size);
    --depth_;
    return true;
}

// A plug-in effects group holds "EFID" chunks only.
bool ChunkReader::readPluginEffects(WorldGroup& p) {
    const int64_t size = static_cast<int32_t>(p.size);
    if (size < 1) return true;
    int64_t consumed = 0;
    do {
        char tag[5];
        readTag(tag);
        if (!tagEquals(tag, "EFID")) {
            fixedtext::copy(p.errorText, "EFID not found");
            return false;
        }
        uint32_t effectSize;
        if (!readSize(effectSize)) {
            fixedtext::formatWithArg(p.errorText, "error reading groupsize of \"%s\"", tag);
            return false;
        }
        p.children.push_back(makeGroup(tag, effectSize, &p, WGT_EFID));
        WorldGroup& effect = *p.children.back();
        if (!readEffect(effect) || !skipPayload(effect, paddingOf(effectSize))) {
            fixedtext::copy(p.errorText, effect.errorText);
            return false;
        }
        consumed += 8 + int64_t{effectSize} + static_cast<int64_t>(paddingOf(effectSize));
    } while (consumed < size);  // an overshooting child ends the loop too
    return true;
}

// An "EFID" chunk holds values, except "SETT", a group whose payload is skipped.
bool ChunkReader::readEffect(WorldGroup& e) {
    const int64_t size = static_cast<int32_t>(e.size);
    if (size < 1) return true;
    int64_t consumed = 0;
    do {
        char tag[5];
        readTag(tag);
        if (tagEquals(tag, "SETT")) {
            uint32_t settingsSize;
            if (!readSize(settingsSize)) {
                fixedtext::formatWithArg(e.errorText, "error reading value-size of \"%s\"", tag);
                return false;
            }
            e.children.push_back(makeGroup(tag, settingsSize, &e, findGroupType(WGT_EFID, tag)));
            WorldGroup& settings = *e.children.back();
            const uint64_t skipped = uint64_t{settingsSize} + paddingOf(settingsSize);
            if (!skipPayload(settings, skipped)) {
                fixedtext::copy(e.errorText, settings.errorText);
                return false;
            }
            consumed += 8 + static_cast<int64_t>(skipped);
            continue;
        }
        e.values.push_back(std::make_unique<WorldValue>());
        WorldValue& v = *e.values.back();
        v.rowIndex = findValueIndex(WGT_EFID, tag);
        v.groupType = WGT_EFID;
        fixedtext::copy(v.tag, tag);
        if (!readValue(v, consumed, size - consumed - 8)) {
            fixedtext::copy(e.errorText, v.errorText);
            return false;
        }
    } while (consumed < size);
    return true;
}

// groupLeft: payload bytes the enclosing group declares after this value's frame.
bool ChunkReader::readValue(WorldValue& v, int64_t& consumed, int64_t groupLeft) {
    if (v.groupType == WGT_NONE) {
        fixedtext::formatWithArg(v.errorText, "parent is 0 for \"%s\"", valueName(v));
        return false;
    }
    v.typeCode = valueTypeCode(v.groupType, v.rowIndex);
    uint32_t size;
    if (!readSize(size)) {
        fixedtext::formatWithArg(v.errorText, "error reading datasize of \"%s\"", valueName(v));
        return false;
    }
    const int64_t rounded = int64_t{size} + static_cast<int64_t>(paddingOf(size));

    // A size that neither the group nor the file can hold would be a multi-
    // gigabyte allocation filled with 0xFF; the host's allocation fails there.
    int64_t fileLeft = filestream::remainingBytes(f_);
    if (fileLeft < 0) fileLeft = 0;  // a stream that cannot tell: trust no size
    bool allocated = !(rounded > groupLeft && rounded > fileLeft) && rounded - fileLeft <= kMaxBytesPastEnd;
    v.data.clear();
    if (allocated) {
        try {
            v.data.resize(static_cast<size_t>(rounded));
        } catch (const std::bad_alloc&) {
            allocated = false;
        }
    }
    if (!allocated) {
        fixedtext::formatWithArg(v.errorText, "error allocating memory for \"%s\"", valueName(v));
        return false;
    }
    // Bytes past the end of the file read as 0xFF, as a byte-wise read would.
    const size_t got = std::fread(v.data.data(), 1, v.data.size(), f_);
    if (got < v.data.size()) std::memset(v.data.data() + got, 0xFF, v.data.size() - got);
    consumed += rounded + 8;
    return true;
}

WorldGroup* findIn(const std::vector<std::unique_ptr<WorldGroup>>& list, const char* path) {
    if (!path) return nullptr;
    const std::vector<std::unique_ptr<WorldGroup>>* groups = &list;
    for (;;) {
        // One component up to the next backslash; the last matching group wins.
        const char* sep = std::strchr(path, '\\');
        const size_t length = sep ? static_cast<size_t>(sep - path) : std::strlen(path);
        WorldGroup* match = nullptr;
        for (const auto& g : *groups) {
            if (std::strlen(g->name) != length) continue;
            char component[5] = {};
            std::memcpy(component, path, length);
            if (tagEquals(g->name, component)) match = g.get();
        }
        if (!match || !sep) return match;
        groups = &match->children;
        path = sep + 1;
    }
}

const WorldValue* firstValue(const WorldGroup& g, int32_t rowIndex) {
    for (const auto& v : g.values)
        if (v->rowIndex == rowIndex) return v.get();
    return nullptr;
}

uint32_t littleEndian32(const uint8_t* b) {
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace

WorldGroup* WorldGroup::findGroup(const char* path) const { return findIn(children, path); }

// A value stored with size 0 has no bytes to read: it answers like a missing one.
float WorldGroup::getFloat(int32_t rowIndex) const {
    const WorldValue* v = firstValue(*this, rowIndex);
    if (!v || v->data.size() < 4) return -1.0f;
    const uint32_t bits = littleEndian32(v->data.data());
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

uint32_t WorldGroup::getInt(int32_t rowIndex) const {
    const WorldValue* v = firstValue(*this, rowIndex);
    if (!v || v->data.size() < 4) return 1;
    return littleEndian32(v->data.data());
}

WorldFile::WorldFile() {
    path[0] = '\0';
    errorText[0] = '\0';
}

WorldFile::~WorldFile() {
    if (stream) std::fclose(stream);
}

WorldGroup* WorldFile::findGroup(const char* p) const { return findIn(groups, p); }

bool WorldFile::read(const char* p) {
    groups.clear();
    loaded = false;
    if (!p) p = "";
    fixedtext::copy(path, p);
    stream = std::fopen(p, "rb");
    if (!stream) {
        // Nothing of an earlier file stays for a caller that reuses the reader.
        surfaceMapGroup.reset();
        atmosphereGroup.reset();
        fixedtext::formatWithArg(errorText, "cannot open file \"%s\"", p);
        return false;
    }
    auto fail = [this](const char* message) {
        fixedtext::copy(errorText, message);
        std::fclose(stream);
        stream = nullptr;
        loaded = false;
        return false;
    };

    char header[17] = {};
    if (!std::fgets(header, sizeof header, stream) || std::strcmp(header, "TERRAGENWORLD2  ") != 0) {
        char message[128];
        fixedtext::formatWithArg(message, "%s\nis not a TG-world-file", p);
        return fail(message);
    }

    ChunkReader reader(stream);
    char tag[5];
    // Top-level chunks are groups; no padding is skipped between them.
    while (reader.readTag(tag)) {
        uint32_t size;
        WorldGroup* g;
        if (tagEquals(tag, "SRFL")) {
            surfaceMapGroup.reset();
            if (!reader.readSize(size)) return fail("error reading size of \"SRFL\"");
            surfaceMapGroup = makeGroup("SRFL", size, nullptr, findGroupType(WGT_NONE, "SRFL"));
            g = surfaceMapGroup.get();
        } else if (tagEquals(tag, "ATLI")) {
            atmosphereGroup.reset();
            if (!reader.readSize(size)) return fail("error reading groupsize of \"ATLI\"");
            atmosphereGroup = makeGroup("ATLI", size, nullptr, findGroupType(WGT_NONE, "ATLI"));
            g = atmosphereGroup.get();
        } else if (isTopLevelGroup(tag)) {
            if (!reader.readSize(size)) {
                char message[128];
                fixedtext::formatWithArg(message, "error reading groupsize of \"%s\"", tag);
                return fail(message);
            }
            groups.push_back(makeGroup(tag, size, nullptr, findGroupType(WGT_NONE, tag)));
            g = groups.back().get();
        } else {
            char message[128];
            fixedtext::formatWithArg(message, "unknown world tag %s", tag);
            return fail(message);
        }
        if (!reader.readGroup(*g)) return fail(g->errorText);
    }
    std::fclose(stream);
    stream = nullptr;
    loaded = true;
    return true;
}
