#pragma once
// Reader of terrain files (.ter): a 16-byte signature, tagged header chunks,
// then a grid of signed 16-bit elevation samples.
//
// Reading happens in two stages: open() reads only the header chunks (shown
// to the user before the import), readElevations() then reads the grid on the
// import's worker thread, reporting progress about 200 times per file.
#include <cstdint>
#include <cstdio>
#include <memory>

struct TerrainHeader {
    uint16_t size = 0;        // SIZE: points along the shorter side, minus one
    uint16_t xPoints = 0;     // columns
    uint16_t yPoints = 0;     // rows
    uint16_t curveMode = 0;   // 0 flat, otherwise draped
    float scaleX = 30.0f;     // metres per terrain unit (SCAL x)
    float scaleY = 30.0f;     // SCAL y
    float scaleZ = 30.0f;     // vertical metres per terrain unit (SCAL z)
    float planetRadius = 6370.0f;  // kilometres
    int16_t heightScale = 0;  // ALTW HeightScale
    int16_t baseHeight = 0;   // ALTW BaseHeight
    const int16_t* elevations = nullptr;  // the grid, row by row; none until read
};

// Called with the caller's context and the index of the sample just read.
using ProgressCallback = void (*)(void* context, int32_t index);

class TerrainFile {
public:
    TerrainFile();
    ~TerrainFile();
    TerrainFile(const TerrainFile&) = delete;
    TerrainFile& operator=(const TerrainFile&) = delete;

    // Opens the file and reads the header chunks up to the two ALTW values;
    // the stream then stands at the first sample.
    [[nodiscard]] bool open(const char* path);
    bool getHeader(TerrainHeader& out) const;
    // Reads xPoints x yPoints samples, then writes the elevation dump.
    [[nodiscard]] bool readElevations(void* context, ProgressCallback progressCallback);
    // Scene position of one grid point: out = {column*scaleY, height in metres, -row*scaleX}.
    [[nodiscard]] bool getPoint(int32_t row, int32_t column, double out[3]);
    // Two counter-clockwise (seen from +Y) triangles per grid cell into
    // out[6 * (xPoints - 1) * (yPoints - 1)].
    [[nodiscard]] bool getTriangleIndices(uint32_t* out);

    const char* path() const { return path_; }

    char errorText[132];

private:
    bool fail(const char* message);
    bool readChunks();

    TerrainHeader header_;
    std::FILE* stream_ = nullptr;
    char path_[512];
    std::unique_ptr<int16_t[]> grid_;
};

// Where the elevation dump goes: "c:\dbg_ter.txt" on Windows, "dbg_ter.txt"
// in the temporary directory elsewhere.
const char* elevationDumpPath();

// Writes one signed decimal sample per line ("%d\n") to path, replacing the
// file; false when it cannot be written. Exposed for tests and benchmarks.
bool writeElevationDump(const char* path, const int16_t* samples, uint64_t count);
