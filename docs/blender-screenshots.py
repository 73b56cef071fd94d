# Drives Blender under Xvfb for the add-on's README pictures:
#   xvfb-run -s "-screen 0 1280x800x24" blender --factory-startup --enable-event-simulate START.blend \
#       --python docs/blender-screenshots.py -- \
#       ADDON_DIR VQVIRERU TERRAIN menu|panel|progress|cancel OUT.png
# "menu" opens File > Import, "panel" the import's file browser on TERRAIN
# with its side panel. "progress" and "cancel" press Import in that browser
# and take the picture while the import runs; "progress" then waits for the
# end, presses Ctrl+Z and prints what it found, "cancel" presses Esc and
# prints what is left. The picture is taken of the X screen
# (ImageMagick's import), then Blender quits. START.blend is Blender's new
# file saved as it is (a file named on the command line skips the splash).
import os
import subprocess
import sys

import bpy

addon_dir, program, terrain, what, out = sys.argv[sys.argv.index("--") + 1:][:5]
sys.path.insert(0, addon_dir)
import vqvireru_import  # noqa: E402

vqvireru_import.register()
os.environ["PATH"] = os.path.dirname(os.path.abspath(program)) + os.pathsep + os.environ["PATH"]
# The file browser in the main window rather than a window of its own.
bpy.context.preferences.view.filebrowser_display_type = "SCREEN"


def window_context():
    window = bpy.context.window_manager.windows[0]
    area = next(a for a in window.screen.areas if a.type == "VIEW_3D")
    return {"window": window, "screen": window.screen, "area": area,
            "region": next(r for r in area.regions if r.type == "WINDOW")}


def capture(then_quit=True):
    subprocess.run(["import", "-window", "root", out], check=True)
    if then_quit:
        bpy.ops.wm.quit_blender()


def pointer_to_middle():
    window = bpy.context.window_manager.windows[0]
    window.event_simulate(type="MOUSEMOVE", value="NOTHING", x=window.width // 2, y=window.height // 2)
    bpy.app.timers.register(open_menu, first_interval=0.5)


def open_menu():
    with bpy.context.temp_override(**window_context()):
        bpy.ops.wm.call_menu(name="TOPBAR_MT_file_import")
    bpy.app.timers.register(point_at_entry, first_interval=1.0)


def point_at_entry():
    # The menu opens with its first entry under the pointer; the add-on's
    # comes twelve rows (21 pixels each at the default scale) further down,
    # after Blender's own importers.
    window = bpy.context.window_manager.windows[0]
    window.event_simulate(type="MOUSEMOVE", value="NOTHING", x=window.width // 2 - 80, y=window.height // 2 - 12 * 21)
    bpy.app.timers.register(capture, first_interval=2.0)


def open_browser():
    with bpy.context.temp_override(**window_context()):
        bpy.ops.import_scene.terragen_ter("INVOKE_DEFAULT", filepath=terrain)
    if what == "panel":
        bpy.app.timers.register(capture, first_interval=3.0)
    else:
        bpy.app.timers.register(press_import, first_interval=3.0)


def press(kind, at=None, **keys):
    window = bpy.context.window_manager.windows[0]
    x, y = at or (window.width // 2, window.height // 2)
    window.event_simulate(type="MOUSEMOVE", value="NOTHING", x=x, y=y)
    window.event_simulate(type=kind, value="PRESS", x=x, y=y, **keys)
    window.event_simulate(type=kind, value="RELEASE", x=x, y=y, **keys)


before = set()


def names():
    return {o.name for o in bpy.context.scene.objects}


def press_import():
    before.update(names())
    # The browser's Import button, at the bottom right.
    window = bpy.context.window_manager.windows[0]
    press("LEFTMOUSE", at=(window.width - 70, 44))
    bpy.app.timers.register(while_running, first_interval=2.5)


def while_running():
    print("RUNNING objects now: %s" % sorted(names() - before), flush=True)
    capture(then_quit=False)
    if what == "cancel":
        press("ESC")
        bpy.app.timers.register(report_and_quit, first_interval=2.0)
    else:
        bpy.app.timers.register(wait_for_end, first_interval=1.0)


def wait_for_end():
    if not (names() - before):
        return 0.5
    print("IMPORTED %s" % sorted(names() - before), flush=True)
    press("Z", ctrl=True)
    bpy.app.timers.register(report_and_quit, first_interval=2.0)


def report_and_quit():
    print("LEFT %s" % sorted(names() - before), flush=True)
    bpy.ops.wm.quit_blender()


bpy.app.timers.register(pointer_to_middle if what == "menu" else open_browser, first_interval=2.0)
