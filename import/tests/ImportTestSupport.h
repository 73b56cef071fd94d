#pragma once
// Shared pieces of the import tests: terrain and world files written into a
// temporary folder, a user interface that follows a script and records what
// the driver asked of it, a progress sink that records every message, and a
// reader for the exported glTF to check the mesh the host holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/tests/TempFiles.h"
#include "host/HostControl.h"
#include "formats/FixedText.h"
#include "import/ImportMessages.h"
#include "import/ImportPaths.h"
#include "import/ImportSession.h"
#include "import/ImportUi.h"
#include "import/ProgressSink.h"
#include "tools/tergen/TerGen.h"

namespace importtest {

struct TerrainParams {
    uint16_t xPoints = 5;
    uint16_t yPoints = 3;
    std::array<float, 3> scal{30, 30, 30};
    int16_t heightScale = 80;
    int16_t baseHeight = 0;
    std::vector<int16_t> samples;  // empty: sample i is (i * 37) % 2000 - 1000
};

std::vector<int16_t> defaultSamples(uint16_t xPoints, uint16_t yPoints);
std::string writeTerrain(const TempFolder& folder, const std::string& name, const TerrainParams& p);
std::string writeWorld(const TempFolder& folder, const std::string& name, const std::vector<tergen::Chunk>& chunks);

// One message as the progress display saw it.
struct Event {
    uint32_t message = 0;
    std::string text;       // WM_IMPORT_STATUS
    uint32_t count = 0;     // WM_IMPORT_PROGRESS
    uint32_t total = 0;     // the session's progressTotal when it arrived
};

class RecordingSink : public ProgressSink {
public:
    explicit RecordingSink(ImportSession*& session) : session_(session) {}
    void receive(uint32_t message, intptr_t lParam) override;

    std::vector<Event> events;
    // Runs on the worker thread after each message is recorded.
    std::function<void(ImportSession&, const Event&)> onEvent;

private:
    ImportSession*& session_;
};

// Follows a script: the options dialog answers optionsResult after applying
// editOptions; the progress display runs the worker with a RecordingSink.
class ScriptedUi : public ImportUi {
public:
    ScriptedUi() : sink(current) {}
    std::string settingsFilePath(void*) override { calls.push_back("settings"); return settingsPath; }
    void loadSkinBitmaps(void*) override { calls.push_back("skin"); }
    int showOptions(ImportSession& session) override;
    int showProgress(ImportSession& session) override;
    void showMessage(ImportSession&, const char* text, unsigned style) override;

    std::string settingsPath;
    int optionsResult = 1;
    std::function<void(ImportSession&)> editOptions;
    std::vector<std::string> calls;
    std::vector<std::string> messages;
    int progressResult = -1;
    ImportSession* current = nullptr;
    RecordingSink sink;
};

// The names of the host commands run so far, in order.
std::vector<std::string> commandNames();

// The mesh of one node of a .gltf written by the host (positions and
// texture coordinates per vertex, the index list).
struct GltfMesh {
    bool found = false;
    std::vector<float> positions;
    std::vector<float> texcoords;
    std::vector<uint32_t> indices;
    double translation[3] = {0, 0, 0};
};
GltfMesh readGltfMesh(const std::string& gltfPath, const std::string& nodeName);

}  // namespace importtest
