#include "tools/tergen/TerGen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tergen {

void putU16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void putU32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putF32(Bytes& b, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    putU32(b, bits);
}

void putText(Bytes& b, const std::string& text) { b.insert(b.end(), text.begin(), text.end()); }

Bytes terrainBytes(const TerrainParams& params) {
    Bytes b;
    b.reserve(64 + params.samples.size() * 2);
    putText(b, "TERRAGENTERRAIN ");
    auto points = [&](const char* tag, std::optional<uint16_t> v) {
        if (!v) return;
        putText(b, tag);
        putU16(b, *v);
        putU16(b, 0);
    };
    points("SIZE", params.size);
    points("XPTS", params.xPoints);
    points("YPTS", params.yPoints);
    if (params.scale) {
        putText(b, "SCAL");
        for (float s : *params.scale) putF32(b, s);
    }
    if (params.planetRadius) {
        putText(b, "CRAD");
        putF32(b, *params.planetRadius);
    }
    if (params.curveMode) {
        putText(b, "CRVM");
        putU32(b, *params.curveMode);
    }
    b.insert(b.end(), params.extraChunks.begin(), params.extraChunks.end());
    if (params.altw) {
        putText(b, "ALTW");
        putU16(b, static_cast<uint16_t>(params.heightScale));
        putU16(b, static_cast<uint16_t>(params.baseHeight));
        for (int16_t s : params.samples) putU16(b, static_cast<uint16_t>(s));
    }
    if (params.endMarker) putText(b, "EOF ");
    return b;
}

namespace {

// Smooth value noise on an integer lattice, deterministic per seed.
double lattice(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double valueNoise(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    const double tx = x - fx, ty = y - fy;
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const double a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
    const double c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

// Fractal noise in -1 .. 1: five octaves, each half as strong.
double fractal(double x, double y, uint32_t seed) {
    double sum = 0, amplitude = 1, total = 0;
    for (int octave = 0; octave < 5; ++octave) {
        sum += amplitude * (2 * valueNoise(x, y, seed + octave) - 1);
        total += amplitude;
        amplitude *= 0.5;
        x *= 2;
        y *= 2;
    }
    return sum / total;
}

}  // namespace

std::vector<int16_t> makeRelief(uint16_t xPoints, uint16_t yPoints, uint32_t seed) {
    std::vector<int16_t> out(size_t{xPoints} * yPoints);
    const double w = std::max<int>(xPoints - 1, 1), h = std::max<int>(yPoints - 1, 1);
    for (uint32_t r = 0; r < yPoints; ++r) {
        for (uint32_t c = 0; c < xPoints; ++c) {
            const double x = c / w, y = r / h;
            // A mountain ridge across the back, its crest broken into peaks.
            const double crest = 0.68 + 0.08 * std::sin(5.0 * x + seed);
            const double ridge = std::exp(-std::pow((y - crest) / 0.14, 2));
            const double peaks = 0.55 + 0.45 * (0.5 + 0.5 * fractal(x * 3, y * 3, seed + 11));
            // A round basin in the front left that holds a lake.
            const double basin = std::exp(-(std::pow((x - 0.3) / 0.16, 2) + std::pow((y - 0.25) / 0.13, 2)));
            const double hills = 0.12 * fractal(x * 6, y * 6, seed);
            const double height = 0.1 + 0.9 * ridge * peaks - 0.22 * basin + hills + 0.05 * y;
            const double v = std::clamp(height, -1.0, 1.0) * 32767.0;
            out[size_t{r} * xPoints + c] = static_cast<int16_t>(std::lround(v));
        }
    }
    return out;
}

Chunk valueBytes(const std::string& tag, Bytes data) {
    Chunk c;
    c.tag = tag;
    c.payload = std::move(data);
    return c;
}

Chunk valueFloat(const std::string& tag, float v) { return valueFloats(tag, {v}); }

Chunk valueFloats(const std::string& tag, const std::vector<float>& v) {
    Bytes b;
    for (float f : v) putF32(b, f);
    return valueBytes(tag, std::move(b));
}

Chunk valueInt(const std::string& tag, uint32_t v) {
    Bytes b;
    putU32(b, v);
    return valueBytes(tag, std::move(b));
}

Chunk valueText(const std::string& tag, const std::string& text) {
    Bytes b(text.begin(), text.end());
    b.push_back(0);
    return valueBytes(tag, std::move(b));
}

Chunk group(const std::string& tag, std::vector<Chunk> children) {
    Chunk c;
    c.tag = tag;
    c.children = std::move(children);
    c.group = true;
    return c;
}

void appendChunk(Bytes& out, const Chunk& chunk) {
    Bytes payload;
    if (chunk.group) {
        for (const Chunk& child : chunk.children) appendChunk(payload, child);
    } else {
        payload = chunk.payload;
    }
    std::string tag = chunk.tag;
    tag.resize(4, ' ');
    putText(out, tag);
    putU32(out, chunk.size ? *chunk.size : static_cast<uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    out.resize(out.size() + (4 - payload.size() % 4) % 4, 0);
}

Bytes worldBytes(const std::vector<Chunk>& topLevel) {
    Bytes b;
    putText(b, "TERRAGENWORLD2  ");
    for (const Chunk& c : topLevel) appendChunk(b, c);
    return b;
}

std::vector<Chunk> standardWorld(const WorldParams& s) {
    std::vector<Chunk> world;
    world.push_back(group("WLDG", {
        valueFloat("LDET", 1), valueFloat("RLAN", 1), valueFloat("RSKY", 1),
        valueFloat("FAA ", 1), valueInt("BUFS", 2),
        valueInt("IMWI", s.imageWidth), valueInt("IMHI", s.imageHeight),
        valueFloat("PXAS", s.pixelAspect), valueFloat("EXPO", 0), valueFloat("GAMA", 1),
        valueFloat("ZOOM", s.zoom),
        valueFloat("CAMX", s.camera[0]), valueFloat("CAMY", s.camera[1]), valueFloat("CAMZ", s.camera[2]),
        valueFloat("CAZZ", 0),
        valueFloat("TARX", s.target[0]), valueFloat("TARY", s.target[1]), valueFloat("TARZ", s.target[2]),
        valueFloat("TAZZ", 0), valueFloat("CAMB", s.banking),
    }));
    world.push_back(group("ANIM", {valueFloat("AMET", 0), valueFloat("XCAM", 0), valueText("UNHS", "")}));
    world.push_back(group("TERR", {valueFloat("IMHO", 0), valueFloat("IMHS", 1)}));
    world.push_back(group("MPFX", {group("TERR", {group("EFID", {valueText("NAME", "Clouds"),
                                                                   group("SETT", {valueInt("ORIG", 7)})})})}));
    world.push_back(group("WATR", {
        valueFloat("LEVL", s.waterLevel), valueFloat("WLEN", 1), valueFloat("WAMP", 0.2f),
        valueFloats("DIFC", {0.1f, 0.25f, 0.3f}), valueFloat("MAXR", 0.8f), valueFloat("MINR", 0.1f),
    }));
    world.push_back(group("SRFL", {
        valueText("NAME", "Surface"),
        group("TERM", {valueFloats("DIFC", {0.45f, 0.4f, 0.3f}), valueFloat("BMAM", 1),
                       group("DENS", {valueFloat("COVR", 0.5f), valueFloat("ALTE", 0)})}),
    }));
    world.push_back(group("ATLI", {
        group("LIGT", {valueFloat("LCST", 1), valueFloat("WTSH", 1)}),
        group("SUN ", {valueFloat("HEAD", s.sunHeading), valueFloat("ALT ", s.sunAltitude),
                       valueFloat("DIAM", 0.5f), valueFloats("LIGC", {1, 0.95f, 0.85f})}),
        group("GHAZ", {valueFloats("HCOL", {0.8f, 0.85f, 0.9f}), valueFloat("HVAL", 0.2f)}),
        group("CLDL", {valueFloat("CSIZ", 1), valueFloat("ALT ", 1500)}),
    }));
    return world;
}

void omitTag(std::vector<Chunk>& chunks, const std::string& tag) {
    chunks.erase(std::remove_if(chunks.begin(), chunks.end(), [&](const Chunk& c) { return c.tag == tag; }),
                 chunks.end());
    for (Chunk& c : chunks) omitTag(c.children, tag);
}

bool writeFile(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace tergen
