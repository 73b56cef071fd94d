#pragma once
// The entry points of the plug-in module as a host program finds them with
// GetProcAddress: their names and types.
#include "host/XsiApplication.h"
#include "host/XsiCore.h"

using PluginLoadFn = XSI::CStatus (*)(XSI::PluginRegistrar&);
using PluginUnloadFn = XSI::CStatus (*)(const XSI::PluginRegistrar&);
// "<menu>_Init" and the menu items' callbacks.
using PluginContextFn = XSI::CStatus (*)(XSI::Context&);

constexpr char kLoadEntry[] = "XSILoadPlugin";
constexpr char kUnloadEntry[] = "XSIUnloadPlugin";
