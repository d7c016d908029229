# Fails unless each of FILES imports only DLLs that come with Windows (and
# fendrel.dll itself), so that no compiler runtime has to be shipped beside
# them.
cmake_minimum_required(VERSION 3.22)
set(system_dlls kernel32.dll msvcrt.dll)
foreach(file IN LISTS FILES)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE listing RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} failed on ${file}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${listing}")
  foreach(import IN LISTS imports)
    string(REGEX REPLACE "DLL Name: " "" dll "${import}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST system_dlls AND NOT dll STREQUAL "fendrel.dll")
      message(FATAL_ERROR "${file} needs ${dll}, which Windows does not provide")
    endif()
  endforeach()
endforeach()
