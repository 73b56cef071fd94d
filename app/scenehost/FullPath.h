#pragma once
// Paths from the command line are made absolute as scenehost starts, so that
// they mean the same whatever the plug-in does with the current folder.
#include <string>

// The full path of path as seen from the current folder; path itself when it
// cannot be resolved.
std::string absolutePath(const std::string& path);
