# One import in a headless Blender, for bench/blender_addon_vs_gltf.sh:
#   [MAX_ERROR=M] blender -b --factory-startup --python blender_import.py -- addon TERRAIN.ter ADDON_DIR VQVIRERU
#   blender -b --factory-startup --python blender_import.py -- gltf SCENE.glb
# Prints "IMPORT seconds" (the operator call alone) and what it made.
import os
import sys
import time

import bpy

args = sys.argv[sys.argv.index("--") + 1:]
kind, path = args[0], args[1]
if kind == "addon":
    sys.path.insert(0, args[2])
    import vqvireru_import
    vqvireru_import.register()
    os.environ["PATH"] = os.path.dirname(os.path.abspath(args[3])) + os.pathsep + os.environ["PATH"]
    # MAX_ERROR: the import panel's Max Error (metres; unset or 0: every point).
    max_error = float(os.environ.get("MAX_ERROR", "0"))
    options = {"max_error": max_error} if max_error > 0 else {}
    call = lambda: bpy.ops.import_scene.terragen_ter(filepath=path, **options)
else:
    # Blender 3.4's glTF importer still uses aliases numpy 1.24 removed.
    import numpy
    for alias, real in (("bool", bool), ("int", int), ("float", float), ("object", object), ("str", str)):
        if alias not in numpy.__dict__:
            setattr(numpy, alias, real)
    call = lambda: bpy.ops.import_scene.gltf(filepath=path)
start = time.perf_counter()
result = call()
print("IMPORT %.3f" % (time.perf_counter() - start))
for o in bpy.context.scene.objects:
    if o.type == "MESH" and len(o.data.vertices) > 8:
        mesh = o.data
        print("MESH %s: %d vertices, %d faces, %d triangles" % (
            o.name, len(mesh.vertices), len(mesh.polygons), len(mesh.loops) - 2 * len(mesh.polygons)))
assert result == {"FINISHED"}, result
