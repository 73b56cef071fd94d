# The add-on's zip with the program in it, as a new user meets it: Install...
# into a fresh Blender profile, no program named in the preferences and none
# on PATH, then an import of the example.
#   run.sh WORK test_zip_install.py BLENDER ADDON-PLATFORM.zip EXAMPLES_DIR
import os
import subprocess
import sys
import zipfile

import bpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import MODULE, arguments, check, run  # noqa: E402

ZIP, EXAMPLES, WORK = arguments(3)


def without_program_on_path():
    folders = [f for f in os.environ.get("PATH", "").split(os.pathsep)
               if f and not os.path.exists(os.path.join(f, "vqvireru"))]
    os.environ["PATH"] = os.pathsep.join(folders)


def test_zip_holds_the_program():
    with zipfile.ZipFile(ZIP) as z:
        names = set(z.namelist())
    check(MODULE + "/vqvireru" in names and MODULE + "/__init__.py" in names, "the zip's files: %s" % sorted(names))


def test_program_needs_only_the_c_library():
    """What the program loads is the C library's own, which every Debian
    system has (package libc6), in a version Debian 12 has (2.36)."""
    with zipfile.ZipFile(ZIP) as z:
        program = z.extract(MODULE + "/vqvireru", os.path.join(WORK, "unpacked"))
    dynamic = subprocess.run(["readelf", "--dynamic", "--version-info", "--wide", program],
                             capture_output=True, text=True, check=True).stdout
    needed = {line.split("[")[1].split("]")[0] for line in dynamic.splitlines() if "(NEEDED)" in line}
    # The dynamic loader is the C library's too (a release build's static
    # C++ library asks it for thread-local storage by name).
    check(needed <= {"libc.so.6", "libm.so.6", "libpthread.so.0", "libdl.so.2", "librt.so.1", "ld-linux-x86-64.so.2"},
          "the libraries the program loads: %s" % sorted(needed))
    versions = set()
    for word in dynamic.split():
        if word.startswith("GLIBC_2."):
            versions.add(tuple(int(n) for n in word[len("GLIBC_"):].split(".")))
    check(versions and max(versions) <= (2, 36), "the C library versions it asks for: %s" % sorted(versions))


def test_install_and_import():
    without_program_on_path()
    check(subprocess.run(["sh", "-c", "command -v vqvireru"], capture_output=True).returncode != 0,
          "no vqvireru on PATH")
    bpy.ops.preferences.addon_install(filepath=ZIP, overwrite=True)
    bpy.ops.preferences.addon_enable(module=MODULE)
    folder = os.path.dirname(sys.modules[MODULE].__file__)
    check(folder.startswith(bpy.utils.user_resource("SCRIPTS")), "installed into the fresh profile: %s" % folder)
    check(bpy.context.preferences.addons[MODULE].preferences.program == "", "no program named in the preferences")
    # Install... unpacks without the files' modes (Blender 3.4 happens to keep
    # them from this zip); taken away here, the add-on must give them back.
    os.chmod(os.path.join(folder, "vqvireru"), 0o644)
    bpy.ops.wm.read_factory_settings(use_empty=True)
    bpy.ops.preferences.addon_enable(module=MODULE)
    before = set(bpy.data.objects.keys())
    result = bpy.ops.import_scene.terragen_ter(filepath=os.path.join(EXAMPLES, "ridge.ter"))
    made = set(bpy.data.objects.keys()) - before
    check(result == {"FINISHED"} and made == {"ridge", "TG_Cam", "TG_Sun", "TG_Water"},
          "the example imported: %s %s" % (result, sorted(made)))
    check(os.access(os.path.join(folder, "vqvireru"), os.X_OK), "the installed program is runnable now")


run((test_zip_holds_the_program, test_program_needs_only_the_c_library, test_install_and_import))
