# Install layout of the calibrator's programs.
#
# The calibrator loads the calibration library and the receiver libraries by
# file name from the folder of its own executable, as it does in build/bin/.
# Installed, its programs therefore live in a private folder of their own,
# ORVANTA_PROGRAM_DIR, with everything they load beside them: the simulated
# receiver libraries, and a link to the system's calibration library. They
# are started through links in bin/; the executable's folder is found through
# /proc/self/exe, which names the real file, so the links need no launcher
# script and the programs no RPATH.
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

# orvanta_install_calibrator_program(<target>)
# A program of the calibrator: into ORVANTA_PROGRAM_DIR, started as bin/<name>.
function(orvanta_install_calibrator_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${ORVANTA_PROGRAM_DIR} COMPONENT orvanta_calibrator)
  orvanta_install_link(${CMAKE_INSTALL_BINDIR} $<TARGET_FILE_NAME:${target}>
                       ${ORVANTA_PROGRAM_DIR} $<TARGET_FILE_NAME:${target}> orvanta_calibrator)
endfunction()
