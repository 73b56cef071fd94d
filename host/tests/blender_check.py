# Opens an exported .gltf or .glb in Blender and prints what it found: each
# mesh's vertex, polygon and UV-layer counts, the cameras and the lights.
# Manual check (Blender is not part of the build):
#   blender -b --factory-startup --python host/tests/blender_check.py -- FILE.glb
import numpy
if not hasattr(numpy, "bool"): numpy.bool = bool  # Debian: blender 3.4 importer with numpy 1.24
import bpy, sys
path = sys.argv[sys.argv.index("--") + 1]
bpy.ops.wm.read_factory_settings(use_empty=True)
bpy.ops.import_scene.gltf(filepath=path)
objs = bpy.context.scene.objects
for o in objs:
    if o.type == 'MESH':
        print("MESH", o.name, "vertices", len(o.data.vertices), "polygons", len(o.data.polygons), "uv layers", len(o.data.uv_layers))
print("CAMERAS", sum(1 for o in objs if o.type == 'CAMERA'), [o.name for o in objs if o.type == 'CAMERA'])
print("LIGHTS", sum(1 for o in objs if o.type == 'LIGHT'), [(o.name, o.data.type) for o in objs if o.type == 'LIGHT'])
cam = [o for o in objs if o.type == 'CAMERA'][0]
print("CAMERA location", tuple(round(c, 4) for c in cam.location))
