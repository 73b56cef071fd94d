# The program in a platform zip runs from the zip's folder alone, with what it
# loads beside it: unpacked into a fresh folder, it imports the example.
#   cmake -DZIP=... -DPROGRAM=vqvireru.exe -DEXAMPLE=ridge.ter -DWORK=dir [-DEMULATOR=...] -P zip_program.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(ARCHIVE_EXTRACT INPUT ${ZIP} DESTINATION ${WORK})
set(program ${WORK}/vqvireru_import/${PROGRAM})
if(NOT EXISTS ${program})
  message(FATAL_ERROR "the zip holds no ${PROGRAM}")
endif()
# Paths relative to the work folder serve a Windows program under Wine too.
file(COPY ${EXAMPLE} DESTINATION ${WORK})
get_filename_component(terrain ${EXAMPLE} NAME)
execute_process(COMMAND ${EMULATOR} ${program} import ${terrain} -o out.glb -q
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT EXISTS ${WORK}/out.glb)
  message(FATAL_ERROR "the zip's ${PROGRAM} did not import the example (status ${status})")
endif()
file(SIZE ${WORK}/out.glb size)
message(STATUS "the zip's ${PROGRAM} wrote ${size} bytes")
