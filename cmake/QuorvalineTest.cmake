# quorvaline_add_test(<name> <source> [LIBS ...])
# One QtTest executable per test file, run headless under CTest against the
# instrument simulator.
function(quorvaline_add_test name source)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  get_filename_component(label ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  add_executable(${name} ${source})
  quorvaline_use_core(${name})
  target_link_libraries(${name} PRIVATE quorvaline_core quorvaline_sim Qt5::Test ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set(environment "QT_QPA_PLATFORM=offscreen")
  if(QUORVALINE_TSAN)
    # Qt is not instrumented; the file lists the reports that come from Qt's
    # own synchronisation, never from project code.
    list(APPEND environment "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/charts/tsan.supp")
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${environment}"
    TIMEOUT 300
    LABELS "${label}")
endfunction()
