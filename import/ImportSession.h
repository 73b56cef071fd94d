#pragma once
// One import: its options, paths, the terrain and world files, the counts
// derived from the terrain header, the failure text and the handles of the
// windows involved. It lives for exactly one call of RunImport.
//
// Threads: the driver runs on the user-interface thread; during the progress
// display the worker thread owns the scene-building fields (errorText,
// progressTotal, progressWindow, cameraCreated, cameraName). No lock guards
// the session: the options are fixed before the worker starts, and the driver
// reads the worker's results only after the worker thread has ended.
#include <cstdint>

#include "formats/TerrainFile.h"
#include "formats/WorldFile.h"
#include "host/XsiCore.h"

class ImportUi;
class ProgressTarget;

// Settings file: 14 bytes, little-endian.
//   0  i32  version, 3
//   4  u8   replaceScene    5  u8  centerPivot
//   6  f32  scale (bit pattern, lowest byte first)
//   10 u8   importCamera    11 u8  importSun    12 u8 createWater    13 u8 importRender
// On reading, any non-zero flag byte is true.
constexpr int32_t kSettingsVersion = 3;
constexpr int kSettingsFileSize = 14;
constexpr char kSettingsFileName[] = "vq_vireru.cfg";

struct ImportSession {
    ImportSession();
    ImportSession(const ImportSession&) = delete;
    ImportSession& operator=(const ImportSession&) = delete;

    // Runs the whole import of the terrain file at path. True only when the
    // progress display ended normally and errorText is empty.
    bool RunImport(const XSI::CString& path, ImportUi& ui);
    // Reads the settings file at settingsPath into the options; false (options
    // unchanged) when it cannot be opened or is not version 3.
    bool LoadSettings();
    // Writes the settings file at settingsPath; silently skipped when it
    // cannot be written.
    void SaveSettings() const;

    void* instance = nullptr;        // the plug-in module (HINSTANCE)
    void* hostWindow = nullptr;      // the host's main window (HWND), owner of every dialog
    bool cancelled = false;          // "Cancel Import" pressed, or the worker failed
    ProgressTarget* progressWindow = nullptr;  // target of the import messages while the worker runs
    char worldPath[260];
    char objectName[64];
    uint32_t progressTotal = 0;      // denominator of the progress fraction
    char errorText[128];             // empty: no failure
    char settingsPath[260];
    TerrainFile terrain;
    WorldFile world;
    uint32_t vertexCount = 0;        // xPoints x yPoints
    uint32_t triangleCount = 0;      // (2 x xPoints - 2) x (yPoints - 1)
    bool replaceScene = true;
    bool centerPivot = true;
    float scale = 0.1f;              // scene units per metre
    bool importCamera = true;
    bool importSun = true;
    bool createWater = true;
    bool importRender = true;
    bool cameraCreated = false;      // the camera was placed from the world's "WLDG" group
    char terrainPath[260];
    XSI::CString cameraName = "cam"; // the camera's name as the host reported it

    // The error-bounded mesh, asked for from the command line: the terrain
    // keeps only the grid points needed to stay within maxError metres
    // (before the scene scale) of every sample, or maxTriangles triangles.
    double maxError = 0;             // 0: no bound of its own
    uint64_t maxTriangles = 0;       // 0: no budget
    bool Refines() const { return maxError > 0 || maxTriangles > 0; }
    // What the refinement kept, set when the mesh was built from it.
    uint64_t keptPoints = 0;
    uint64_t keptTriangles = 0;
    double worstError = 0;           // metres, before the scene scale
};
