# Renders a scene written by `vqvireru import` the way the world file frames
# it: through the imported camera TG_Cam, lit by the imported sun TG_Sun.
#   blender -b -P docs/render-import.py -- SCENE.glb OUT.png [WIDTH HEIGHT]
# A terrain (.ter) is imported with the Blender add-on instead, from the
# add-on's folder VQ_ADDON_DIR (default: blender/ here), running the program
# VQVIRERU (default: vqvireru on PATH):
#   VQVIRERU=build/release/app/vqvireru blender -b -P docs/render-import.py -- examples/ridge.ter OUT.png
# The glTF holds no materials: the terrain gets a rock-and-grass colour by
# height, the water plane a blue, semi-glossy one.
import os
import sys

import bpy
import numpy

# Blender 3.4's glTF importer still uses numpy.bool, which newer numpy dropped.
if not hasattr(numpy, "bool"):
    numpy.bool = numpy.bool_

args = sys.argv[sys.argv.index("--") + 1:]
scene_path, out_path = args[0], args[1]
width, height = (int(args[2]), int(args[3])) if len(args) >= 4 else (960, 540)

bpy.ops.wm.read_factory_settings(use_empty=True)
if scene_path.lower().endswith(".ter"):
    sys.path.insert(0, os.environ.get("VQ_ADDON_DIR", os.path.join(os.path.dirname(__file__), "..", "blender")))
    import vqvireru_import
    vqvireru_import.register()
    if os.environ.get("VQVIRERU"):
        os.environ["PATH"] = os.path.dirname(os.path.abspath(os.environ["VQVIRERU"])) + os.pathsep + os.environ["PATH"]
    bpy.ops.import_scene.terragen_ter(filepath=scene_path)
else:
    bpy.ops.import_scene.gltf(filepath=scene_path)
scene = bpy.context.scene

camera = next(o for o in scene.objects if o.type == "CAMERA")
scene.camera = camera
camera.data.clip_end = 100000.0
sun = next((o for o in scene.objects if o.type == "LIGHT"), None)
if sun:
    sun.data.energy = 2.5


def material(name, build):
    m = bpy.data.materials.new(name)
    m.use_nodes = True
    build(m.node_tree)
    return m


def terrain_nodes(tree):
    bsdf = tree.nodes["Principled BSDF"]
    geometry = tree.nodes.new("ShaderNodeNewGeometry")
    separate = tree.nodes.new("ShaderNodeSeparateXYZ")
    ramp = tree.nodes.new("ShaderNodeValToRGB")
    tree.links.new(geometry.outputs["Position"], separate.inputs[0])
    tree.links.new(separate.outputs["Z"], ramp.inputs["Fac"])
    map_range = tree.nodes.new("ShaderNodeMapRange")
    map_range.inputs["From Min"].default_value = 0.0
    map_range.inputs["From Max"].default_value = 250.0
    tree.links.new(separate.outputs["Z"], map_range.inputs["Value"])
    tree.links.new(map_range.outputs["Result"], ramp.inputs["Fac"])
    ramp.color_ramp.elements[0].color = (0.10, 0.16, 0.05, 1)
    ramp.color_ramp.elements[1].color = (0.32, 0.27, 0.22, 1)
    snow = ramp.color_ramp.elements.new(0.9)
    snow.color = (0.95, 0.95, 0.97, 1)
    tree.links.new(ramp.outputs["Color"], bsdf.inputs["Base Color"])
    bsdf.inputs["Roughness"].default_value = 0.9


def water_nodes(tree):
    bsdf = tree.nodes["Principled BSDF"]
    bsdf.inputs["Base Color"].default_value = (0.05, 0.18, 0.30, 1)
    bsdf.inputs["Roughness"].default_value = 0.15


terrain_material = material("terrain", terrain_nodes)
water_material = material("water", water_nodes)
for o in scene.objects:
    if o.type == "MESH":
        o.data.materials.clear()
        o.data.materials.append(water_material if o.name.startswith("TG_Water") else terrain_material)

world = bpy.data.worlds.new("sky")
world.use_nodes = True
world.node_tree.nodes["Background"].inputs["Color"].default_value = (0.45, 0.6, 0.85, 1)
world.node_tree.nodes["Background"].inputs["Strength"].default_value = 0.35
scene.world = world

scene.render.engine = "CYCLES"
scene.cycles.samples = 48
scene.cycles.use_denoising = False
scene.cycles.device = "CPU"
scene.render.resolution_x, scene.render.resolution_y = width, height
scene.render.filepath = out_path
bpy.ops.render.render(write_still=True)
