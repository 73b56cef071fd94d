#pragma once
// The plug-in passes only the bare name "vqVirEru.chm" to the HTML Help
// control; this makes the help file beside the plug-in findable under that
// name, as an installation of the plug-in does.
#include <string>

void makeHelpFindable(const std::string& pluginFolder);
