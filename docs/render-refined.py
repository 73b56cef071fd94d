# Pictures of the error-bounded mesh beside the full grid, rendered from
# scenes written by `vqvireru import`:
#   blender -b -P docs/render-refined.py -- FULL.glb REFINED.glb MESH.png NORMALS.png
# Both look straight down on the middle sixth of the terrain (so that the
# full grid's cells stay apart), lit by a low sun that shows every change of
# slope. MESH.png: the two meshes as wireframes over the shaded terrain.
# NORMALS.png: the full grid, the refined mesh with its own smooth normals
# (as written), and the refined mesh with the full grid's normals at its
# points.
import math
import sys

import bpy
import numpy
from mathutils import Vector

if not hasattr(numpy, "bool"):  # Blender 3.4's glTF importer still uses numpy.bool
    numpy.bool = numpy.bool_

args = sys.argv[sys.argv.index("--") + 1:]
full_path, refined_path, mesh_out, normals_out = args[:4]
PANEL = (640, 400)


def load(path):
    """A new scene holding only path's objects; returns (terrain, camera)."""
    bpy.ops.wm.read_factory_settings(use_empty=True)
    bpy.ops.import_scene.gltf(filepath=path)
    scene = bpy.context.scene
    meshes = [o for o in scene.objects if o.type == "MESH"]
    terrain = max(meshes, key=lambda o: len(o.data.vertices))
    for o in meshes:
        if o is not terrain:
            bpy.data.objects.remove(o)
    clay = bpy.data.materials.new("clay")
    clay.use_nodes = True
    bsdf = clay.node_tree.nodes["Principled BSDF"]
    bsdf.inputs["Base Color"].default_value = (0.55, 0.5, 0.42, 1)
    bsdf.inputs["Roughness"].default_value = 0.9
    terrain.data.materials.clear()
    terrain.data.materials.append(clay)
    for o in [o for o in scene.objects if o.type == "LIGHT"]:
        bpy.data.objects.remove(o)
    low_sun = bpy.data.objects.new("low sun", bpy.data.lights.new("low sun", "SUN"))
    low_sun.data.energy = 3.0
    low_sun.rotation_euler = (math.radians(55), 0, math.radians(135))
    scene.collection.objects.link(low_sun)
    world = bpy.data.worlds.new("sky")
    world.use_nodes = True
    world.node_tree.nodes["Background"].inputs["Strength"].default_value = 0.6
    scene.world = world
    scene.render.engine = "CYCLES"
    scene.cycles.samples = 24
    scene.cycles.use_denoising = False
    scene.render.resolution_x, scene.render.resolution_y = PANEL
    camera = next(o for o in scene.objects if o.type == "CAMERA")
    camera.data.clip_end = 100000.0
    return terrain, camera


def render(path):
    bpy.context.scene.render.filepath = path
    bpy.ops.render.render(write_still=True)
    return path


def wireframe(terrain, thickness):
    copy = terrain.copy()
    copy.data = terrain.data.copy()
    bpy.context.scene.collection.objects.link(copy)
    modifier = copy.modifiers.new("wire", "WIREFRAME")
    modifier.thickness = thickness
    ink = bpy.data.materials.new("ink")
    ink.use_nodes = True
    ink.node_tree.nodes["Principled BSDF"].inputs["Base Color"].default_value = (0.02, 0.02, 0.03, 1)
    copy.data.materials.clear()
    copy.data.materials.append(ink)


def from_above(terrain):
    """An orthographic camera over the middle sixth of the terrain."""
    corners = [terrain.matrix_world @ Vector(c) for c in terrain.bound_box]
    lo = Vector([min(c[i] for c in corners) for i in range(3)])
    hi = Vector([max(c[i] for c in corners) for i in range(3)])
    middle = (lo + hi) / 2
    data = bpy.data.cameras.new("above")
    data.type = "ORTHO"
    data.ortho_scale = (hi.x - lo.x) / 6
    data.clip_end = 100000.0
    camera = bpy.data.objects.new("above", data)
    camera.location = (middle.x, middle.y, hi.z + 100)
    bpy.context.scene.collection.objects.link(camera)
    bpy.context.scene.camera = camera
    return (hi.x - lo.x)


def side_by_side(paths, out):
    images = [bpy.data.images.load(p) for p in paths]
    w, h = images[0].size
    gap = 8
    pixels = numpy.ones((h, len(images) * w + (len(images) - 1) * gap, 4), dtype=numpy.float32)
    for i, image in enumerate(images):
        pixels[:, i * (w + gap):i * (w + gap) + w, :] = numpy.array(image.pixels[:]).reshape(h, w, 4)
    result = bpy.data.images.new("side by side", pixels.shape[1], h, alpha=True)
    result.pixels = pixels.ravel()
    result.filepath_raw = out
    result.file_format = "PNG"
    result.save()


panels, shaded = [], []
for path in (full_path, refined_path):
    terrain, camera = load(path)
    width = from_above(terrain)
    shaded.append(render(path + ".shaded.png"))
    wireframe(terrain, width / 3000)
    panels.append(render(path + ".above.png"))
side_by_side(panels, mesh_out)

# The refined mesh with the full grid's normal at each of its points.
full_normals = {}
terrain, camera = load(full_path)
for v in terrain.data.vertices:
    full_normals[(round(v.co.x, 3), round(v.co.y, 3))] = v.normal.copy()
terrain, camera = load(refined_path)
from_above(terrain)
mesh = terrain.data
mesh.use_auto_smooth = True
mesh.normals_split_custom_set_from_vertices([full_normals[(round(v.co.x, 3), round(v.co.y, 3))] for v in mesh.vertices])
shaded.append(render(refined_path + ".fullnormals.png"))
side_by_side(shaded, normals_out)
