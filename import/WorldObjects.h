#pragma once
// The scene objects taken from the world file: the camera "TG_Cam" with the
// render settings, the sun "TG_Sun" and the water plane "TG_Water".
//
// Axes and units: with u = scale x scaleX (the terrain's metres per terrain
// unit), a world position (x, y, z with z up) becomes the scene position
// (x u, z u, -y u); the host's Y axis is up and the world's y runs along -Z,
// as the terrain's rows do.
//
// A value that is not a finite number in scene units is never written as a
// position: the camera and sun stay where the host put them, the water plane
// is not made, and a warning in the host's log says which.
struct ImportSession;

// Adds the camera rig and places it from the "WLDG" group; then the render
// settings. Nothing without importCamera or a loaded world.
void CreateCamera(ImportSession& session);
// Adds the sun rig and places it from the atmosphere's "SUN " group.
void CreateSun(ImportSession& session);
// Adds the flat water plane at the "WATR" group's level, as large as the grid.
void CreateWaterPlane(ImportSession& session);
// Picture size, pixel ratio and pass camera of the default render pass.
void ImportRenderSettings(ImportSession& session);

// One world coordinate in scene units: value x scale x metresPerUnit, formed
// in double precision and rounded once to a float.
float WorldToScene(float value, float scale, float metresPerUnit);
// Horizontal field of view in degrees for a zoom factor: 2 atan(1 / zoom).
double FieldOfViewFromZoom(float zoom);
