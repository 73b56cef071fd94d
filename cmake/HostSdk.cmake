# The host SDK the plug-in is built against.
#
# By default it is the stand-in host of this project (host/, the DLL
# XsiHostSdk.dll that scenehost.exe and vqvireru.exe load). A build for a
# real 3D application points VQ_HOST_SDK_DIR at that application's SDK
# instead, laid out as
#
#   <dir>/include/   the SDK's headers, reached by the plug-in's sources as
#                    "host/XsiApplication.h", "host/XsiCore.h", ...
#   <dir>/lib/       the one library the plug-in links (its import library)
#
# VQ_HOST_SDK_LIBRARY names that library when it is not found by its name
# XsiHostSdk. Such a build makes only the plug-in (vqVirEru.dll) and its help:
# no stand-in host, no test host, no command-line program, no tests. It must
# use the compiler the SDK was built with: an SDK's C++ classes do not link
# across compilers.
set(VQ_HOST_SDK_DIR "" CACHE PATH
    "An outside host SDK (include/ and lib/) to build the plug-in against; empty: the stand-in host in host/")

if(NOT VQ_HOST_SDK_DIR)
  set(VQ_OUTSIDE_SDK FALSE)
  return()
endif()
set(VQ_OUTSIDE_SDK TRUE)
if(NOT WIN32)
  message(FATAL_ERROR "VQ_HOST_SDK_DIR: the plug-in is a Windows module; configure a Windows build")
endif()
get_filename_component(VQ_HOST_SDK_DIR "${VQ_HOST_SDK_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${VQ_HOST_SDK_DIR}/include")
  message(FATAL_ERROR "VQ_HOST_SDK_DIR: no include folder in ${VQ_HOST_SDK_DIR}")
endif()
find_library(VQ_HOST_SDK_LIBRARY NAMES XsiHostSdk PATHS "${VQ_HOST_SDK_DIR}/lib"
             NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT VQ_HOST_SDK_LIBRARY)
  message(FATAL_ERROR "VQ_HOST_SDK_DIR: no host library in ${VQ_HOST_SDK_DIR}/lib (set VQ_HOST_SDK_LIBRARY)")
endif()
message(STATUS "Host SDK: ${VQ_HOST_SDK_DIR}/include and ${VQ_HOST_SDK_LIBRARY}")

# The plug-in's targets link vq_host as they do in the default build.
add_library(vq_host UNKNOWN IMPORTED GLOBAL)
set_target_properties(vq_host PROPERTIES
  IMPORTED_LOCATION "${VQ_HOST_SDK_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${VQ_HOST_SDK_DIR}/include")
# Ahead of the source tree on every include path, so that "host/..." is the
# SDK's header even though this tree holds the stand-in's under the same name.
include_directories(BEFORE "${VQ_HOST_SDK_DIR}/include")
