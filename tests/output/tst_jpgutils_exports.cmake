# Fails unless the converter library's dynamic symbol table defines
# ConvertBMPtoJPG and nothing else.
# cmake -DNM=<nm> -DLIBRARY=<libJPGUtils.so> -P tst_jpgutils_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(names "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* " "" name "${line}")
  list(APPEND names "${name}")
endforeach()
if(NOT names STREQUAL "ConvertBMPtoJPG")
  message(FATAL_ERROR "exported: ${names}; expected ConvertBMPtoJPG only")
endif()
message(STATUS "exported: ${names}")
