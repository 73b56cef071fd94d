# What the add-on's test scripts share: their arguments, failed checks that
# do not stop a test, and the run that reports them through the exit status.
import sys
import traceback

MODULE = "vqvireru_import"
failures = []


def arguments(count):
    """The script's own arguments, after Blender's "--"."""
    return sys.argv[sys.argv.index("--") + 1:][:count]


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def run(tests):
    """Runs each test (one that raises counts as failed); exits 1 after any failure."""
    for test in tests:
        print("==", test.__name__, flush=True)
        try:
            test()
        except Exception:
            traceback.print_exc()
            failures.append(test.__name__ + " raised")
    print("%d failure(s)" % len(failures), flush=True)
    sys.exit(1 if failures else 0)
