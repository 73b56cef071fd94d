#pragma once
// Writing the stand-in host's scene out: glTF 2.0 (.gltf + .bin, or .glb) for
// people and tools, and a JSON scene report for scripts and tests.
//
// Every file is written whole or not at all: the data goes to "<path>.tmp"
// (and "<bin>.tmp"), which is renamed over the target only when complete.
// A failure leaves no temporary file and the targets as they were (for
// .gltf + .bin, a failure of the last rename also removes the new .bin).
//
// glTF choices:
// - Every object is a node at the top of the scene with its global position
//   as translation (so world positions are exactly what the host holds); its
//   parent's name, its type and its pivot are in the node's extras.
// - Meshes carry POSITION, NORMAL (smooth, see host/MeshNormals.h), TEXCOORD_0 (when the mesh has UV values: the UV
//   property holds one value per node, so a vertex whose nodes disagree is
//   split into one vertex per distinct value; v is flipped to glTF's
//   top-left origin) and 32-bit indices; polygons of
//   more than three corners are split into a fan of triangles. A mesh with no
//   polygons becomes a node without a mesh.
// - Cameras are perspective cameras whose -Z axis points at the interest,
//   +Y up, turned by the roll about the viewing axis (positive roll turns the
//   camera counter-clockwise as seen from behind it). The horizontal field
//   of view becomes yfov with the render aspect CameraXRes x PixelRatio /
//   CameraYRes. A field of view outside (0, 180) degrees, or a render aspect
//   that is not positive, is written as the nearest valid value (or aspect 1)
//   with a warning in the host log; so are non-finite numbers.
// - The sun is a KHR_lights_punctual directional light, -Z towards its interest.
// - The scene's extras hold every parameter, the view camera and the framing.
#include <cstdint>
#include <string>

#include "host/XsiCore.h"

namespace XSI {
namespace SceneExport {

enum class GltfLayout { Separate, Binary };  // .gltf + .bin, or one .glb

struct Result {
    bool ok = false;
    std::string errorText;  // why the file was not written
    uint64_t bytesWritten = 0;
};

// Names the file WriteGltf will write, before the scene is built: the host
// then keeps the scene's large lists in that file's storage, where the export
// puts them (host/ListStorage.h), and CMeshBuilder::ReserveMesh refuses a
// .glb past 4 GiB at once. WriteGltf of that path completes the file; a
// failed or never written output leaves no file. An empty path forgets the
// output (the lists then live in memory); so does ResetHost.
void SetOutput(const std::string& path, GltfLayout layout);

// For Separate the .bin is written beside the .gltf with the same base name.
[[nodiscard]] Result WriteGltf(const std::string& path, GltfLayout layout);
[[nodiscard]] Result WriteSceneReport(const std::string& path);

// The rotation (quaternion x, y, z, w) that turns -Z towards target - eye with
// +Y up, then turns by rollDegrees about the viewing axis; cameras and lights
// are written with it. Without a direction (eye == target) -Z stays.
void lookRotation(const double eye[3], const double target[3], double rollDegrees, double outXyzw[4]);

// The horizontal field of view a camera is written with, in degrees. A
// camera's value at or outside (0, 180), or not a number, cannot be looked
// through (a world file without ZOOM gives -90, ZOOM 0 gives 180); it is
// written as 90, the field of view of the default zoom of 1. The host keeps
// its own value (the scene report shows it).
constexpr double kDefaultFieldOfView = 90.0;
double usableFieldOfView(double degrees);

}  // namespace SceneExport
}  // namespace XSI
