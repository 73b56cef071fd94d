#pragma once
// The plug-in passes only the bare name "vqVirEru.chm" to the HTML Help
// control, which looks for such a name in the current folder and then in the
// system's help folder (Windows also reads the "HTML Help" registry list).
// scenehost makes the plug-in's own folder the current folder, so the help
// file installed beside the plug-in is the one found; paths from the command
// line are made absolute first.
#include <string>

// The full path of path as seen from the current folder; path itself when it
// cannot be resolved.
std::string absolutePath(const std::string& path);
// Makes pluginFolder the current folder. False when it cannot be entered.
bool makeHelpFindable(const std::string& pluginFolder);
