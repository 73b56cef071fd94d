# The add-on in a headless Blender: installed from its zip, then imports run
# through its operator and checked against what `vqvireru import` itself
# writes for the same terrain.
#   blender -b --factory-startup --python-exit-code 1 --python test_addon.py -- \
#       ADDON.zip VQVIRERU EXAMPLES_DIR WORK_DIR
import json
import math
import os
import shutil
import subprocess
import sys
import time

import bpy
import numpy
from mathutils import Vector

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import MODULE, arguments, check, run  # noqa: E402

ZIP, PROGRAM, EXAMPLES, WORK = arguments(4)


def close(a, b, tolerance=1e-3):
    return abs(a - b) <= tolerance * max(1.0, abs(a), abs(b))


def z_up(p):
    return Vector((p[0], -p[2], p[1]))


def program_scene(terrain, *options):
    """The glTF and report vqvireru writes by itself, to compare with."""
    out = os.path.join(WORK, "expected-%d" % len(os.listdir(WORK)))
    os.makedirs(out)
    subprocess.run([PROGRAM, "import", terrain, "-o", os.path.join(out, "s.gltf"), "--report",
                    os.path.join(out, "r.json"), "-q", "--keep-scene", *options], check=True)
    with open(os.path.join(out, "s.gltf")) as f:
        gltf = json.load(f)
    with open(os.path.join(out, "r.json")) as f:
        report = json.load(f)
    data = numpy.fromfile(os.path.join(out, gltf["buffers"][0]["uri"]), numpy.uint8)

    def accessor(i, dtype, components):
        a = gltf["accessors"][i]
        view = gltf["bufferViews"][a["bufferView"]]
        return numpy.frombuffer(data, dtype, a["count"] * components, view.get("byteOffset", 0)).reshape(-1, components)
    accessor.folder = out
    return gltf, {o["name"]: o for o in report["objects"]}, report, accessor


def new_objects(before):
    return {o.name: o for o in bpy.context.scene.objects if o.name not in before}


def run_import(**options):
    before = {o.name for o in bpy.context.scene.objects}
    bpy.ops.import_scene.terragen_ter(**options)
    return new_objects(before)


def fresh_file(use_empty):
    """Blender's own new file; the factory settings disable add-ons, so it is enabled again."""
    bpy.ops.wm.read_factory_settings(use_empty=use_empty)
    bpy.ops.preferences.addon_enable(module=MODULE)
    bpy.context.preferences.addons[MODULE].preferences.program = PROGRAM


def data_counts():
    return (len(bpy.data.objects), len(bpy.data.meshes), len(bpy.data.cameras), len(bpy.data.lights))


def test_install():
    bpy.ops.preferences.addon_install(filepath=ZIP, overwrite=True)
    bpy.ops.preferences.addon_enable(module=MODULE)
    module = sys.modules[MODULE]
    check(os.path.dirname(module.__file__).startswith(bpy.utils.user_resource("SCRIPTS")),
          "the add-on runs from its installed copy, not the source tree: %s" % module.__file__)
    bpy.context.preferences.addons[MODULE].preferences.program = PROGRAM
    labels = []

    class Layout:
        def operator(self, idname, text=""):
            labels.append((idname, text))
    for draw in bpy.types.TOPBAR_MT_file_import._dyn_ui_initialize():
        if getattr(draw, "__module__", "").startswith(MODULE):
            draw(type("Menu", (), {"layout": Layout()})(), bpy.context)
    check(labels == [("import_scene.terragen_ter", "Terragen terrain (.ter)")],
          "File > Import has the entry: %s" % labels)


def test_example_import():
    terrain = os.path.join(EXAMPLES, "ridge.ter")
    gltf, expected, report, accessor = program_scene(terrain)
    made = run_import(filepath=terrain)
    check(set(made) == {"ridge", "TG_Cam", "TG_Sun", "TG_Water"}, "the example's objects: %s" % sorted(made))
    if "ridge" not in made:
        return

    # The terrain: the program's vertices in Blender's axes, its origin at the pivot.
    ridge = made["ridge"]
    mesh = ridge.data
    want = expected["ridge"]
    check(len(mesh.vertices) == want["vertexCount"], "vertex count %d" % len(mesh.vertices))
    # Each grid cell is one quad of the program's two triangles.
    check(len(mesh.polygons) == want["polygonCount"] // 2, "face count %d" % len(mesh.polygons))
    check(close((ridge.location - z_up(want["pivot"])).length, 0.0), "origin at the pivot: %s" % ridge.location)
    co = numpy.empty(3 * len(mesh.vertices), numpy.float32)
    mesh.vertices.foreach_get("co", co)
    co = co.reshape(-1, 3) + numpy.array(ridge.location, numpy.float32)
    positions = accessor(gltf["meshes"][0]["primitives"][0]["attributes"]["POSITION"], numpy.float32, 3)
    check(numpy.allclose(co, positions[:, [0, 2, 1]] * [1, -1, 1], atol=1e-3), "vertex positions, Z up")
    # Blender's triangles are the program's triangles, each with the same winding.
    mesh.calc_loop_triangles()
    tris = numpy.empty(3 * len(mesh.loop_triangles), numpy.int32)
    mesh.loop_triangles.foreach_get("vertices", tris)
    indices = accessor(gltf["meshes"][0]["primitives"][0]["indices"], numpy.uint32, 1).reshape(-1, 3)

    def canonical(t):   # each triangle rotated to start at its smallest corner, then sorted
        t = t.astype(numpy.int64)
        k = numpy.argmin(t, axis=1)
        t = numpy.stack([t[numpy.arange(len(t)), (k + i) % 3] for i in range(3)], axis=1)
        return t[numpy.lexsort(t.T[::-1])]
    check(numpy.array_equal(canonical(tris.reshape(-1, 3)), canonical(indices)), "the program's triangles")
    check("UVMap" in mesh.uv_layers and len(mesh.uv_layers) == 1, "one UV map: %s" % mesh.uv_layers.keys())
    uv = numpy.empty(2 * len(mesh.loops), numpy.float32)
    mesh.uv_layers["UVMap"].data.foreach_get("uv", uv)
    loops = numpy.empty(len(mesh.loops), numpy.int32)
    mesh.loops.foreach_get("vertex_index", loops)
    texcoords = accessor(gltf["meshes"][0]["primitives"][0]["attributes"]["TEXCOORD_0"], numpy.float32, 2)
    check(numpy.allclose(uv.reshape(-1, 2), texcoords[loops] * [1, -1] + [0, 1]), "UVs per corner, v upwards")
    smooth = numpy.empty(len(mesh.polygons), bool)
    mesh.polygons.foreach_get("use_smooth", smooth)
    check(smooth.all(), "every face smooth")
    check(len(mesh.edges) == 2 * 256 * 257, "the grid's edges: %d" % len(mesh.edges))
    # Nothing selected, and no selection layers: each is held twice at the peak.
    selection = [a.name for a in mesh.attributes if a.name.startswith(".select")]
    check(not selection, "no selection layers: %s" % selection)
    check(not mesh.validate(verbose=True), "a valid mesh (validate() found nothing to mend)")

    # The camera, the scene's, with the world file's field of view.
    cam = made["TG_Cam"]
    scene = bpy.context.scene
    check(scene.camera == cam and cam.type == "CAMERA", "TG_Cam is the scene camera")
    check(close(math.degrees(cam.data.angle_x), expected["TG_Cam"]["fov"]) and cam.data.sensor_fit == "HORIZONTAL",
          "camera field of view %f" % math.degrees(cam.data.angle_x))
    check(close((cam.location - z_up(expected["TG_Cam"]["position"])).length, 0.0), "camera position")
    look = (z_up(expected["TG_Cam_Interest"]["position"]) - cam.location).normalized()
    view = cam.matrix_world.to_quaternion() @ Vector((0, 0, -1))
    check(view.dot(look) > 0.9999, "the camera looks at its interest: %s vs %s" % (view, look))
    check(cam.data.clip_end > 2000, "the far plane reaches past the terrain: %f" % cam.data.clip_end)

    # The sun: a sun light shining from its position to its interest.
    sun = made["TG_Sun"]
    check(sun.type == "LIGHT" and sun.data.type == "SUN", "TG_Sun is a sun")
    direction = (z_up(expected["TG_Sun_Interest"]["position"]) - z_up(expected["TG_Sun"]["position"])).normalized()
    shines = sun.matrix_world.to_quaternion() @ Vector((0, 0, -1))
    check(shines.dot(direction) > 0.9999, "sun direction %s, want %s" % (shines, direction))
    check(shines.z < 0, "the sun shines downwards")

    # The water: one upward quad over the terrain at the water level.
    water = made["TG_Water"]
    check(len(water.data.vertices) == 4 and len(water.data.polygons) == 1, "TG_Water is a plane")
    check(close(water.dimensions.x, 768) and close(water.dimensions.y, 768) and water.dimensions.z == 0,
          "water size %s" % str(tuple(water.dimensions)))
    check(close(water.matrix_world.translation.z, 6.0), "water level %f" % water.matrix_world.translation.z)
    check(water.data.polygons[0].normal.z > 0.99, "the water faces up")

    r = scene.render
    check((r.resolution_x, r.resolution_y, r.resolution_percentage) == (800, 450, 100),
          "render resolution %dx%d" % (r.resolution_x, r.resolution_y))
    check({"Cube", "Light", "Camera"} <= {o.name for o in scene.objects}, "the scene's own objects kept")


def test_options():
    fresh_file(use_empty=True)
    # A terrain alone in its folder: the world file comes from the option.
    folder = os.path.join(WORK, "alone")
    os.makedirs(folder)
    terrain = shutil.copy(os.path.join(EXAMPLES, "ridge.ter"), os.path.join(folder, "alps.ter"))
    made = run_import(filepath=terrain, object_name="Peak", scale=0.05, camera=False, water=False,
                      render_settings=False, world_file=os.path.join(EXAMPLES, "ridge.tgw"))
    check(set(made) == {"Peak", "TG_Sun"}, "name, no camera, no water: %s" % sorted(made))
    scene = bpy.context.scene
    if "Peak" in made:
        check(close(made["Peak"].dimensions.x, 384) and close(made["Peak"].dimensions.y, 384),
              "scale 0.05: %s" % str(tuple(made["Peak"].dimensions)))
    check(scene.camera is None, "no scene camera without TG_Cam")
    check((scene.render.resolution_x, scene.render.resolution_y) == (1920, 1080), "render settings left alone")
    # Blender keeps an operator's last values (from the file browser, not from
    # a script) for the options it is allowed to; the world file follows the terrain.
    props = bpy.ops.import_scene.terragen_ter.get_rna_type().properties
    kept = {p.identifier for p in props if not p.is_skip_save and not p.is_hidden}
    check(kept >= {"object_name", "scale", "replace_scene", "center_pivot", "camera", "sun", "water",
                   "render_settings"} and "world_file" not in kept, "the options kept: %s" % sorted(kept))

    # Max Error goes to the program only when it thins the terrain.
    from vqvireru_import.job import program_arguments
    base = dict(scale=0.1, center_pivot=True, camera=True, sun=True, water=True, render_settings=True)
    check("--max-error" not in program_arguments("p", "t.ter", "o.gltf", dict(base, max_error=0.0)),
          "Max Error 0: every point, no --max-error")
    args = program_arguments("p", "t.ter", "o.gltf", dict(base, max_error=2.5))
    check(args[args.index("--max-error") + 1] == "2.5", "Max Error 2.5 m: %s" % args)

    # Without a world file there is only the terrain; the pivot off puts its origin at the first corner.
    made = run_import(filepath=terrain, object_name="", center_pivot=False, camera=True, water=False)
    check(set(made) == {"alps"}, "the terrain named after its file, nothing from a world: %s" % sorted(made))
    if "alps" in made:
        check(made["alps"].location.length == 0.0, "pivot at the first corner: %s" % made["alps"].location)


def test_names_and_replace():
    fresh_file(use_empty=True)
    terrain = os.path.join(EXAMPLES, "ridge.ter")
    mine = bpy.data.objects.new("ridge", None)
    bpy.context.scene.collection.objects.link(mine)
    made = run_import(filepath=terrain)
    check(set(made) == {"ridge.001", "TG_Cam", "TG_Sun", "TG_Water"}, "a taken name gets .001: %s" % sorted(made))
    check(mine.name == "ridge" and mine.name in bpy.context.scene.objects, "the existing object stays")
    made = run_import(filepath=terrain)
    check(set(made) == {"ridge.002", "TG_Cam.001", "TG_Sun.001", "TG_Water.001"}, "again: %s" % sorted(made))
    check(bpy.context.scene.camera.name == "TG_Cam.001", "the newest camera is the scene's")
    # Replace Scene: the scene emptied first, so the names are free again.
    other = bpy.data.scenes.new("Other")
    other.collection.objects.link(mine)
    made = run_import(filepath=terrain, replace_scene=True)
    names = sorted(o.name for o in bpy.context.scene.objects)
    check(names == ["TG_Cam", "TG_Sun", "TG_Water", "ridge.001"], "Replace Scene leaves only the import: %s" % names)
    check(mine.name == "ridge" and mine.name in other.objects and mine.name not in bpy.context.scene.objects,
          "an object also in another scene stays there")


def test_failures():
    fresh_file(use_empty=False)
    prefs = bpy.context.preferences.addons[MODULE].preferences
    prefs.program = PROGRAM
    bad = os.path.join(WORK, "bad.ter")
    with open(bad, "wb") as f:
        f.write(b"TERRAGENTERRAIN \x00\x01 not really")
    said = subprocess.run([PROGRAM, "import", bad, "-o", os.path.join(WORK, "bad.glb")],
                          capture_output=True, text=True).stderr.strip()
    counts = data_counts()
    try:
        bpy.ops.import_scene.terragen_ter(filepath=bad)
        check(False, "a bad terrain fails")
    except RuntimeError as e:
        check(said and str(e).strip() == "Error: " + " ".join(said.split("\n")),
              "the program's message as an error report: %s (the program said %s)" % (e, said))
    check(data_counts() == counts, "nothing added after a failure")

    prefs.program = os.path.join(WORK, "no-such-program")
    try:
        bpy.ops.import_scene.terragen_ter(filepath=os.path.join(EXAMPLES, "ridge.ter"))
        check(False, "a missing program fails")
    except RuntimeError as e:
        check("vqvireru not found" in str(e), "a missing program is reported: %s" % e)
    prefs.program = PROGRAM
    check(data_counts() == counts, "nothing added without the program")


def test_cancel():
    from vqvireru_import.job import ImportJob
    fresh_file(use_empty=False)
    options = dict(name="", scale=0.1, replace_scene=True, center_pivot=True, camera=True, sun=True,
                   water=True, render_settings=True, world_file="")
    terrain = os.path.join(EXAMPLES, "ridge.ter")
    names = sorted(o.name for o in bpy.context.scene.objects)
    counts = data_counts()
    resolution = bpy.context.scene.render.resolution_x

    # Esc while the program runs: it is stopped and its folder removed.
    job = ImportJob(bpy.context, PROGRAM, terrain, options)
    job.start()
    folder, process = job.folder, job.process
    job.cancel()
    check(process.poll() is not None, "the program is stopped")
    check(not os.path.exists(folder), "its temporary folder is removed")
    check(job.finished and job.error is None and not job.step(), "a cancelled job is over, without an error")

    # Esc part way through the building: what was made goes again.
    job = ImportJob(bpy.context, PROGRAM, terrain, options)
    job.start()
    texts = []
    while job.step() and not (job.builder and "texture coordinates" in job.text):
        texts.append(job.text)
        time.sleep(0.01)
    check(job.builder is not None and len(bpy.data.meshes) > counts[1], "part of the scene was built: %s" % texts)
    folder = job.folder
    job.cancel()
    check(not os.path.exists(folder), "the temporary folder is removed")
    check(data_counts() == counts, "nothing added after a cancel: %s vs %s" % (data_counts(), counts))
    check(sorted(o.name for o in bpy.context.scene.objects) == names and
          bpy.context.scene.render.resolution_x == resolution, "the scene is as it was")


def test_other_triangles():
    """Triangles that are not the program's grid are taken as they come."""
    from vqvireru_import.scene_build import SceneBuilder
    fresh_file(use_empty=True)
    gltf, expected, report, accessor = program_scene(os.path.join(EXAMPLES, "ridge.ter"), "--no-water")
    folder = os.path.join(WORK, "shuffled")
    os.makedirs(folder)
    primitive = gltf["meshes"][0]["primitives"][0]
    indices = accessor(primitive["indices"], numpy.uint32, 1).reshape(-1, 3)
    shuffled = indices[numpy.random.default_rng(17).permutation(len(indices))]
    view = gltf["bufferViews"][gltf["accessors"][primitive["indices"]]["bufferView"]]
    with open(os.path.join(accessor.folder, gltf["buffers"][0]["uri"]), "rb") as f:
        data = bytearray(f.read())
    start = view.get("byteOffset", 0)
    data[start:start + shuffled.nbytes] = shuffled.astype("<u4").tobytes()
    with open(os.path.join(folder, gltf["buffers"][0]["uri"]), "wb") as f:
        f.write(data)
    with open(os.path.join(folder, "s.gltf"), "w") as f:
        json.dump(gltf, f)
    builder = SceneBuilder(os.path.join(folder, "s.gltf"), bpy.context, {})
    for _ in builder.run():
        pass
    mesh = bpy.data.objects["ridge"].data
    check(len(mesh.polygons) == len(indices) and len(mesh.edges) == 3 * 256 * 256 + 2 * 256,
          "shuffled triangles: %d faces, %d edges" % (len(mesh.polygons), len(mesh.edges)))
    corners = numpy.empty(len(mesh.loops), numpy.int32)
    mesh.loops.foreach_get("vertex_index", corners)
    check(numpy.array_equal(corners, shuffled.ravel()), "the triangles as they come")
    uv = numpy.empty(2 * len(mesh.loops), numpy.float32)
    mesh.uv_layers["UVMap"].data.foreach_get("uv", uv)
    texcoords = accessor(primitive["attributes"]["TEXCOORD_0"], numpy.float32, 2)
    check(numpy.allclose(uv.reshape(-1, 2), texcoords[corners] * [1, -1] + [0, 1]), "their UVs per corner")
    check(not mesh.validate(), "a valid mesh from the triangles")


run((test_install, test_example_import, test_options, test_names_and_replace, test_failures, test_cancel,
     test_other_triangles))
