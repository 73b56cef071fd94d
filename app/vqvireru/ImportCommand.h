#pragma once
// `vqvireru import TERRAIN [options]`: the import driver with a console in
// place of the dialogs, writing the scene as glTF.
#include <cstdio>

// argv[0] is "import"; returns the exit status: 0 imported and written,
// 1 failed or cancelled (nothing written), 2 usage error.
int runImportCommand(int argc, char** argv);

// The same without touching the process's signal handling, with the streams
// and the terminal decision given (for tests).
struct ImportConsole {
    std::FILE* out = stdout;  // progress and the written files
    std::FILE* err = stderr;  // failure texts and usage errors
    bool terminal = false;    // one self-updating progress line instead of plain lines
};
int runImportCommandWith(int argc, char** argv, const ImportConsole& console);

// What Ctrl+C does: the first sets the import's `cancelled` (the import runs
// to its end, then nothing is written); the second ends the program at once.
void onImportInterrupt(int signal);
void resetImportInterrupts();
