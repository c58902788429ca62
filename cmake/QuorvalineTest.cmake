# quorvaline_add_test(<name> <source> [LIBS ...])
# One QtTest executable, run headless under CTest against the instrument
# simulator, linked with the test-support library (tests/support). The CTest
# label is the name of the folder the test is in.
function(quorvaline_add_test name source)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  quorvaline_add_test_program(${name} ${source} LIBS ${ARG_LIBS})
  quorvaline_add_test_run(${name} ${name})
endfunction()

# quorvaline_add_test_program(<name> <source> [LIBS ...])
# The executable of quorvaline_add_test alone, for a folder that runs it
# itself (quorvaline_add_test_run), for example once per setting.
function(quorvaline_add_test_program name source)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${source})
  quorvaline_use_core(${name})
  # The test's own libraries first: everything they use comes after them,
  # the simulated hidapi last.
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} quorvaline_testsupport quorvaline_core
                                        quorvaline_engine quorvaline_sim Qt5::Test)
  get_filename_component(label ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  if(QUORVALINE_TSAN AND label IN_LIST QUORVALINE_TSAN_LABELS)
    set_property(GLOBAL APPEND PROPERTY QUORVALINE_TSAN_TESTS ${name})
  endif()
endfunction()

# quorvaline_add_test_run(<test> <program> [ENVIRONMENT var=value ...] [TIMEOUT s])
# A CTest test running a test program headless, with the sanitizer settings
# of the build, the given variables added to its environment, and a time
# bound (300 s unless given). The label is the folder's name.
function(quorvaline_add_test_run test program)
  cmake_parse_arguments(ARG "" "TIMEOUT" "ENVIRONMENT" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  get_filename_component(label ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  add_test(NAME ${test} COMMAND ${program})
  set(environment "QT_QPA_PLATFORM=offscreen" ${ARG_ENVIRONMENT})
  if(QUORVALINE_TSAN)
    # Qt is not instrumented; the file lists the reports that come from Qt's
    # own synchronisation, never from project code.
    list(APPEND environment "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/charts/tsan.supp")
  endif()
  if(QUORVALINE_ASAN)
    # Leak checking on; every report ends the test program with a failure.
    # The file lists leaks inside Qt and the system libraries, never project
    # code.
    list(APPEND environment
      "ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1"
      "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
      "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
      # The X test needs no OpenGL: without the GLX integration the GL driver,
      # whose allocations cannot be named once it is unloaded, stays out.
      "QT_XCB_GL_INTEGRATION=none")
  endif()
  set_tests_properties(${test} PROPERTIES
    ENVIRONMENT "${environment}"
    TIMEOUT ${ARG_TIMEOUT}
    LABELS "${label}")
endfunction()

# quorvaline_add_tests([EXCLUDE file ...])
# One test executable for each tst_*.cpp file of the calling folder, named
# after the file. A new file is picked up when CMake runs again. Files named
# after EXCLUDE are left to the caller (tests that need more than the usual
# libraries).
function(quorvaline_add_tests)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(source ${sources})
    get_filename_component(file ${source} NAME)
    if(file IN_LIST ARG_EXCLUDE)
      continue()
    endif()
    get_filename_component(name ${source} NAME_WE)
    quorvaline_add_test(${name} ${source})
  endforeach()
endfunction()
