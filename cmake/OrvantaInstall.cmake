# Install layout of the calibrator's programs.
#
# The calibrator loads the calibration library and the receiver libraries by
# file name from the folder of its own executable, as it does in build/bin/.
# Installed, its programs therefore live in a private folder of their own,
# ORVANTA_PROGRAM_DIR, with everything they load beside them: the simulated
# receiver libraries, and a link to the system's calibration library. They
# are started through links in bin/; the executable's folder is found through
# /proc/self/exe, which names the real file, so the links need no launcher
# script.
#
# Every installed program finds the calibration library through a RUNPATH
# relative to its own file ($ORIGIN), so that a prefix install runs as it is,
# wherever it is moved, without LD_LIBRARY_PATH.
include(GNUInstallDirs)

set(ORVANTA_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/orvanta)

# orvanta_install_link(<link folder> <link name> <target folder> <target name> <component>)
# A relative symbolic link; both folders are relative to the install prefix.
# Names may be generator expressions.
function(orvanta_install_link link_dir link_name target_dir target_name component)
  file(RELATIVE_PATH relative /${link_dir} /${target_dir})
  if(relative AND NOT relative MATCHES "/$")
    string(APPEND relative /)
  endif()
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${link_dir}/${link_name}\")
    message(STATUS \"Installing: \${link} -> ${relative}${target_name}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${link_dir}\")
    file(CREATE_LINK \"${relative}${target_name}\" \"\${link}\" SYMBOLIC)"
    COMPONENT ${component})
endfunction()

# orvanta_install_program(<target> <folder> <component>)
# A program into <folder> (relative to the install prefix), with a RUNPATH to
# the library folder relative to it.
function(orvanta_install_program target dir component)
  file(RELATIVE_PATH to_libdir /${dir} /${CMAKE_INSTALL_LIBDIR})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${to_libdir}")
  install(TARGETS ${target} RUNTIME DESTINATION ${dir} COMPONENT ${component})
endfunction()

# orvanta_install_calibrator_program(<target>)
# A program of the calibrator: into ORVANTA_PROGRAM_DIR, started as bin/<name>.
function(orvanta_install_calibrator_program target)
  orvanta_install_program(${target} ${ORVANTA_PROGRAM_DIR} orvanta_calibrator)
  orvanta_install_link(${CMAKE_INSTALL_BINDIR} $<TARGET_FILE_NAME:${target}>
                       ${ORVANTA_PROGRAM_DIR} $<TARGET_FILE_NAME:${target}> orvanta_calibrator)
endfunction()

# Manual pages, section 1, installed gzipped with their program's component.
# Adding a program's page is one call of orvanta_manual_page or
# orvanta_written_manual_page.
find_program(ORVANTA_GZIP gzip REQUIRED)
set(ORVANTA_MANUAL_DIR ${CMAKE_BINARY_DIR}/man)

# orvanta_manual_page(<program target> <component> <summary> [SEE_ALSO <page>...])
# The page made at build time from `<program> --help`, shown as the program
# prints it, so that it always says what the program says; <summary> is its
# NAME line. Nothing when cross-compiling, where the program cannot run here.
function(orvanta_manual_page target component summary)
  cmake_parse_arguments(ARG "" "" "SEE_ALSO" ${ARGN})
  if(CMAKE_CROSSCOMPILING)
    return()
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  list(JOIN ARG_SEE_ALSO , see_also)
  orvanta_make_manual_page(${name} ${component} DEPENDS ${target}
    ARGUMENTS -DPROGRAM=$<TARGET_FILE:${target}> "-DSUMMARY=${summary}" -DSEE_ALSO=${see_also})
endfunction()

# orvanta_written_manual_page(<name.1> <component>)
# A page written by hand.
function(orvanta_written_manual_page source component)
  get_filename_component(source ${source} ABSOLUTE)
  get_filename_component(name ${source} NAME_WE)
  orvanta_make_manual_page(${name} ${component} DEPENDS ${source} ARGUMENTS -DSOURCE=${source})
endfunction()

# orvanta_make_manual_page(<name> <component> DEPENDS <what it is made of>... ARGUMENTS <script arguments>...)
# <name>.1.gz made by OrvantaManualPage.cmake, built with everything and installed.
function(orvanta_make_manual_page name component)
  cmake_parse_arguments(ARG "" "" "DEPENDS;ARGUMENTS" ${ARGN})
  set(script ${PROJECT_SOURCE_DIR}/cmake/OrvantaManualPage.cmake)
  set(page ${ORVANTA_MANUAL_DIR}/${name}.1.gz)
  add_custom_command(
    OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DNAME=${name} ${ARG_ARGUMENTS} -DGZIP=${ORVANTA_GZIP} -DOUTPUT=${page} -P ${script}
    DEPENDS ${ARG_DEPENDS} ${script}
    COMMENT "Writing the manual page ${name}(1)"
    VERBATIM)
  add_custom_target(${name}_manual_page ALL DEPENDS ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()
