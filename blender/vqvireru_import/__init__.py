# File > Import > Terragen terrain (.ter): runs `vqvireru import` with the
# options of the side panel and builds what it wrote in the open .blend.
bl_info = {
    "name": "Terragen terrain import (vqvireru)",
    "author": "vqVirEru",
    "version": (0, 70, 0),
    "blender": (3, 4, 0),
    "location": "File > Import > Terragen terrain (.ter)",
    "description": "Imports a terrain (.ter) and its world file (.tgw): the terrain mesh, "
                   "camera, sun, water plane and render size",
    "category": "Import-Export",
}

import os

import bpy
from bpy.props import BoolProperty, FloatProperty, StringProperty
from bpy_extras.io_utils import ImportHelper

from .job import ImportFailed, ImportJob, find_program


class TerragenImportPreferences(bpy.types.AddonPreferences):
    bl_idname = __package__

    program: StringProperty(
        name="vqvireru program",
        description="The vqvireru program the import runs (empty: the one beside the add-on, else the one on PATH)",
        subtype="FILE_PATH",
    )

    def draw(self, context):
        self.layout.prop(self, "program")


def _preferences(context):
    addon = context.preferences.addons.get(__package__)
    return addon.preferences if addon else None


def _world_beside(terrain):
    world = os.path.splitext(terrain)[0] + ".tgw"
    return world if os.path.isfile(world) else ""


class TerragenOptions:
    """The options dialog's settings; Blender keeps their last values."""

    object_name: StringProperty(
        name="Object Name", maxlen=63,
        description="The terrain object's name (empty: the terrain file's name)")
    scale: FloatProperty(
        name="Scale", min=0.001, max=10000.0, default=0.1, precision=3, step=1,
        description="Scene units per metre")
    max_error: FloatProperty(
        name="Max Error", min=0.0, max=100000.0, default=0.0, precision=2, step=10,
        description="How far, in metres, the terrain's surface may stray from its points: the mesh keeps only "
                    "the points it needs, in fewer triangles (0: every point)")
    replace_scene: BoolProperty(
        name="Replace Scene", default=False,
        description="Remove the scene's objects first")
    center_pivot: BoolProperty(
        name="Center Pivot", default=True,
        description="The terrain's origin in its centre (off: at the terrain's first corner)")
    camera: BoolProperty(name="Camera", default=True, description="The world file's camera as TG_Cam")
    sun: BoolProperty(name="Sun", default=True, description="The world file's sun as TG_Sun")
    water: BoolProperty(name="Water", default=True, description="A water plane TG_Water")
    render_settings: BoolProperty(
        name="Render Settings", default=True,
        description="The render size from the world file")
    world_file: StringProperty(
        name="World File", subtype="FILE_PATH", options={"SKIP_SAVE"},
        description="The world file (.tgw); empty: the one beside the terrain")

    def import_options(self):
        return {
            "name": self.object_name,
            "scale": self.scale,
            "max_error": self.max_error,
            "replace_scene": self.replace_scene,
            "center_pivot": self.center_pivot,
            "camera": self.camera,
            "sun": self.sun,
            "water": self.water,
            "render_settings": self.render_settings,
            "world_file": os.path.abspath(bpy.path.abspath(self.world_file)) if self.world_file else "",
        }

    def copy_options_to(self, props):
        for key in ("object_name", "scale", "max_error", "replace_scene", "center_pivot", "camera", "sun", "water",
                    "render_settings", "world_file"):
            props[key] = getattr(self, key)


def _start(operator, context):
    """The job for the operator's options, or None with the error reported."""
    prefs = _preferences(context)
    try:
        program = find_program(bpy.path.abspath(prefs.program) if prefs and prefs.program else "")
        terrain = os.path.abspath(bpy.path.abspath(operator.filepath))
        if not os.path.isfile(terrain):
            raise ImportFailed("cannot open file \"%s\"" % operator.filepath)
        job = ImportJob(context, program, terrain, operator.import_options())
        job.start()
    except ImportFailed as e:
        operator.report({"ERROR"}, str(e))
        return None
    return job


class IMPORT_SCENE_OT_terragen_ter(bpy.types.Operator, ImportHelper, TerragenOptions):
    """Import a Terragen terrain (.ter) and its world file through vqvireru"""
    bl_idname = "import_scene.terragen_ter"
    bl_label = "Import Terragen Terrain"
    # No undo step of its own in the interface: the run below makes the one
    # step that takes the whole import back.
    bl_options = set()

    filename_ext = ".ter"
    filter_glob: StringProperty(default="*.ter", options={"HIDDEN"})
    # The world file this panel filled in by itself, so that picking another
    # terrain replaces it but a file the user chose stays.
    world_auto: StringProperty(options={"HIDDEN", "SKIP_SAVE"})

    def check(self, context):
        if self.world_file and self.world_file != self.world_auto:
            return False
        beside = _world_beside(self.filepath) if self.filepath else ""
        changed = beside != self.world_file
        self.world_file = self.world_auto = beside
        return changed

    def draw(self, context):
        layout = self.layout
        layout.use_property_split = True
        layout.use_property_decorate = False
        layout.prop(self, "object_name")
        layout.prop(self, "scale")
        layout.prop(self, "max_error")
        col = layout.column(heading="Import")
        for key in ("replace_scene", "center_pivot", "camera", "sun", "water", "render_settings"):
            col.prop(self, key)
        layout.prop(self, "world_file")

    def execute(self, context):
        if context.window and not bpy.app.background:
            # In the interface: a modal run with progress, Esc to cancel.
            props = {"filepath": self.filepath}
            self.copy_options_to(props)
            started = bpy.ops.import_scene.terragen_ter_run("INVOKE_DEFAULT", **props)
            return {"FINISHED"} if "RUNNING_MODAL" in started else {"CANCELLED"}
        job = _start(self, context)
        if job is None:
            return {"CANCELLED"}
        wm = context.window_manager
        wm.progress_begin(0, 100)
        try:
            job.run_to_end(lambda fraction, text: wm.progress_update(int(100 * fraction)))
        finally:
            wm.progress_end()
        if job.error:
            self.report({"ERROR"}, job.error)
            return {"CANCELLED"}
        return {"FINISHED"}


class IMPORT_SCENE_OT_terragen_ter_run(bpy.types.Operator, TerragenOptions):
    """The import itself, run a step at a time (Esc cancels)"""
    bl_idname = "import_scene.terragen_ter_run"
    bl_label = "Import Terragen Terrain"
    bl_options = {"UNDO", "INTERNAL"}

    filepath: StringProperty(subtype="FILE_PATH", options={"SKIP_SAVE"})

    def invoke(self, context, event):
        self.job = _start(self, context)
        if self.job is None:
            return {"CANCELLED"}
        wm = context.window_manager
        self.timer = wm.event_timer_add(0.05, window=context.window)
        wm.modal_handler_add(self)
        wm.progress_begin(0, 100)
        self._show(context)
        return {"RUNNING_MODAL"}

    def _show(self, context):
        job = self.job
        context.window_manager.progress_update(int(100 * job.fraction))
        if context.workspace:
            context.workspace.status_text_set("Importing %s: %s  %d%%  (Esc to cancel)" % (
                os.path.basename(self.filepath), job.text, int(100 * job.fraction)))

    def _end(self, context):
        wm = context.window_manager
        wm.event_timer_remove(self.timer)
        wm.progress_end()
        if context.workspace:
            context.workspace.status_text_set(None)

    def modal(self, context, event):
        job = self.job
        if event.type == "ESC" and event.value == "PRESS":
            job.cancel()
            self._end(context)
            self.report({"INFO"}, "Import cancelled")
            return {"CANCELLED"}
        if event.type != "TIMER":
            return {"RUNNING_MODAL"}   # the import holds the interface until it is done
        if job.step():
            self._show(context)
            return {"RUNNING_MODAL"}
        self._end(context)
        if job.error:
            self.report({"ERROR"}, job.error)
            return {"CANCELLED"}
        return {"FINISHED"}


    def cancel(self, context):
        # Blender is closing with the import still running.
        self.job.cancel()
        self._end(context)


def menu_import(self, context):
    self.layout.operator(IMPORT_SCENE_OT_terragen_ter.bl_idname, text="Terragen terrain (.ter)")


classes = (TerragenImportPreferences, IMPORT_SCENE_OT_terragen_ter, IMPORT_SCENE_OT_terragen_ter_run)


def register():
    for c in classes:
        bpy.utils.register_class(c)
    bpy.types.TOPBAR_MT_file_import.append(menu_import)


def unregister():
    bpy.types.TOPBAR_MT_file_import.remove(menu_import)
    for c in reversed(classes):
        bpy.utils.unregister_class(c)
