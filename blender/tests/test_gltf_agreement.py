# The add-on's scene against Blender's own glTF importer: the same `vqvireru
# import` output read both ways must give the same world-space scene. Run over
# generated terrains of every shape the readers take and world files with
# values missing.
#   run.sh WORK test_gltf_agreement.py BLENDER ADDON.zip VQVIRERU VQ-TERGEN
import json
import math
import os
import subprocess
import sys

import bpy
import numpy
from mathutils import Vector

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import MODULE, arguments, check, run  # noqa: E402

# Blender 3.4's glTF importer still names numpy's removed aliases (np.bool);
# they are put back here, for this test only.
for alias, kind in (("bool", bool), ("int", int), ("float", float), ("object", object)):
    if alias not in numpy.__dict__:
        setattr(numpy, alias, kind)

ZIP, PROGRAM, TERGEN, WORK = arguments(4)

# (name, vq-tergen terrain arguments, world arguments or None for no world file)
CASES = [
    ("grid-2x2", ["--points", "2", "2"], []),
    ("grid-2x9", ["--points", "2", "9"], []),
    ("grid-9x2", ["--points", "9", "2"], []),
    ("grid-33x17", ["--points", "33", "17"], ["--picture", "800", "450"]),
    ("unequal-scal", ["--points", "17", "17", "--scale", "30", "10", "5"], []),
    ("sun-without-wldg", ["--points", "9", "9"], ["--omit", "WLDG"]),
    ("no-zoom", ["--points", "9", "9"], ["--omit", "ZOOM"]),
    ("zoom-0", ["--points", "9", "9"], ["--zoom", "0"]),
    ("no-target-bank-or-size", ["--points", "9", "9"], ["--omit", "TARY", "--omit", "CAMB", "--omit", "IMWI"]),
    ("heading-and-bank", ["--points", "17", "12"],
     ["--sun", "123", "25", "--bank", "30", "--camera", "2", "3", "40", "--picture", "640", "480",
      "--pixel-aspect", "1.2"]),
    ("tall-picture", ["--points", "12", "17"], ["--bank", "-50", "--zoom", "3", "--picture", "480", "800"]),
    ("no-world", ["--points", "5", "7"], None),
]


def fresh_file():
    bpy.ops.wm.read_factory_settings(use_empty=True)
    bpy.ops.preferences.addon_enable(module=MODULE)
    bpy.context.preferences.addons[MODULE].preferences.program = PROGRAM


def add_on_options(**changes):
    """The import panel's defaults, as the add-on hands them to the program."""
    options = dict(name="", scale=0.1, max_error=0.0, replace_scene=False, center_pivot=True, camera=True,
                   sun=True, water=True, render_settings=True, world_file="")
    options.update(changes)
    return options


def make_terrain(folder, terrain_args, world_args):
    os.makedirs(folder)
    terrain = os.path.join(folder, "t.ter")
    subprocess.run([TERGEN, "terrain", terrain, *terrain_args], check=True)
    if world_args is not None:
        subprocess.run([TERGEN, "world", os.path.join(folder, "t.tgw"), *world_args], check=True)
    return terrain


def program_output(terrain, folder, options):
    """What the add-on's program run writes, run here by the test itself."""
    from vqvireru_import.job import program_arguments
    path = os.path.join(folder, "scene.gltf")
    subprocess.run(program_arguments(PROGRAM, terrain, path, options), check=True, stdout=subprocess.DEVNULL)
    return path


# ---- what a scene holds, in world space

def world_points(obj):
    co = numpy.empty(3 * len(obj.data.vertices), numpy.float64)
    obj.data.vertices.foreach_get("co", co)
    m = numpy.array(obj.matrix_world)
    return co.reshape(-1, 3) @ m[:3, :3].T + m[:3, 3]


def vertex_rows(obj):
    """Each vertex as (x, y, z[, u, v]) in world space, in an order of their
    places; None for the UVs when one vertex has two (a seam)."""
    mesh = obj.data
    points = world_points(obj)
    rows = points
    uv_ok = True
    if mesh.uv_layers:
        loops = numpy.empty(len(mesh.loops), numpy.int64)
        mesh.loops.foreach_get("vertex_index", loops)
        uv = numpy.empty(2 * len(mesh.loops), numpy.float64)
        mesh.uv_layers[0].data.foreach_get("uv", uv)
        uv = uv.reshape(-1, 2)
        per_vertex = numpy.full((len(points), 2), numpy.nan)
        per_vertex[loops] = uv
        uv_ok = numpy.allclose(per_vertex[loops], uv, atol=1e-6)
        rows = numpy.hstack([points, per_vertex])
    keys = numpy.round(points * 1000.0).T[::-1]
    return rows[numpy.lexsort(keys)], uv_ok


def smooth_faces(obj):
    smooth = numpy.empty(len(obj.data.polygons), bool)
    obj.data.polygons.foreach_get("use_smooth", smooth)
    return smooth


def turned(obj, axis):
    return obj.matrix_world.to_quaternion() @ Vector(axis)


def horizontal_fov(camera, aspect):
    fit = camera.sensor_fit
    if fit == "AUTO":
        fit = "HORIZONTAL" if aspect >= 1.0 else "VERTICAL"
    if fit == "HORIZONTAL":
        return math.degrees(camera.angle_x)
    return math.degrees(2.0 * math.atan(math.tan(camera.angle_y / 2.0) * aspect))


def scene_summary(aspect):
    bpy.context.view_layer.update()   # the objects' world matrices
    summary = {}
    for obj in bpy.context.scene.objects:
        if obj.type == "MESH":
            rows, uv_ok = vertex_rows(obj)
            summary[obj.name] = dict(kind="mesh", rows=rows, uv_ok=uv_ok, has_uv=len(obj.data.uv_layers) > 0,
                                     smooth=smooth_faces(obj), valid=not obj.data.validate())
        elif obj.type == "CAMERA":
            summary[obj.name] = dict(kind="camera", place=obj.matrix_world.translation.copy(),
                                     view=turned(obj, (0, 0, -1)), up=turned(obj, (0, 1, 0)),
                                     fov=horizontal_fov(obj.data, aspect))
        elif obj.type == "LIGHT":
            summary[obj.name] = dict(kind="light", shines=turned(obj, (0, 0, -1)))
    return summary


def render_aspect(scene):
    r = scene.render
    return r.resolution_x * r.pixel_aspect_x / (r.resolution_y * r.pixel_aspect_y)


def file_aspect(gltf_path):
    with open(gltf_path) as f:
        cameras = json.load(f).get("cameras", [])
    return cameras[0]["perspective"]["aspectRatio"] if cameras else 1.0


# ---- the two imports and their comparison

def gltf_summary(path):
    bpy.ops.wm.read_factory_settings(use_empty=True)
    bpy.ops.import_scene.gltf(filepath=path)
    return scene_summary(file_aspect(path))


def compare(case, ours, theirs, aspect_ours=None):
    """ours: the add-on's scene; theirs: Blender's glTF importer's."""
    check(set(ours) == set(theirs), "%s: the same objects: %s vs %s" % (case, sorted(ours), sorted(theirs)))
    for name in sorted(set(ours) & set(theirs)):
        a, b = ours[name], theirs[name]
        what = "%s %s" % (case, name)
        if a["kind"] != b["kind"]:
            check(False, "%s: a %s, not a %s" % (what, a["kind"], b["kind"]))
            continue
        if a["kind"] == "mesh":
            check(a["valid"], "%s: a valid mesh" % what)
            check(a["uv_ok"], "%s: one UV per vertex" % what)
            check(a["has_uv"] == b["has_uv"], "%s: a UV map %s, the glTF importer's %s" % (what, a["has_uv"], b["has_uv"]))
            same_count = len(a["rows"]) == len(b["rows"])
            check(same_count and numpy.allclose(a["rows"][:, :3], b["rows"][:, :3], atol=1e-3),
                  "%s: vertex positions (%d and %d points)" % (what, len(a["rows"]), len(b["rows"])))
            if same_count and a["has_uv"] and b["has_uv"]:
                check(numpy.allclose(a["rows"][:, 3:], b["rows"][:, 3:], atol=1e-5), "%s: per-vertex UVs" % what)
            # The glTF importer marks a face flat where the terrain is planar:
            # wherever it found curvature, the add-on's faces are all smooth.
            if b["smooth"].any():
                check(a["smooth"].all(), "%s: smooth faces (%d of %d)" % (what, a["smooth"].sum(), len(a["smooth"])))
            else:
                check(not a["smooth"].any() or name != "TG_Water", "%s: a flat water plane" % what)
        elif a["kind"] == "camera":
            check((a["place"] - b["place"]).length < 1e-3, "%s: place %s vs %s" % (what, a["place"], b["place"]))
            check(a["view"].dot(b["view"]) > 1 - 1e-6, "%s: view %s vs %s" % (what, a["view"], b["view"]))
            check(a["up"].dot(b["up"]) > 1 - 1e-6, "%s: up %s vs %s" % (what, a["up"], b["up"]))
            # At a picture of 1 x 480 pixels Blender's lens limits move the
            # glTF importer's vertical angle by a thousandth of a degree.
            check(abs(a["fov"] - b["fov"]) < 1e-2, "%s: horizontal field of view %f vs %f" % (what, a["fov"], b["fov"]))
            check(0.0 < a["fov"] < 180.0, "%s: a field of view a camera can have: %f" % (what, a["fov"]))
        elif a["kind"] == "light":
            check(a["shines"].dot(b["shines"]) > 1 - 1e-6, "%s: sun direction %s vs %s" % (what, a["shines"], b["shines"]))


def import_both(case, terrain, folder, **changes):
    """The add-on's import of terrain and the glTF importer's of the same program output."""
    options = add_on_options(**changes)
    fresh_file()
    bpy.ops.import_scene.terragen_ter(filepath=terrain, **({"max_error": options["max_error"]} if options["max_error"] else {}))
    path = program_output(terrain, folder, options)
    aspect = file_aspect(path)
    if bpy.context.scene.camera is not None:
        check(abs(render_aspect(bpy.context.scene) - aspect) < 1e-6,
              "%s: the render's aspect %f is the camera's %f" % (case, render_aspect(bpy.context.scene), aspect))
    ours = scene_summary(aspect)
    return ours, gltf_summary(path)


def test_install():
    bpy.ops.preferences.addon_install(filepath=ZIP, overwrite=True)
    fresh_file()


def test_shapes_and_worlds():
    for case, terrain_args, world_args in CASES:
        print("--", case, flush=True)
        folder = os.path.join(WORK, case)
        terrain = make_terrain(folder, terrain_args, world_args)
        ours, theirs = import_both(case, terrain, folder)
        compare(case, ours, theirs)
        if case in ("no-zoom", "zoom-0"):
            check(abs(ours["TG_Cam"]["fov"] - 90.0) < 1e-3, "%s: 90 degrees, the default zoom's" % case)
            host_value = {"no-zoom": -90.0, "zoom-0": 180.0}[case]
            check(abs(camera_from_file(os.path.join(folder, "scene.gltf"), host_value) - 90.0) < 1e-3,
                  "%s: the host's %g degrees in a file are taken as 90" % (case, host_value))


def camera_from_file(gltf_path, fov):
    """The add-on's camera from the file with the host's own field of view in it."""
    from vqvireru_import.scene_build import SceneBuilder
    with open(gltf_path) as f:
        doc = json.load(f)
    doc["cameras"][0]["extras"]["fov"] = fov
    path = gltf_path.replace(".gltf", "-host-fov.gltf")
    with open(path, "w") as f:
        json.dump(doc, f)
    fresh_file()
    for _ in SceneBuilder(path, bpy.context, add_on_options()).run():
        pass
    return math.degrees(bpy.context.scene.camera.data.angle_x)


def thinned_grid(gltf_path, out_folder):
    """The program's 9 x 9 grid as an irregular mesh: every other point, in
    another order, triangulated across the other diagonal, each point with
    its own u, v. Not the program's grid, so the add-on's general path builds it."""
    with open(gltf_path) as f:
        doc = json.load(f)
    folder = os.path.dirname(gltf_path)
    data = numpy.fromfile(os.path.join(folder, doc["buffers"][0]["uri"]), numpy.uint8)
    primitive = doc["meshes"][0]["primitives"][0]

    def read(i, dtype, width):
        a = doc["accessors"][i]
        view = doc["bufferViews"][a["bufferView"]]
        return numpy.frombuffer(data, dtype, a["count"] * width, view.get("byteOffset", 0)).reshape(-1, width)
    positions = read(primitive["attributes"]["POSITION"], numpy.float32, 3)
    normals = read(primitive["attributes"]["NORMAL"], numpy.float32, 3)
    uv = read(primitive["attributes"]["TEXCOORD_0"], numpy.float32, 2)
    kept = numpy.array([r * 9 + c for r in range(0, 9, 2) for c in range(0, 9, 2)])[::-1]
    place = {int(v): k for k, v in enumerate(kept)}
    triangles = []
    for r in range(0, 8, 2):
        for c in range(0, 8, 2):
            a, b, d, e = (place[(r + dr) * 9 + c + dc] for dr, dc in ((0, 0), (0, 2), (2, 0), (2, 2)))
            triangles += [a, b, e, a, e, d]   # the program's winding, the other diagonal
    lists = [positions[kept], normals[kept], uv[kept], numpy.array(triangles, numpy.uint32)]
    blob, views, accessors = b"", [], []
    for k, values in enumerate(lists):
        views.append({"buffer": 0, "byteOffset": len(blob), "byteLength": values.nbytes})
        accessors.append({"bufferView": k, "componentType": 5125 if k == 3 else 5126, "count": len(values.ravel())
                          if k == 3 else len(values), "type": "SCALAR" if k == 3 else ("VEC3" if k < 2 else "VEC2")})
        blob += values.astype("<u4" if k == 3 else "<f4").tobytes()
    accessors[0]["min"] = positions[kept].min(axis=0).tolist()
    accessors[0]["max"] = positions[kept].max(axis=0).tolist()
    doc["accessors"] = accessors + [dict(a, bufferView=a["bufferView"] + 4) for a in doc["accessors"]]
    doc["bufferViews"] = views + [dict(v, buffer=1) for v in doc["bufferViews"]]
    doc["buffers"] = [{"uri": "thinned.bin", "byteLength": len(blob)}, doc["buffers"][0]]
    for mesh in doc["meshes"]:
        for p in mesh["primitives"]:
            p["attributes"] = {key: i + 4 for key, i in p["attributes"].items()}
            p["indices"] += 4
    doc["meshes"][0]["primitives"][0] = {"attributes": {"POSITION": 0, "NORMAL": 1, "TEXCOORD_0": 2},
                                         "indices": 3, "mode": 4}
    os.makedirs(out_folder)
    with open(os.path.join(out_folder, "thinned.bin"), "wb") as f:
        f.write(blob)
    for buffer in doc["buffers"][1:]:
        os.symlink(os.path.join(folder, buffer["uri"]), os.path.join(out_folder, buffer["uri"]))
    path = os.path.join(out_folder, "thinned.gltf")
    with open(path, "w") as f:
        json.dump(doc, f)
    return path


def test_irregular_triangles():
    """An irregular triangle mesh (what Max Error makes) through the add-on's general path."""
    from vqvireru_import.scene_build import SceneBuilder
    folder = os.path.join(WORK, "irregular")
    terrain = make_terrain(folder, ["--points", "9", "9"], [])
    path = thinned_grid(program_output(terrain, folder, add_on_options()), os.path.join(folder, "thinned"))
    fresh_file()
    builder = SceneBuilder(path, bpy.context, add_on_options())
    for _ in builder.run():
        pass
    ours = scene_summary(file_aspect(path))
    check(len(bpy.data.objects["t"].data.polygons) == 32, "32 triangles as they came")
    compare("irregular", ours, gltf_summary(path))


def test_max_error():
    """The panel's Max Error through the program: fewer points, the same surface."""
    usage = subprocess.run([PROGRAM, "import", "--help"], capture_output=True, text=True).stdout
    if "--max-error" not in usage:
        print("SKIPPED: this vqvireru has no --max-error", flush=True)
        return
    for case, points, metres in (("max-error", 65, 5.0), ("max-error-2x9", None, 1.0)):
        folder = os.path.join(WORK, case)
        shape = ["--points", str(points), str(points)] if points else ["--points", "2", "9"]
        terrain = make_terrain(folder, shape, [])
        ours, theirs = import_both(case, terrain, folder, max_error=metres)
        compare(case, ours, theirs)
        if points:
            check(len(ours["t"]["rows"]) < points * points, "%s: fewer points: %d" % (case, len(ours["t"]["rows"])))


run((test_install, test_shapes_and_worlds, test_irregular_triangles, test_max_error))
