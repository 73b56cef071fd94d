#pragma once
// What a host program or a test does to the stand-in host from the outside:
// reset it, answer the file browser in advance, and look at what the plug-in
// did (commands, log, hook and redraw counts, objects, parameters).
//
// ResetHost() gives a new empty scene, every parameter (preferences included)
// at its default, no view camera, not framed, and empty records: commands,
// log, hook counts, redraws, file-browser properties, file-browser answer,
// and no known output file (SceneExport::SetOutput).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/XsiCore.h"
#include "host/XsiScene.h"

namespace XSI {
namespace HostControl {

void ResetHost();

// The host refuses a mesh list (positions, corners, normals, texture
// coordinates) that would take its lists in memory past this many bytes in
// all, as a host whose address space is used up does (0, the default: no
// limit). Lists placed in the output file do not count. ResetHost keeps it.
void SetListMemoryLimit(uint64_t bytes);

// ShowOpen answers this path (an empty path means "cancelled") until it is
// cleared or the host is reset.
void SetFileBrowserAnswer(const CString& path);
void ClearFileBrowserAnswer();
// Properties the plug-in last put on the file browser, by name ("Filter", ...).
CValue GetFileBrowserProperty(const CString& name);
// Names of the properties put on the file browser, in order.
std::vector<CString> GetFileBrowserPutOrder();
uint32_t GetFileBrowserShowCount();

// The node index list GetNodeIndices answers for every mesh, as another host
// that numbers polygon nodes in its own order would; empty: 0..n-1.
void SetNodeIndexAnswer(std::vector<int32_t> nodeIndices);

// The window GetApplicationWindowHandle answers (null by default).
void SetApplicationWindowHandle(void* window);

struct RecordedCommand {
    CString name;
    CValueArray args;
    bool hookSuspended = false;  // the Win32 controls hook was suspended when it ran
};
struct LogEntry {
    siSeverityType severity;
    CString text;
};
struct HookCounts {
    uint32_t suspended = 0;
    uint32_t restored = 0;
};

std::vector<RecordedCommand> GetCommands();
std::vector<LogEntry> GetLog();
HookCounts GetHookCounts();
uint32_t GetRedrawCount();

// A copy of one object's state, for checks and reports.
struct ObjectInfo {
    ObjectId id = 0;
    std::string name;
    std::string type;         // "polymsh", "camera", "light", "interest", "null"
    std::string parent;       // empty at the top of the scene
    double position[3] = {0, 0, 0};  // global translation
    double pivot[3] = {0, 0, 0};     // offset in the object's axes
    // meshes
    uint32_t vertexCount = 0, polygonCount = 0, nodeCount = 0, uvCount = 0;
    // cameras (fov, roll, interest) and lights (interest)
    double fov = 0, roll = 0;
    std::string interest;
};

std::optional<ObjectInfo> FindObject(const CString& name);
std::vector<ObjectInfo> GetObjects();  // in creation order
std::optional<CValue> GetParameter(const CString& path);
CString GetViewCamera();  // empty when none
bool IsFramed();

}  // namespace HostControl
}  // namespace XSI
