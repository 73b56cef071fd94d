# Builds the scene `vqvireru import` wrote (.gltf + .bin) in the open .blend.
#
# The lists go from the .bin into Blender through numpy and foreach_set: no
# per-vertex Python. The work is split into steps so that a modal operator can
# show progress and take Esc between them. Nothing is linked into the scene
# before the last step; abort() removes whatever the earlier steps made.
#
# The file is Y-up; Blender is Z-up. A point (x, y, z) becomes (x, -z, y), a
# turn of +90 degrees about X, which keeps the handedness. A camera or a light
# looks down its local -Z with +Y up in both, so its rotation is that turn
# applied after the file's rotation.
#
# The program's terrain is a grid of cells, each two triangles. Here each
# cell becomes one quad split along the same diagonal, and the grid's edges
# are written out rather than searched for. Measured with Blender 3.4 on
# 4097 x 4097 points: the triangles as stored plus Blender's own edge search
# took 41 s and 7.1 GiB at the peak; the quads with known edges take about
# 10 s and 4.7 GiB. The peak is Blender's: once the import is done, Blender
# 3.4 evaluates the scene, which copies every array of the mesh (2.06 GiB
# here) and adds its normals (0.38 GiB), so whatever the mesh holds counts
# twice, and what is built here before that stays below it. Any other
# triangle list is built as it comes.
import json
import math
import os
import re

import bpy
import numpy
from mathutils import Quaternion, Vector

FLOAT, UINT32 = 5126, 5125
Y_UP_TO_Z_UP = Quaternion((1.0, 0.0, 0.0), math.pi / 2)

# Blender 3.4 copies these straight into its arrays only when the numpy type
# matches the stored one (unsigned for indices); any other type goes item by
# item, ten to twenty times slower.
INDEX = numpy.uint32


# The program builds the terrain first and names its water plane TG_Water
# (TG_Water1... when the name is taken); any other mesh, whatever its size,
# is built as a terrain.
WATER = re.compile(r"TG_Water\d*")

# A camera's horizontal field of view at or outside (0, 180) degrees cannot be
# looked through (a world file without ZOOM means -90, ZOOM 0 means 180); it
# is taken as 90 degrees, the default zoom of 1, as the program writes it.
DEFAULT_FOV = 90.0


class BuildError(Exception):
    pass


def is_water(node):
    return WATER.fullmatch(node.get("name", "")) is not None


def usable_fov(degrees):
    """The horizontal field of view to give a camera, in degrees."""
    return degrees if 0.0 < degrees < 180.0 else DEFAULT_FOV


def z_up(p):
    return Vector((p[0], -p[2], p[1]))


class GltfFile:
    """The JSON part of a .gltf and its .bin, mapped rather than read."""

    def __init__(self, path):
        try:
            with open(path, "rb") as f:
                self.doc = json.load(f)
            buffers = self.doc.get("buffers", [])
            self.bins = [numpy.memmap(os.path.join(os.path.dirname(path), b["uri"]), dtype=numpy.uint8, mode="r")
                         if b.get("byteLength", 0) > 0 else numpy.zeros(0, numpy.uint8) for b in buffers]
        except (OSError, ValueError, KeyError) as e:
            raise BuildError("cannot read the scene vqvireru wrote: %s" % e) from e

    def accessor(self, index, components):
        """The accessor's values as a flat array (a view on the mapped file)."""
        try:
            a = self.doc["accessors"][index]
            view = self.doc["bufferViews"][a["bufferView"]]
            dtype = {FLOAT: numpy.float32, UINT32: INDEX}[a["componentType"]]
            data = self.bins[view["buffer"]]
            offset = view.get("byteOffset", 0) + a.get("byteOffset", 0)
            count = a["count"] * components
            if view.get("byteStride", 0) not in (0, components * 4):
                raise BuildError("interleaved lists are not supported")
            if offset + count * 4 > len(data):
                raise BuildError("accessor %d runs past the end of its buffer" % index)
            return numpy.frombuffer(data, dtype=dtype, count=count, offset=offset)
        except (KeyError, IndexError, TypeError) as e:
            raise BuildError("the scene vqvireru wrote is malformed (accessor %s)" % index) from e

    def close(self):
        # Unmapping returns the file's pages: the peak memory counts them.
        self.bins = []


def grid_size(indices, vertex_count):
    """(rows, columns) when the triangles are vqvireru's grid, else None.

    Cell (r, c) with corner a = r * columns + c is the two triangles
    (a, a+1, a+columns) and (a+1, a+columns+1, a+columns). Checked in bands
    of rows so that the check needs no list as large as the indices."""
    if len(indices) < 6:
        return None
    columns = int(indices[2])
    if columns < 2 or vertex_count % columns:
        return None
    rows = vertex_count // columns
    if rows < 2 or len(indices) != 6 * (rows - 1) * (columns - 1):
        return None
    band = max(1, (1 << 22) // (6 * (columns - 1)))
    per_row = 6 * (columns - 1)
    for r0 in range(0, rows - 1, band):
        r1 = min(rows - 1, r0 + band)
        if not numpy.array_equal(indices[r0 * per_row:r1 * per_row], _grid_triangles(r0, r1, columns).ravel()):
            return None
    return rows, columns


def _grid_triangles(r0, r1, columns):
    a = (numpy.arange(r0, r1, dtype=INDEX)[:, None] * columns + numpy.arange(columns - 1, dtype=INDEX)[None, :])
    out = numpy.empty(a.shape + (6,), INDEX)
    out[..., 0] = a
    out[..., 1] = a + 1
    out[..., 2] = a + columns
    out[..., 3] = a + 1
    out[..., 4] = a + columns + 1
    out[..., 5] = a + columns
    return out


# A grid cell as one quad, from its corner a+1 round to a: Blender splits a
# quad along its first and third corners, which is the program's diagonal
# (a+1, a+columns), so it renders as the same two triangles.
QUAD = ((0, 1), (1, 1), (1, 0), (0, 0))


def cell_corners(per_vertex, rows, columns, out):
    """Each cell's four corners' values, in QUAD's order, into out (cells x 4)."""
    g = per_vertex.reshape(rows, columns)
    cells = out.reshape(rows - 1, columns - 1, 4)
    for k, (dr, dc) in enumerate(QUAD):
        cells[..., k] = g[dr:rows - 1 + dr, dc:columns - 1 + dc]
    return out


def grid_edge_vertices(rows, columns):
    """The grid's edges: each row's horizontal ones, then the vertical ones."""
    h_count = rows * (columns - 1)
    v_count = (rows - 1) * columns
    out = numpy.empty((h_count + v_count, 2), INDEX)
    a = (numpy.arange(rows, dtype=INDEX)[:, None] * columns + numpy.arange(columns - 1, dtype=INDEX)[None, :]).ravel()
    out[:h_count, 0] = a
    out[:h_count, 1] = a + 1
    a = numpy.arange(v_count, dtype=INDEX)
    out[h_count:, 0] = a
    out[h_count:, 1] = a + columns
    return out.ravel()


def grid_loop_edges(rows, columns):
    """Each corner's edge (to the next corner of its quad), numbered as grid_edge_vertices does."""
    h_count = rows * (columns - 1)
    h = numpy.arange(rows, dtype=INDEX)[:, None] * (columns - 1) + numpy.arange(columns - 1, dtype=INDEX)[None, :]
    v = h_count + numpy.arange(rows - 1, dtype=INDEX)[:, None] * columns + numpy.arange(columns, dtype=INDEX)[None, :]
    out = numpy.empty((rows - 1, columns - 1, 4), INDEX)
    out[..., 0] = v[:, 1:]     # a+1 -> a+columns+1: the right edge
    out[..., 1] = h[1:, :]     # a+columns+1 -> a+columns: the bottom edge
    out[..., 2] = v[:, :-1]    # a+columns -> a: the left edge
    out[..., 3] = h[:-1, :]    # a -> a+1: the top edge
    return out.ravel()


def gather_pairs(uv, indices):
    """The per-vertex pairs (float32, n x 2) at each index, flat. Each pair
    moves as one 8-byte item, in pieces so that numpy's 64-bit copy of the
    indices stays small."""
    pairs = uv.view(numpy.uint64).ravel()
    out = numpy.empty(len(indices), numpy.uint64)
    piece = 1 << 22
    for i in range(0, len(indices), piece):
        numpy.take(pairs, indices[i:i + piece].astype(numpy.intp), out=out[i:i + piece])
    return out.view(numpy.float32)


def drop_selection(mesh):
    """Removes the selection layers that adding vertices, edges and faces makes
    (everything selected): nothing is selected in Edit Mode then, as with a
    mesh read from a file. They are a byte per vertex, edge and face, 64 MiB
    for 4097 x 4097 points, and Blender holds every mesh twice (its evaluated
    copy), so they count twice at the peak."""
    for layer in (".select_vert", ".select_edge", ".select_poly"):
        attribute = mesh.attributes.get(layer)
        if attribute is not None:
            mesh.attributes.remove(attribute)


def quad_from_triangles(indices):
    """Two triangles sharing an edge as one quad in the same winding, else None."""
    if len(indices) != 6:
        return None
    t1, t2 = list(indices[:3]), list(indices[3:])
    for i in range(3):
        p, q = t1[i], t1[(i + 1) % 3]
        for j in range(3):
            if t2[j] == q and t2[(j + 1) % 3] == p:
                return t1[:i + 1] + [t2[(j + 2) % 3]] + t1[i + 1:]
    return None


class SceneBuilder:
    """Makes the objects of one import; run() yields (fraction, text) per step."""

    def __init__(self, gltf_path, context, options):
        self.path = gltf_path
        self.context = context
        self.options = options    # dict: replace_scene, render_settings
        self.made = []            # (collection, datablock) to remove on abort
        self.objects = []         # (object, wanted name, location)
        self.scene_camera = None
        self.gltf = None
        self.terrain = None

    def _new(self, collection, *args):
        block = collection.new(*args)
        self.made.append((collection, block))
        return block

    def abort(self):
        """Removes everything made so far; the scene is as it was."""
        for collection, block in reversed(self.made):
            try:
                collection.remove(block)
            except ReferenceError:
                pass
        self.made.clear()
        self.objects.clear()
        self.close()

    def close(self):
        if self.gltf:
            self.gltf.close()
            self.gltf = None

    def run(self):
        yield 0.0, "reading the scene"
        self.gltf = GltfFile(self.path)
        doc = self.gltf.doc
        nodes = doc.get("nodes", [])
        scenes = doc.get("scenes", [{}])
        scene = scenes[doc.get("scene", 0)] if scenes else {}
        order = [nodes[i] for i in scene.get("nodes", range(len(nodes)))]
        meshes = [n for n in order if "mesh" in n]
        for k, node in enumerate(meshes):
            share = 0.9 / len(meshes)
            for fraction, text in self._mesh(node, k > 0 and is_water(node)):
                yield 0.05 + share * (k + fraction), text
        for node in order:
            if "camera" in node:
                self._camera(node)
            elif "KHR_lights_punctual" in node.get("extensions", {}):
                self._light(node)
        yield 0.95, "adding to the scene"
        # The last step: the run ends with the objects in the scene, in one go.
        self._link(scene.get("extras", {}))
        self.close()

    # ---- meshes

    def _mesh(self, node, water):
        doc = self.gltf.doc
        try:
            primitive = doc["meshes"][node["mesh"]]["primitives"][0]
            attributes = primitive["attributes"]
            if primitive.get("mode", 4) != 4 or "indices" not in primitive:
                raise BuildError("only indexed triangle lists are supported")
        except (KeyError, IndexError) as e:
            raise BuildError("the scene vqvireru wrote is malformed (mesh)") from e
        name = node.get("name", "mesh")
        pivot = node.get("extras", {}).get("pivot", [0.0, 0.0, 0.0])
        origin = z_up(node.get("translation", [0.0, 0.0, 0.0])) + z_up(pivot)
        mesh = self._new(bpy.data.meshes, name)

        yield 0.0, "%s: vertices" % name
        positions = self.gltf.accessor(attributes["POSITION"], 3).reshape(-1, 3)
        vertex_count = len(positions)
        co = numpy.empty((vertex_count, 3), numpy.float32)
        co[:, 0] = positions[:, 0] - numpy.float32(pivot[0])
        co[:, 1] = numpy.float32(pivot[2]) - positions[:, 2]
        co[:, 2] = positions[:, 1] - numpy.float32(pivot[1])
        del positions
        mesh.vertices.add(vertex_count)
        mesh.vertices.foreach_set("co", co.ravel())
        del co

        indices = self.gltf.accessor(primitive["indices"], 1)
        if len(indices) % 3 or (len(indices) and int(indices.max()) >= vertex_count):
            raise BuildError("the triangles of %s name vertices it does not have" % name)
        # The water plane is the one quad, flat and without texture coordinates;
        # a terrain of 2 x 2 points is a grid like any other.
        quad = quad_from_triangles(indices) if water else None
        if quad is not None:
            mesh.loops.add(4)
            mesh.loops.foreach_set("vertex_index", numpy.array(quad, INDEX))
            mesh.polygons.add(1)
            mesh.polygons.foreach_set("loop_start", numpy.zeros(1, INDEX))
            if not bpy.types.MeshPolygon.bl_rna.properties["loop_total"].is_readonly:
                mesh.polygons.foreach_set("loop_total", numpy.full(1, 4, INDEX))
            mesh.update(calc_edges=True)
            drop_selection(mesh)
            self.objects.append((self._new(bpy.data.objects, name, mesh), name, origin))
            yield 1.0, "%s: done" % name
            return

        grid = grid_size(indices, vertex_count)
        yield 0.2, "%s: faces" % name
        if grid:
            rows, columns = grid
            face_count = (rows - 1) * (columns - 1)
            corners = cell_corners(numpy.arange(vertex_count, dtype=INDEX), rows, columns,
                                   numpy.empty(4 * face_count, INDEX))
            del indices
        else:
            face_count = len(indices) // 3
            corners = indices
        size = 4 if grid else 3
        loop_count = size * face_count
        mesh.loops.add(loop_count)
        mesh.loops.foreach_set("vertex_index", corners)
        del corners
        mesh.polygons.add(face_count)
        mesh.polygons.foreach_set("loop_start", numpy.arange(0, loop_count, size, dtype=INDEX))
        if not bpy.types.MeshPolygon.bl_rna.properties["loop_total"].is_readonly:   # newer Blender derives it
            mesh.polygons.foreach_set("loop_total", numpy.full(face_count, size, INDEX))
        mesh.polygons.foreach_set("use_smooth", numpy.ones(face_count, bool))

        if "TEXCOORD_0" in attributes:
            yield 0.45, "%s: texture coordinates" % name
            uv = self.gltf.accessor(attributes["TEXCOORD_0"], 2).reshape(-1, 2).copy()
            uv[:, 1] = 1.0 - uv[:, 1]    # the file's v runs downwards
            if grid:
                pairs = cell_corners(uv.view(numpy.uint64), rows, columns,
                                     numpy.empty(loop_count, numpy.uint64)).view(numpy.float32)
            else:
                pairs = gather_pairs(uv, indices)
            del uv
            layer = mesh.uv_layers.new(name="UVMap")
            layer.data.foreach_set("uv", pairs)
            del pairs

        yield 0.7, "%s: edges" % name
        if grid:
            # The grid's edges are known: no search through the faces.
            edge_vertices = grid_edge_vertices(rows, columns)
            mesh.edges.add(len(edge_vertices) // 2)
            mesh.edges.foreach_set("vertices", edge_vertices)
            del edge_vertices
            mesh.loops.foreach_set("edge_index", grid_loop_edges(rows, columns))
            mesh.update()
        else:
            del indices
            mesh.update(calc_edges=True)
        drop_selection(mesh)
        self.objects.append((self._new(bpy.data.objects, name, mesh), name, origin))
        if self.terrain is None:
            self.terrain = self.objects[-1][0]
        yield 1.0, "%s: done" % name

    # ---- camera and sun

    def _placed(self, node, data):
        name = node.get("name", data.name)
        obj = self._new(bpy.data.objects, name, data)
        obj.rotation_mode = "QUATERNION"
        x, y, z, w = node.get("rotation", [0.0, 0.0, 0.0, 1.0])
        obj.rotation_quaternion = Y_UP_TO_Z_UP @ Quaternion((w, x, y, z))
        self.objects.append((obj, name, z_up(node.get("translation", [0.0, 0.0, 0.0]))))
        return obj

    def _camera(self, node):
        doc = self.gltf.doc
        camera = doc["cameras"][node["camera"]]
        data = self._new(bpy.data.cameras, node.get("name", "camera"))
        perspective = camera.get("perspective", {})
        fov = camera.get("extras", {}).get("fov")
        yfov = perspective.get("yfov")
        if isinstance(yfov, (int, float)) and not isinstance(fov, (int, float)) and 0.0 < yfov < math.pi:
            data.sensor_fit = "VERTICAL"
            data.angle = yfov
        else:   # the host's field of view is the horizontal one
            data.sensor_fit = "HORIZONTAL"
            data.angle = math.radians(usable_fov(fov if isinstance(fov, (int, float)) else DEFAULT_FOV))
        data.clip_start = perspective.get("znear", data.clip_start)
        obj = self._placed(node, data)
        if self.scene_camera is None:
            self.scene_camera = obj

    def _light(self, node):
        doc = self.gltf.doc
        light = doc["extensions"]["KHR_lights_punctual"]["lights"][node["extensions"]["KHR_lights_punctual"]["light"]]
        kind = {"directional": "SUN", "point": "POINT", "spot": "SPOT"}.get(light.get("type"), "SUN")
        data = self._new(bpy.data.lights, node.get("name", "light"), kind)
        data.color = light.get("color", [1.0, 1.0, 1.0])
        data.energy = light.get("intensity", 1.0)
        self._placed(node, data)

    # ---- into the scene

    def _link(self, extras):
        context = self.context
        scene = context.scene
        if self.options.get("replace_scene"):
            ours = _collections(scene.collection)
            for obj in list(scene.objects):
                if all(s == scene for s in obj.users_scene):
                    bpy.data.objects.remove(obj)
                else:   # also in another scene: only taken out of this one
                    for c in obj.users_collection:
                        if c in ours:
                            c.objects.unlink(obj)
        collection = context.view_layer.active_layer_collection.collection
        for obj in context.selected_objects:
            obj.select_set(False)
        extent = 0.0
        for obj, name, location in self.objects:
            # Named again now: a name freed by Replace Scene is the object's own.
            _rename(obj, name, bpy.data.objects)
            _rename(obj.data, name, _pool(obj.data))
            obj.location = location
            collection.objects.link(obj)
            obj.select_set(True)
            extent = max(extent, location.length + max(obj.dimensions, default=0.0))
        if self.scene_camera:
            scene.camera = self.scene_camera
            # Nothing of the imported scene lies beyond the camera's far plane.
            self.scene_camera.data.clip_end = max(self.scene_camera.data.clip_end, 2.0 * extent)
        active = self.terrain or (self.objects[0][0] if self.objects else None)
        if active:
            context.view_layer.objects.active = active
        if self.options.get("render_settings"):
            p = extras.get("parameters", {})
            key = "Passes.Default_Pass.RenderOptions."
            if key + "CameraXRes" in p and key + "CameraYRes" in p:
                size = render_size(p[key + "CameraXRes"], p[key + "CameraYRes"])
                if size:
                    scene.render.resolution_x, scene.render.resolution_y = size
                    scene.render.resolution_percentage = 100
            if p.get(key + "PixelRatio"):
                scene.render.pixel_aspect_x = float(p[key + "PixelRatio"])
                scene.render.pixel_aspect_y = 1.0
            end = p.get(key + "EndFrame")
            if isinstance(end, int) and end >= scene.frame_start:
                scene.frame_end = end
        self.made.clear()   # in the scene now: kept


# Blender's render size runs from 4 to 65536 pixels a side.
RENDER_MIN, RENDER_MAX = 4, 65536


def render_size(width, height):
    """The render size for the world's picture: as it is, or scaled by a
    whole factor up to Blender's smallest (a world without its width has a
    picture 1 pixel wide), so that the camera's aspect stays; None when no
    such size exists."""
    try:
        width, height = int(width), int(height)
    except (TypeError, ValueError):
        return None
    if width < 1 or height < 1:
        return None
    factor = -(-RENDER_MIN // min(width, height))
    if max(width, height) * factor > RENDER_MAX:
        return None
    return width * factor, height * factor


def _collections(root):
    found = [root]
    for child in root.children:
        found += _collections(child)
    return found


def _pool(data):
    if isinstance(data, bpy.types.Mesh):
        return bpy.data.meshes
    if isinstance(data, bpy.types.Camera):
        return bpy.data.cameras
    return bpy.data.lights


def _rename(block, name, pool):
    """Blender's rule for a taken name: the first free of name.001, name.002...

    Only a free name is ever assigned: Blender 3.4 renames the other block
    when one is renamed to a taken name."""
    wanted = name
    number = 0
    while True:
        holder = pool.get(wanted)
        if holder is None or holder == block:
            break
        number += 1
        wanted = "%s.%03d" % (name[:59], number)
    if block.name != wanted:
        block.name = wanted
