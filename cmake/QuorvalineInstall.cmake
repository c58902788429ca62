# Where `cmake --install` (and so the Debian package) puts things: the usual
# GNU folders under the prefix.
include(GNUInstallDirs)

# quorvaline_install_program(<target> MANUAL <page.1>)
# Installs a program into the binaries folder and its manual page (troff,
# section 1) among the manuals. Every installed program has its page.
function(quorvaline_install_program target)
  cmake_parse_arguments(ARG "" "MANUAL" "" ${ARGN})
  if(NOT ARG_MANUAL)
    message(FATAL_ERROR "quorvaline_install_program(${target}): MANUAL <page.1> missing")
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${ARG_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
