# One import: `vqvireru import` into a temporary folder, then the scene built
# from what it wrote. step() advances it a little at a time, so that a modal
# operator can keep Blender responsive, show progress and cancel it.
import os
import queue
import shutil
import subprocess
import tempfile
import threading

from .scene_build import SceneBuilder

PROGRAM = "vqvireru.exe" if os.name == "nt" else "vqvireru"
# The program's share of the progress bar; its status lines each move it on.
PROGRAM_SHARE = 0.4
PROGRAM_STAGES = 8


class ImportFailed(Exception):
    pass


def find_program(configured):
    """The configured program, else the one beside the add-on, else PATH's."""
    if configured:
        if os.path.isfile(configured):
            return configured
        raise ImportFailed("vqvireru not found: %s (see the add-on's preferences)" % configured)
    beside = os.path.join(os.path.dirname(os.path.abspath(__file__)), PROGRAM)
    if os.path.isfile(beside):
        _make_runnable(beside)
        return beside
    on_path = shutil.which("vqvireru")
    if on_path:
        return on_path
    raise ImportFailed("vqvireru not found: name it in the add-on's preferences or put it on PATH")


def _make_runnable(program):
    """Blender's Install... unpacks the add-on's zip without the files' modes:
    the program that came in it gets its executable bits here."""
    if os.name == "nt" or os.access(program, os.X_OK):
        return
    try:
        mode = os.stat(program).st_mode
        os.chmod(program, mode | ((mode & 0o444) >> 2))   # executable wherever readable
    except OSError as e:
        raise ImportFailed("cannot make %s runnable: %s" % (program, e)) from e


def program_arguments(program, terrain, output, options):
    args = [program, "import", terrain, "-o", output, "--scale", "%.3f" % options["scale"],
            # The scene is emptied here, in Blender, when asked: the program's own scene is new anyway.
            "--keep-scene"]
    for key, flag in (("center_pivot", "center-pivot"), ("camera", "camera"), ("sun", "sun"),
                      ("water", "water"), ("render_settings", "render-settings")):
        args.append("--" + flag if options[key] else "--no-" + flag)
    if options.get("max_error", 0.0) > 0.0:
        args += ["--max-error", "%.6g" % options["max_error"]]
    if options.get("name"):
        args += ["--name", options["name"]]
    if options.get("world_file"):
        args += ["--world", options["world_file"]]
    return args


def _pump(stream, lines):
    for raw in iter(stream.readline, b""):
        lines.put(raw.decode("utf-8", "replace").rstrip("\r\n"))
    stream.close()


class ImportJob:
    def __init__(self, context, program, terrain, options):
        self.context = context
        self.program = program
        self.terrain = terrain
        self.options = options
        self.folder = None
        self.process = None
        self.builder = None
        self.steps = None
        self.fraction = 0.0
        self.text = "starting vqvireru"
        self.error = None
        self.finished = False
        self._stages = 0
        self._out = queue.Queue()
        self._err = []

    # ---- the program

    def start(self):
        self.folder = tempfile.mkdtemp(prefix="vqvireru-")
        self.scene_path = os.path.join(self.folder, "scene.gltf")
        args = program_arguments(self.program, self.terrain, self.scene_path, self.options)
        flags = getattr(subprocess, "CREATE_NO_WINDOW", 0)
        try:
            self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                            stderr=subprocess.PIPE, cwd=self.folder, creationflags=flags)
        except OSError as e:
            self._cleanup()
            raise ImportFailed("cannot start %s: %s" % (self.program, e)) from e
        err = queue.Queue()
        self._threads = [threading.Thread(target=_pump, args=(self.process.stdout, self._out), daemon=True),
                         threading.Thread(target=_pump, args=(self.process.stderr, err), daemon=True)]
        self._err_queue = err
        for t in self._threads:
            t.start()

    def _read_lines(self):
        while True:
            try:
                line = self._out.get_nowait()
            except queue.Empty:
                break
            if line.strip():
                self._stages += 1
                self.text = line.strip()
                self.fraction = PROGRAM_SHARE * min(1.0, self._stages / PROGRAM_STAGES)

    def _program_ended(self, status):
        for t in self._threads:
            t.join()
        self._read_lines()
        while not self._err_queue.empty():
            self._err.append(self._err_queue.get_nowait())
        if status != 0:
            message = " ".join(line.strip() for line in self._err if line.strip())
            self._fail(message or "vqvireru import failed (exit status %d)" % status)
            return
        self.builder = SceneBuilder(self.scene_path, self.context, self.options)
        self.steps = self.builder.run()

    # ---- the whole import

    def step(self):
        """Does the next piece of work; returns True while there is more."""
        if self.finished:
            return False
        try:
            if self.steps is None:
                self._read_lines()
                status = self.process.poll()
                if status is not None:
                    self._program_ended(status)
                return not self.finished
            try:
                fraction, text = next(self.steps)
                self.fraction = PROGRAM_SHARE + (1.0 - PROGRAM_SHARE) * fraction
                self.text = text
            except StopIteration:
                self.builder = None
                self.finished = True
                self._cleanup()
        except Exception as e:   # any failure: nothing stays behind, the message is shown
            self._fail(str(e) or type(e).__name__)
        return not self.finished

    def run_to_end(self, on_progress=None):
        """The same work without returning in between (a script, or Blender without windows)."""
        while self.step():
            if self.steps is None:
                try:
                    self.process.wait(timeout=0.05)
                except subprocess.TimeoutExpired:
                    pass
            if on_progress:
                on_progress(self.fraction, self.text)

    def cancel(self):
        """Stops the program or undoes the build so far: nothing is added."""
        if self.finished:
            return
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self._fail(None)

    def _fail(self, message):
        if self.builder:
            self.builder.abort()
            self.builder = None
        self.error = message
        self.finished = True
        self._cleanup()

    def _cleanup(self):
        if self.builder:
            self.builder.close()
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None
