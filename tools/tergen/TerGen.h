#pragma once
// Writes terrain (.ter) and world (.tgw) files from parameters: used by the
// tests to build exact byte layouts (including broken ones), by the
// benchmarks for large terrains, and by the examples.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tergen {

using Bytes = std::vector<uint8_t>;

void putU16(Bytes& b, uint16_t v);
void putU32(Bytes& b, uint32_t v);
void putF32(Bytes& b, float v);
void putText(Bytes& b, const std::string& text);  // the characters, no terminator

// ---- terrain files ----

// Every header chunk is optional; absent ones are not written. Chunks are
// written in the order SIZE, XPTS, YPTS, SCAL, CRAD, CRVM, extra, ALTW, EOF.
struct TerrainParams {
    std::optional<uint16_t> size;
    std::optional<uint16_t> xPoints;
    std::optional<uint16_t> yPoints;
    std::optional<std::array<float, 3>> scale;
    std::optional<float> planetRadius;
    std::optional<uint32_t> curveMode;
    Bytes extraChunks;      // raw bytes placed before ALTW (unknown tags, ...)
    bool altw = true;       // write ALTW, its two values and the samples
    int16_t heightScale = 80;
    int16_t baseHeight = 0;
    std::vector<int16_t> samples;
    bool endMarker = true;  // "EOF " after the samples
};

Bytes terrainBytes(const TerrainParams& params);

// A terrain with recognisable relief: a ridge of peaks, a valley with a lake
// basin below 0 and gentle noise. Deterministic for a given seed.
std::vector<int16_t> makeRelief(uint16_t xPoints, uint16_t yPoints, uint32_t seed = 1);

// ---- world files ----

// One chunk: a value (payload bytes) or a group (nested chunks). size, when
// set, replaces the stored size, to write inconsistent files on purpose.
struct Chunk {
    std::string tag;
    Bytes payload;
    std::vector<Chunk> children;
    bool group = false;
    std::optional<uint32_t> size;
};

Chunk valueBytes(const std::string& tag, Bytes data);
Chunk valueFloat(const std::string& tag, float v);
Chunk valueFloats(const std::string& tag, const std::vector<float>& v);
Chunk valueInt(const std::string& tag, uint32_t v);
Chunk valueText(const std::string& tag, const std::string& text);  // with its terminator
Chunk group(const std::string& tag, std::vector<Chunk> children);

// Chunk frame: tag, u32 size, payload, padding to a multiple of 4 (0 bytes).
void appendChunk(Bytes& out, const Chunk& chunk);
// "TERRAGENWORLD2  " and the top-level chunks.
Bytes worldBytes(const std::vector<Chunk>& topLevel);

// The world values the import uses, in terrain units and degrees.
struct WorldParams {
    std::array<float, 3> camera{0, 0, 10};
    std::array<float, 3> target{10, 10, 0};
    float banking = 0;
    float zoom = 1;
    float sunHeading = 45;
    float sunAltitude = 30;
    float waterLevel = 0;
    uint32_t imageWidth = 640;
    uint32_t imageHeight = 480;
    float pixelAspect = 1;
};

// A complete world as the landscape program would store it: WLDG, ANIM,
// TERR, MPFX, WATR, SRFL and ATLI with its light, sun, haze and clouds.
std::vector<Chunk> standardWorld(const WorldParams& params);

// Removes every chunk with this tag, at any depth (a world with values missing).
void omitTag(std::vector<Chunk>& chunks, const std::string& tag);

// Writes the bytes to path (replacing it); false on any failure.
bool writeFile(const std::string& path, const Bytes& bytes);

}  // namespace tergen
