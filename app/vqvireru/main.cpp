// vqvireru: imports terrains into scenes from the command line.
#include <cstdio>
#include <cstring>

#include "app/vqvireru/InfoCommand.h"
#ifdef VQ_HAVE_IMPORT_COMMAND
#include "app/vqvireru/ImportCommand.h"
#endif

namespace {

const char kUsage[] =
    "usage: vqvireru COMMAND [options]\n"
    "\n"
    "Imports a terrain (.ter) and its world file (.tgw) into a scene.\n"
    "\n"
    "commands:\n"
#ifdef VQ_HAVE_IMPORT_COMMAND
    "  import TERRAIN [options]   import a terrain into a glTF scene (see: vqvireru import --help)\n"
#endif
    "  info FILE                  show a terrain file's header or a world file's tree\n"
    "\n"
    "options:\n"
    "  --help                     show this text\n"
    "  --version                  show the version\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const char* command = argv[1];
    if (!std::strcmp(command, "--help") || !std::strcmp(command, "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!std::strcmp(command, "--version")) {
        std::puts("0.70b");
        return 0;
    }
    if (!std::strcmp(command, "info")) return runInfoCommand(argc - 1, argv + 1);
#ifdef VQ_HAVE_IMPORT_COMMAND
    if (!std::strcmp(command, "import")) return runImportCommand(argc - 1, argv + 1);
#endif
    std::fprintf(stderr, "vqvireru: unknown command '%s'\n\n%s", command, kUsage);
    return 2;
}
