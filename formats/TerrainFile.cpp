#include "formats/TerrainFile.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "formats/FileStream.h"
#include "formats/FixedText.h"

#ifndef _WIN32
#include <filesystem>
#endif

namespace {

// Two bytes, low byte first, as a signed 16-bit value.
int16_t fromLittleEndian(uint8_t lo, uint8_t hi) {
    return static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
}

// Reads n bytes one by one; false when the end of the file was reached.
bool readBytes(std::FILE* f, uint8_t* out, int n) {
    for (int i = 0; i < n; ++i) {
        const int c = std::fgetc(f);
        out[i] = static_cast<uint8_t>(c);
    }
    return !std::feof(f);
}

bool readFloat(std::FILE* f, float& out) {
    uint8_t b[4];
    if (!readBytes(f, b, 4)) return false;
    const uint32_t bits = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    std::memcpy(&out, &bits, 4);
    return true;
}

// SIZE, XPTS, YPTS: an unsigned 16-bit value and two padding bytes.
bool readPoints(std::FILE* f, uint16_t& out) {
    uint8_t b[4];
    const bool ok = readBytes(f, b, 4);
    if (ok) out = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return ok;
}

constexpr bool kLittleEndianHost = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

}  // namespace

TerrainFile::TerrainFile() {
    fixedtext::copy(errorText, "no error");
    path_[0] = '\0';
}

TerrainFile::~TerrainFile() {
    if (stream_) std::fclose(stream_);
}

bool TerrainFile::fail(const char* message) {
    fixedtext::copy(errorText, message);
    return false;
}

bool TerrainFile::open(const char* path) {
    if (!path || !*path) return fail("no terrain file given");
    fixedtext::copy(path_, path);
    if (stream_) std::fclose(stream_);
    // The full path is opened even when it is longer than the stored copy.
    stream_ = std::fopen(path, "rb");
    if (!stream_) {
        fixedtext::formatWithArg(errorText, "cannot open file \"%s\"", path);
        return false;
    }

    // The signature is read as a line of at most 16 bytes, so a line feed
    // inside it ends the read early and the comparison fails.
    char signature[17] = {};
    if (!std::fgets(signature, sizeof signature, stream_) ||
        std::strcmp(signature, "TERRAGENTERRAIN ") != 0) {
        fixedtext::formatWithArg(errorText, "%s\nis not a terrain-file", path);
        return false;
    }
    return readChunks();
}

// Layout after the signature (little-endian):
//   "SIZE" u16 + 2 pad | "XPTS" u16 + 2 pad | "YPTS" u16 + 2 pad
//   "SCAL" 3 x f32     | "CRAD" f32         | "CRVM" u32 (low 16 bits kept)
//   "ALTW" i16 HeightScale, i16 BaseHeight, then yPoints rows of xPoints i16
//   "EOF " end marker. Unknown 4-byte tags carry no data and are passed over.
bool TerrainFile::readChunks() {
    for (;;) {
        // A tag is a line of at most 4 bytes: a line feed ends it early.
        char tag[5] = {};
        if (!std::fgets(tag, sizeof tag, stream_)) return true;

        bool ok = true;
        if (std::strcmp(tag, "SIZE") == 0) {
            ok = readPoints(stream_, header_.size);
        } else if (std::strcmp(tag, "XPTS") == 0) {
            ok = readPoints(stream_, header_.xPoints);
        } else if (std::strcmp(tag, "YPTS") == 0) {
            ok = readPoints(stream_, header_.yPoints);
        } else if (std::strcmp(tag, "SCAL") == 0) {
            ok = readFloat(stream_, header_.scaleX) && readFloat(stream_, header_.scaleY) &&
                 readFloat(stream_, header_.scaleZ);
        } else if (std::strcmp(tag, "CRAD") == 0) {
            ok = readFloat(stream_, header_.planetRadius);
        } else if (std::strcmp(tag, "CRVM") == 0) {
            uint8_t b[4];
            ok = readBytes(stream_, b, 4);
            if (ok) header_.curveMode = static_cast<uint16_t>(b[0] | (b[1] << 8));
        } else if (std::strcmp(tag, "ALTW") == 0) {
            bool readError = false;
            if (header_.xPoints == 0 && header_.yPoints == 0) {
                if (header_.size == 0) {
                    readError = true;
                } else {
                    // A SIZE-only file describes a square grid. (SIZE 65535
                    // wraps to 0 points and fails later as an empty grid.)
                    header_.xPoints = static_cast<uint16_t>(header_.size + 1);
                    header_.yPoints = header_.xPoints;
                }
            }
            uint8_t b[2];
            const bool scaleRead = readBytes(stream_, b, 2);
            if (scaleRead) header_.heightScale = fromLittleEndian(b[0], b[1]);
            const bool baseRead = scaleRead && readBytes(stream_, b, 2);
            if (baseRead) header_.baseHeight = fromLittleEndian(b[0], b[1]);
            if (!baseRead) readError = true;
            return readError ? fail("file read-error :(") : true;
        } else if (std::strcmp(tag, "EOF ") == 0) {
            return true;
        }
        if (!ok) return fail("file read-error :(");
    }
}

bool TerrainFile::getHeader(TerrainHeader& out) const {
    out = header_;
    return true;
}

bool TerrainFile::readElevations(void* context, ProgressCallback progressCallback) {
    if (!stream_) return false;
    const uint64_t count = uint64_t{header_.xPoints} * header_.yPoints;
    if (count == 0) return false;
    // Never allocate more than the rest of the file can fill: a tiny file
    // declaring 65535 x 65535 points reads what it holds, reports it, and
    // fails like any short read, without an 8 GiB allocation.
    const int64_t remaining = filestream::remainingBytes(stream_);
    if (remaining < 0) return false;
    const uint64_t readable = std::min<uint64_t>(count, static_cast<uint64_t>(remaining) / 2);

    std::unique_ptr<int16_t[]> grid(new (std::nothrow) int16_t[readable ? readable : 1]);
    if (!grid) return false;

    // The callback runs once per (step + 1) samples, with the index of the
    // sample just read: at step, 2 * step + 1, ... (every sample below 200).
    const uint64_t step = count / 200;
    uint64_t nextReport = step;
    constexpr uint64_t kChunk = 1u << 16;  // samples per fread
    for (uint64_t start = 0; start < readable;) {
        const uint64_t want = std::min(readable - start, kChunk);
        const uint64_t got = std::fread(grid.get() + start, 2, want, stream_);
        if (!kLittleEndianHost) {
            auto* bytes = reinterpret_cast<uint8_t*>(grid.get() + start);
            for (uint64_t i = 0; i < got; ++i) std::swap(bytes[2 * i], bytes[2 * i + 1]);
        }
        const uint64_t end = start + got;
        for (; nextReport < end; nextReport += step + 1)
            if (progressCallback) progressCallback(context, static_cast<int32_t>(nextReport));
        if (got < want) return false;
        start = end;
    }
    if (readable < count) return false;

    grid_ = std::move(grid);
    header_.elevations = grid_.get();
    // A debugging aid only: whether it can be written does not matter.
    (void)writeElevationDump(elevationDumpPath(), grid_.get(), count);
    return true;
}

bool TerrainFile::getPoint(int32_t row, int32_t column, double out[3]) {
    if (!grid_ || row < 0 || row >= header_.yPoints || column < 0 || column >= header_.xPoints)
        return fail("x/y coord out of range");
    const double e = grid_[static_cast<uint64_t>(row) * header_.xPoints + static_cast<uint32_t>(column)];
    out[0] = column * static_cast<double>(header_.scaleY);
    out[1] = e * header_.heightScale * static_cast<double>(header_.scaleZ) / 65536.0 +
             header_.baseHeight * static_cast<double>(header_.scaleZ);
    out[2] = -row * static_cast<double>(header_.scaleX);
    return true;
}

bool TerrainFile::getTriangleIndices(uint32_t* out) {
    if (!out) return fail("param error in \"getTriangleIndices\"");
    const uint32_t w = header_.xPoints;
    const uint32_t h = header_.yPoints;
    if (w < 2 || h < 2) return true;
    for (uint32_t r = 0; r + 1 < h; ++r) {
        uint32_t v = r * w;
        for (uint32_t c = 0; c + 1 < w; ++c, ++v, out += 6) {
            out[0] = v;
            out[1] = v + 1;
            out[2] = v + w;
            out[3] = v + 1;
            out[4] = v + 1 + w;
            out[5] = v + w;
        }
    }
    return true;
}

const char* elevationDumpPath() {
#ifdef _WIN32
    return "c:\\dbg_ter.txt";
#else
    static const std::string path = [] {
        std::error_code ec;
        std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
        if (ec) dir = "/tmp";
        return (dir / "dbg_ter.txt").string();
    }();
    return path.c_str();
#endif
}

namespace {

// "%d\n" of every 16-bit value, computed once: the dump then copies 8 bytes
// per sample instead of formatting it.
struct SampleText {
    char text[7];
    uint8_t length;
};

const SampleText* sampleTexts() {
    static const std::unique_ptr<SampleText[]> table = [] {
        std::unique_ptr<SampleText[]> t(new SampleText[65536]);
        for (int v = -32768; v <= 32767; ++v) {
            SampleText& s = t[static_cast<uint16_t>(v)];
            std::memset(s.text, 0, sizeof s.text);
            char digits[8];
            int n = 0;
            unsigned mag = v < 0 ? static_cast<unsigned>(-v) : static_cast<unsigned>(v);
            do {
                digits[n++] = static_cast<char>('0' + mag % 10);
                mag /= 10;
            } while (mag);
            int k = 0;
            if (v < 0) s.text[k++] = '-';
            while (n) s.text[k++] = digits[--n];
            s.text[k++] = '\n';
            s.length = static_cast<uint8_t>(k);
        }
        return t;
    }();
    return table.get();
}

}  // namespace

bool writeElevationDump(const char* path, const int16_t* samples, uint64_t count) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const SampleText* texts = sampleTexts();
    // 64 KB write calls: Linux sizes file-cache pages by the call, and large
    // ones are slow to find on a busy machine.
    constexpr size_t kBuffer = 1 << 16;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBuffer + sizeof(SampleText)]);
    bool ok = buffer != nullptr;
    size_t used = 0;
    for (uint64_t i = 0; ok && i < count; ++i) {
        const SampleText& s = texts[static_cast<uint16_t>(samples[i])];
        std::memcpy(buffer.get() + used, s.text, sizeof s.text);
        used += s.length;
        if (used >= kBuffer) {
            ok = std::fwrite(buffer.get(), 1, used, f) == used;
            used = 0;
        }
    }
    if (ok && used) ok = std::fwrite(buffer.get(), 1, used, f) == used;
    return (std::fclose(f) == 0) && ok;
}
