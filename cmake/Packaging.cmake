# The Windows package: one ZIP with the plug-in, its help, the test host, the
# command-line program, the Blender add-on's zip and the installing text, all
# at the archive's root.
#
#   cmake --build <build dir> --target package
#   -> <build dir>/vqVirEru-0.70b-win32.zip (i686) or -win64.zip (x86_64)
#
# Included at the end of the top-level CMakeLists.txt, so every target of the
# project is known here; a program not built in this tree (yet) is left out
# with a note rather than failing the configure.

set(VQ_PACKAGE_VERSION "0.70b")   # the version the module's version resource shows
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VQ_PACKAGE_ARCH win64)
else()
  set(VQ_PACKAGE_ARCH win32)
endif()

# Only this component goes into the package: other projects in the tree
# (GoogleTest and the like) may carry install rules of their own.
set(VQ_PACKAGE_COMPONENT vq_package)

# install(PROGRAMS $<TARGET_FILE:...>) rather than install(TARGETS): a DLL
# target also has an import library, which has no place in the package.
# vq_host is the stand-in host's DLL that scenehost.exe, vqvireru.exe and the
# plug-in all load.
foreach(target vqVirEru vq_host scenehost vqvireru)
  if(NOT TARGET ${target})
    message(STATUS "Package: target ${target} is not part of this build, left out")
    continue()
  endif()
  get_target_property(kind ${target} TYPE)
  get_target_property(imported ${target} IMPORTED)
  if(target STREQUAL "vq_host" AND (imported OR NOT kind STREQUAL "SHARED_LIBRARY"))
    continue()   # a static host is inside the programs already; an outside SDK's library is the application's
  endif()
  install(PROGRAMS $<TARGET_FILE:${target}> DESTINATION . COMPONENT ${VQ_PACKAGE_COMPONENT})
endforeach()

if(TARGET vq_help)
  get_target_property(vq_help_chm vq_help CHM_FILE)
  install(FILES ${vq_help_chm} DESTINATION . COMPONENT ${VQ_PACKAGE_COMPONENT})
else()
  message(STATUS "Package: no help file in this build (chmcmd missing), left out")
endif()

# The Blender add-on's zip, which runs vqvireru.exe from Blender.
if(TARGET blender_addon)
  install(FILES ${VQ_ADDON_ZIP} DESTINATION . COMPONENT ${VQ_PACKAGE_COMPONENT})
endif()
set(VQ_ADDON_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})

# The installing text, with Windows line ends for Notepad: the package with
# the stand-in host installs into scenehost.exe's folder; a plug-in built
# against an application's SDK into that application.
if(VQ_OUTSIDE_SDK)
  set(vq_install_text ${PROJECT_SOURCE_DIR}/res/INSTALL-application.txt)
else()
  set(vq_install_text ${PROJECT_SOURCE_DIR}/res/INSTALL.txt)
endif()
configure_file(${vq_install_text} ${CMAKE_BINARY_DIR}/package/INSTALL.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/package/INSTALL.txt DESTINATION . COMPONENT ${VQ_PACKAGE_COMPONENT})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vqVirEru)
set(CPACK_PACKAGE_VERSION ${VQ_PACKAGE_VERSION})
set(CPACK_PACKAGE_FILE_NAME vqVirEru-${VQ_PACKAGE_VERSION}-${VQ_PACKAGE_ARCH})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Terrain and world file import plug-in")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# build dir; project name; component; folder inside the archive
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};${VQ_PACKAGE_COMPONENT};/")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)
