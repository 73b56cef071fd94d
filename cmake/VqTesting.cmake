# GoogleTest for every build, and vq_add_test() to register a test program.
#
# Natively the Debian package is used. For mingw-w64 it is built from the
# sources Debian ships in /usr/src/googletest. Windows tests of both builds
# run under Wine through CMAKE_CROSSCOMPILING_EMULATOR (tools/wine-emu.sh);
# the i686 ones need Wine's 32-bit half, which scripts/bootstrap.sh installs
# where the kernel runs 32-bit programs (scripts/test.sh skips them elsewhere).
# A build against an outside host SDK makes the plug-in only: no tests.
if(VQ_OUTSIDE_SDK)
  set(VQ_CAN_RUN_TESTS FALSE)
  function(vq_add_test name)
  endfunction()
  return()
endif()

enable_testing()
include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_gtest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()

set(VQ_CAN_RUN_TESTS TRUE)
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(VQ_CAN_RUN_TESTS FALSE)
endif()

# vq_add_test(NAME SOURCES src... [LIBS lib...] [DISPLAY] [LOCK name])
# DISPLAY marks tests that open windows: they take the display lock so that
# pixel checks never read another test's window. LOCK names another shared
# thing the tests use (a ctest resource lock): "elevation_dump" for tests that
# read elevations, which all write the one dump file at its fixed place.
# Under Wine every test takes the display lock, which already runs them one
# at a time.
function(vq_add_test name)
  cmake_parse_arguments(T "DISPLAY" "LOCK" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main vq_warnings)
  # Link-time optimisation serves the program, not its tests (and trips
  # false warnings of GCC 12 across test helpers).
  set_target_properties(${name} PROPERTIES INTERPROCEDURAL_OPTIMIZATION OFF)
  if(NOT VQ_CAN_RUN_TESTS)
    return()
  endif()
  # One test case takes at most 4.4 s here (with the sanitizers, or under
  # Wine on a busy 2-core machine): a case that hangs fails at 30 s.
  set(props TIMEOUT 30)
  if(CMAKE_CROSSCOMPILING)
    list(APPEND props RESOURCE_LOCK display)
  elseif(T_LOCK)
    list(APPEND props RESOURCE_LOCK ${T_LOCK})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES ${props})
endfunction()
