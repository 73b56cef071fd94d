#pragma once
#include <cstdio>
#include <string>

// `vqvireru info FILE`: prints a terrain file's header or a world file's tree.
// Returns the exit status: 0 read, 1 not read, 2 usage error.
int runInfoCommand(int argc, char** argv);

// The two reports, on out; the reader's error text goes to err.
int printTerrainInfo(const std::string& path, std::FILE* out, std::FILE* err);
int printWorldInfo(const std::string& path, std::FILE* out, std::FILE* err);
