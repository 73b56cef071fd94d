#pragma once
// What the plug-in's entry points do, apart from the module itself: the
// registration with the host, the menu, and the import command. Portable:
// the command gets the dialogs through an ImportUi, so it runs the same with
// the Win32 dialogs in the module and with a test's stand-in.
#include "host/XsiApplication.h"
#include "host/XsiCore.h"

class ImportUi;

// Names the plug-in places in the host's name spaces.
constexpr char kPluginName[] = "vqVirEru";
constexpr char kMenuName[] = "vqVirEruort";
constexpr char kMenuItemLabel[] = "vq::VirEruort";
constexpr char kCommandCallback[] = "OnVirEruort";
// The host's anchor for the menu (a siMenuAnchorPoints value).
constexpr int32_t kMenuAnchor = 1003;

// Author, name, version and the one menu. Answers OK.
XSI::CStatus RegisterPlugin(XSI::PluginRegistrar& registrar);
// Logs "<name> has been unloaded.". Answers OK.
XSI::CStatus UnregisterPlugin(const XSI::PluginRegistrar& registrar);
// Adds the menu item "vq::VirEruort" that calls "OnVirEruort" to the menu
// that is the context's source. Answers the host's status when it failed.
XSI::CStatus BuildImportMenu(XSI::Context& context);
// The menu command: logs, asks for a terrain file with the host's file
// browser and, unless cancelled, runs one import with the module `instance`
// through ui. Answers OK whatever happened.
XSI::CStatus RunImportCommand(XSI::Context& context, void* instance, ImportUi& ui);
