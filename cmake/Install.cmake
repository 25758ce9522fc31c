# Where an install puts things, and the functions our folders call to install their targets.
#
#   bin/                      the programs
#   lib/<multiarch>/          libostrelle.so.* (public, with its header, ostrelle.pc and a CMake package)
#   lib/<multiarch>/quavrel/  the stand-in libraries, found by the programs through their RPATH and by
#                             the loader; never on the system's library path
#   share/quavrel/            the help page and the demo disc
include(GNUInstallDirs)

set(QUAVREL_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/quavrel)
set(QUAVREL_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/quavrel)

# The modules find each other and their data relative to themselves, so an install can move.
file(RELATIVE_PATH QUAVREL_BIN_TO_LIBDIR ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH QUAVREL_BIN_TO_PRIVATE_LIBDIR
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/quavrel)
file(RELATIVE_PATH QUAVREL_LIBDIR_TO_PRIVATE_LIBDIR
  ${CMAKE_INSTALL_FULL_LIBDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/quavrel)
file(RELATIVE_PATH QUAVREL_BIN_TO_DATADIR
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/quavrel)
file(RELATIVE_PATH QUAVREL_PRIVATE_LIBDIR_TO_DATADIR
  ${CMAKE_INSTALL_FULL_LIBDIR}/quavrel ${CMAKE_INSTALL_FULL_DATADIR}/quavrel)

# Targets whose files an install takes; the package builds just these (target package_contents).
function(quavrel_installable)
  set_property(GLOBAL APPEND PROPERTY QUAVREL_INSTALLABLE_TARGETS ${ARGN})
endfunction()

# A program of ours, in bin. Each program is one call: quavrel_install_program(quavrel). It finds
# the private libraries and Ostrelle relative to itself, so an install under any prefix runs.
function(quavrel_install_program target)
  set_target_properties(${target} PROPERTIES
    INSTALL_RPATH "$ORIGIN/${QUAVREL_BIN_TO_PRIVATE_LIBDIR};$ORIGIN/${QUAVREL_BIN_TO_LIBDIR}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  quavrel_installable(${target})
endfunction()

# Stand-in and helper libraries, linked or loaded by name, in the private directory; they find
# each other beside themselves. EXPORT adds them to an installed CMake package that needs them.
#   quavrel_install_private_library(target... [EXPORT export-set])
function(quavrel_install_private_library)
  cmake_parse_arguments(A "" "EXPORT" "" ${ARGN})
  set(export)
  if(A_EXPORT)
    set(export EXPORT ${A_EXPORT})
  endif()
  foreach(target IN LISTS A_UNPARSED_ARGUMENTS)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${target} ${export} LIBRARY DESTINATION ${QUAVREL_INSTALL_PRIVATE_LIBDIR})
    quavrel_installable(${target})
  endforeach()
endfunction()
