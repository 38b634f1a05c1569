# tavro_add_qtest(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One Qt Test executable registered with CTest, run headless.
function(tavro_add_qtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    TIMEOUT 300
    LABELS "${T_LABELS}")
endfunction()
