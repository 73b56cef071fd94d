#pragma once
// Reader of world files (.tgw): a 16-byte header and a tree of chunks. Every
// chunk is a 4-byte tag, a 4-byte little-endian payload size, the payload and
// padding up to a multiple of 4. Whether a chunk is a value or a group comes
// from the tag catalogue (WorldCatalogue.h), by the kind of its group.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "formats/WorldCatalogue.h"

struct WorldValue {
    int32_t typeCode = 0;      // catalogue type column; 0 without a row
    char errorText[131] = {};
    int32_t rowIndex = -1;     // row in the value table of groupType, or -1
    int32_t groupType = WGT_NONE;
    std::vector<uint8_t> data;  // payload as read, padded to a multiple of 4
    char tag[5] = {};           // the tag as read, for display
};

struct WorldGroup {
    std::vector<std::unique_ptr<WorldGroup>> children;
    std::vector<std::unique_ptr<WorldValue>> values;
    uint32_t size = 0;         // payload size as stored; compared as signed
    char name[5] = {};
    char errorText[131] = {};
    int32_t type = WGT_NONE;   // WorldGroupType from findGroupType
    WorldGroup* parent = nullptr;

    // Child group by path ("A\B"); the last match of each component wins.
    WorldGroup* findGroup(const char* path) const;
    // First value of that row: its first 4 bytes as a float, or -1.0.
    float getFloat(int32_t rowIndex) const;
    // First value of that row: its first 4 bytes as an unsigned integer, or 1.
    uint32_t getInt(int32_t rowIndex) const;
};

class WorldFile {
public:
    WorldFile();
    ~WorldFile();
    WorldFile(const WorldFile&) = delete;
    WorldFile& operator=(const WorldFile&) = delete;

    // Reads the whole file into the tree; see loaded and errorText.
    bool read(const char* path);
    // Top-level list group by path ("WLDG"); the last match wins.
    WorldGroup* findGroup(const char* path) const;

    std::vector<std::unique_ptr<WorldGroup>> groups;  // list groups in file order
    std::unique_ptr<WorldGroup> surfaceMapGroup;      // "SRFL"
    std::unique_ptr<WorldGroup> atmosphereGroup;      // "ATLI"
    std::FILE* stream = nullptr;                      // open only while read runs
    char path[260];
    char errorText[128];
    bool loaded = false;
};

// Groups nested deeper than this fail the read instead of exhausting the stack.
constexpr int kMaxWorldGroupDepth = 64;
