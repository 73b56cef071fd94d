#include "import/ImportSession.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "formats/FixedText.h"
#include "host/XsiApplication.h"
#include "import/ImportPaths.h"
#include "import/ImportUi.h"
#include "import/ImportWorker.h"
#include "import/TerrainBuild.h"
#include "plugin/HostOps.h"

namespace {

constexpr char kCommandLogPreference[] = "preferences.scripting.cmdlog";

void putLittleEndian32(uint8_t* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t getLittleEndian32(const uint8_t* in) {
    return uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16 | uint32_t{in[3]} << 24;
}

}  // namespace

ImportSession::ImportSession() {
    worldPath[0] = '\0';
    objectName[0] = '\0';
    errorText[0] = '\0';
    settingsPath[0] = '\0';
    terrainPath[0] = '\0';
}

bool ImportSession::LoadSettings() {
    if (!settingsPath[0]) return false;
    std::FILE* f = std::fopen(settingsPath, "rb");
    if (!f) return false;
    uint8_t bytes[kSettingsFileSize];
    const size_t got = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    // A file cut short is treated like one of another version: whatever its
    // missing bytes would mean, the defaults are the safer answer.
    if (got < 4 || static_cast<int32_t>(getLittleEndian32(bytes)) != kSettingsVersion) return false;
    if (got < sizeof bytes) return false;

    replaceScene = bytes[4] != 0;
    centerPivot = bytes[5] != 0;
    const uint32_t bits = getLittleEndian32(bytes + 6);
    float stored;
    std::memcpy(&stored, &bits, sizeof stored);
    // A scale that is not a finite positive number would turn every position
    // into NaN or infinity: the scale in force stays.
    if (std::isfinite(stored) && stored > 0.0f) scale = stored;
    importCamera = bytes[10] != 0;
    importSun = bytes[11] != 0;
    createWater = bytes[12] != 0;
    importRender = bytes[13] != 0;
    return true;
}

void ImportSession::SaveSettings() const {
    if (!settingsPath[0]) return;
    uint8_t bytes[kSettingsFileSize];
    putLittleEndian32(bytes, static_cast<uint32_t>(kSettingsVersion));
    bytes[4] = replaceScene ? 1 : 0;
    bytes[5] = centerPivot ? 1 : 0;
    uint32_t bits;
    std::memcpy(&bits, &scale, sizeof bits);
    putLittleEndian32(bytes + 6, bits);
    bytes[10] = importCamera ? 1 : 0;
    bytes[11] = importSun ? 1 : 0;
    bytes[12] = createWater ? 1 : 0;
    bytes[13] = importRender ? 1 : 0;
    std::FILE* f = std::fopen(settingsPath, "wb");
    if (!f) return;  // not writable: nothing is reported
    (void)std::fwrite(bytes, 1, sizeof bytes, f);
    std::fclose(f);
}

bool ImportSession::RunImport(const XSI::CString& path, ImportUi& ui) {
    XSI::Application app;
    XSI::Desktop desktop = app.GetDesktop();

    fixedtext::copy(settingsPath, ui.settingsFilePath(instance).c_str());
    fixedtext::copy(terrainPath, path.GetAsciiString());
    ObjectNameFromPath(terrainPath, objectName, sizeof objectName);

    ui.loadSkinBitmaps(instance);
    hostWindow = desktop.GetApplicationWindowHandle();
    desktop.SuspendWin32ControlsHook();

    if (!terrain.open(terrainPath)) {
        ui.showMessage(*this, terrain.errorText, 0);
        desktop.RestoreWin32ControlsHook();
        desktop.RedrawUI();
        return false;
    }
    TerrainHeader header;
    terrain.getHeader(header);
    // A scale that cannot place the mesh, or a grid whose lists cannot fit
    // this process, fails here like a file that is not a terrain: before the
    // options, the world file, the samples and the scene.
    if (!CheckTerrainScale(header, terrainPath, errorText, sizeof errorText) ||
        !CheckTerrainFits(header, errorText, sizeof errorText, Refines())) {
        ui.showMessage(*this, errorText, 0);
        desktop.RestoreWin32ControlsHook();
        desktop.RedrawUI();
        return false;
    }
    vertexCount = uint32_t{header.xPoints} * header.yPoints;
    triangleCount = (2u * header.xPoints - 2u) * (uint32_t{header.yPoints} - 1u);

    (void)LoadSettings();  // a missing or foreign file leaves the defaults

    const std::string sibling = SiblingWorldPath(terrainPath);
    if (!sibling.empty() && sibling.size() < sizeof worldPath && FileExists(sibling.c_str()))
        fixedtext::copy(worldPath, sibling.c_str());

    if (ui.showOptions(*this) == 0) {
        desktop.RestoreWin32ControlsHook();
        desktop.RedrawUI();
        return false;
    }

    if (replaceScene) NewScene();
    (void)world.read(worldPath);  // the camera, sun and water steps test world.loaded

    const XSI::CValue commandLog = GetValue(kCommandLogPreference);
    if (commandLog == XSI::CValue(true)) SetValue(kCommandLogPreference, XSI::CValue(false));

    const int progressResult = ui.showProgress(*this);
    // The worker still clears progressWindow and reads `cancelled` after its
    // last message: the session must not be left (or destroyed) before then.
    WaitForImportThread();

    SaveSettings();

    if (progressResult != 0 && errorText[0] == '\0') {
        FrameAll();
        desktop.RestoreWin32ControlsHook();
        if (importCamera && cameraCreated) SetViewCamera(cameraName);
        SetValue(kCommandLogPreference, commandLog);
        desktop.RedrawUI();
        return true;
    }
    if (errorText[0]) ui.showMessage(*this, errorText, 0);
    SetValue(kCommandLogPreference, commandLog);
    desktop.RestoreWin32ControlsHook();
    return false;
}
