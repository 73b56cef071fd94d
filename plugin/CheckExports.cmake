# Fails unless DLL's export table names exactly the plug-in's four entry
# points, undecorated. Run as: cmake -DOBJDUMP=... -DDLL=... -P CheckExports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed")
endif()
# The name table follows "[Ordinal/Name Pointer] Table", one "[   0] Name" a
# line, and ends at the first blank line.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
set(names)
if(at GREATER -1)
  math(EXPR at "${at} + 28")  # past the heading
  string(SUBSTRING "${dump}" ${at} -1 table)
  string(FIND "${table}" "\n\n" blank)
  string(SUBSTRING "${table}" 0 ${blank} table)
  # "\t[   0] Name" lines become "Name"; the brackets must go before the
  # text is read as a list.
  string(REGEX REPLACE "[^\n]*\\] ([^\n]+)" "\\1" table "${table}")
  string(STRIP "${table}" table)
  string(REPLACE "\n" ";" names "${table}")
endif()
list(SORT names)
set(expected OnVirEruort XSILoadPlugin XSIUnloadPlugin vqVirEruort_Init)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${DLL} exports [${names}], expected exactly [${expected}]")
endif()
