#include "app/scenehost/HelpLocation.h"

void makeHelpFindable(const std::string&) {}
