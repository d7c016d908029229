# Debian packages, one per install component (scripts/package.sh):
#   libfendrel2         the shared library
#   libfendrel-dev      header, link name, CMake package, pkg-config file
#   fendrel-tools       fendrel-tool and orvanta-rigctld with their manual pages
#   orvanta             the calibrator and orvanta-autocal with their manual
#                       pages, the help file, desktop entry and icon
#   orvanta-simulators  the simulated receiver libraries, orvanta-sim and its
#                       manual page
# Each has a -dbgsym package with the debugging symbols stripped from it.
# All carry the library's version, the version of the interface they are built
# around, and the Debian revision of packaging/debian/changelog; the packages
# of one build depend on each other at exactly that version.
get_target_property(orvanta_package_version fendrel VERSION)
set(ORVANTA_DEBIAN_MAINTAINER "Orvanta developers <orvanta@velkaro.example>"
    CACHE STRING "Maintainer field of the Debian packages: name <address>")

# The changelog's latest entry names the version being packaged.
set(orvanta_debian_dir ${PROJECT_SOURCE_DIR}/packaging/debian)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${orvanta_debian_dir}/changelog)
file(STRINGS ${orvanta_debian_dir}/changelog orvanta_changelog_top LIMIT_COUNT 1)
string(REPLACE . "\\." orvanta_version_pattern ${orvanta_package_version})
if(NOT orvanta_changelog_top MATCHES "^orvanta \\(${orvanta_version_pattern}-([0-9a-z.+~]+)\\) ")
  message(FATAL_ERROR "packaging/debian/changelog: the latest entry, '${orvanta_changelog_top}', "
                      "is not one for version ${orvanta_package_version}-<Debian revision>")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_1})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvanta)
set(CPACK_PACKAGE_VENDOR Velkaro)
set(CPACK_PACKAGE_VERSION ${orvanta_package_version})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE orvanta)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORVANTA_DEBIAN_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds the calibration library of this build here; the
# packages that use it name libfendrel2 themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${ORVANTA_BIN_DIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# A shlibs file for libfendrel.so.2, so that applications packaged against it
# depend on libfendrel2 of at least the version they were built with. (The
# simulated receiver libraries have no soname version and get none.)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)

set(CPACK_COMPONENTS_ALL fendrel_library fendrel_development fendrel_tools)
if(ORVANTA_BUILD_PUNDOR)
  list(APPEND CPACK_COMPONENTS_ALL orvanta_calibrator orvanta_simulators)
endif()

set(CPACK_DEBIAN_FENDREL_LIBRARY_PACKAGE_NAME libfendrel2)
set(CPACK_DEBIAN_FENDREL_LIBRARY_PACKAGE_SECTION libs)
# dpkg runs ldconfig once, through its trigger, after all packages are
# unpacked. CPack writes maintainer scripts that call ldconfig for a package
# with a shared library unless it is given its own: naming a postinst and a
# postrm that do not exist makes it write none, and add none (it warns that
# it cannot add them).
configure_file(${orvanta_debian_dir}/libfendrel2.triggers ${CMAKE_BINARY_DIR}/packaging/libfendrel2/triggers COPYONLY)
set(CPACK_DEBIAN_FENDREL_LIBRARY_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/libfendrel2/triggers
    ${CMAKE_BINARY_DIR}/packaging/libfendrel2/none/postinst ${CMAKE_BINARY_DIR}/packaging/libfendrel2/none/postrm)
set(CPACK_COMPONENT_FENDREL_LIBRARY_DESCRIPTION
    "S-meter calibration tables: shared library
The fendrel library holds S-meter calibration tables of computer-controlled
radio receivers, loads and saves them as CAL files, and converts a raw
signal-strength reading taken at a frequency in a mode into a calibrated
level in dBm, microvolts and S-units.")

set(CPACK_DEBIAN_FENDREL_DEVELOPMENT_PACKAGE_NAME libfendrel-dev)
set(CPACK_DEBIAN_FENDREL_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_FENDREL_DEVELOPMENT_DEPENDS fendrel_library)
set(CPACK_COMPONENT_FENDREL_DEVELOPMENT_DESCRIPTION
    "S-meter calibration tables: development files
The header fendrel.h, which is the library's manual, the link name, a CMake
package (find_package(fendrel 2.0 CONFIG), target fendrel::fendrel) and a
pkg-config file (fendrel), for receiver applications that show calibrated
signal levels.")

set(CPACK_DEBIAN_FENDREL_TOOLS_PACKAGE_NAME fendrel-tools)
set(CPACK_DEBIAN_FENDREL_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_FENDREL_TOOLS_DEPENDS fendrel_library)
set(CPACK_COMPONENT_FENDREL_TOOLS_DESCRIPTION
    "S-meter calibration tables: command-line tools
fendrel-tool shows what a CAL file holds, converts raw readings into
calibrated levels, exports and imports tables as CSV for spreadsheets or as
tables for Hamlib's backends, and reports what a hand-edited CAL file gets
wrong. orvanta-rigctld stands in front of Hamlib's rigctld and gives every
Hamlib program the radio's calibrated S-meter reading.")

set(CPACK_DEBIAN_ORVANTA_CALIBRATOR_PACKAGE_NAME orvanta)
set(CPACK_DEBIAN_ORVANTA_CALIBRATOR_PACKAGE_SECTION hamradio)
# The calibrator loads the library at run time, which dpkg-shlibdeps cannot see.
set(CPACK_COMPONENT_ORVANTA_CALIBRATOR_DEPENDS fendrel_library)
# Without the maker's libraries the simulated receivers are the only ones; xchm shows the help file.
set(CPACK_DEBIAN_ORVANTA_CALIBRATOR_PACKAGE_RECOMMENDS "orvanta-simulators, xchm")
set(CPACK_COMPONENT_ORVANTA_CALIBRATOR_DESCRIPTION
    "S-meter calibrator for computer-controlled receivers
Orvanta builds and edits the S-meter calibration tables (CAL files) of
computer-controlled radio receivers: fed from a signal generator at known
levels, it shows the receiver's live raw reading and lets the operator edit,
fill, offset, interpolate, copy and plot the table of each calibration
frequency.")

set(CPACK_DEBIAN_ORVANTA_SIMULATORS_PACKAGE_NAME orvanta-simulators)
set(CPACK_DEBIAN_ORVANTA_SIMULATORS_PACKAGE_SECTION hamradio)
# The libraries go into the calibrator's own folder.
set(CPACK_COMPONENT_ORVANTA_SIMULATORS_DEPENDS orvanta_calibrator)
set(CPACK_COMPONENT_ORVANTA_SIMULATORS_DESCRIPTION
    "Simulated receivers for the Orvanta calibrator
Stand-ins for the receiver maker's receiver-control libraries, so that the
calibrator runs without hardware, and orvanta-sim, which changes the
simulated receivers and signal generator from outside.")

# Every package has the copyright file and the changelog in its
# documentation folder. Only the packages: a plain install (cmake --install)
# installs no component's EXCLUDE_FROM_ALL files.
set(orvanta_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_command(
  OUTPUT ${orvanta_changelog}
  COMMAND ${ORVANTA_GZIP} -9nc ${orvanta_debian_dir}/changelog > ${orvanta_changelog}
  DEPENDS ${orvanta_debian_dir}/changelog
  VERBATIM)
add_custom_target(orvanta_debian_changelog ALL DEPENDS ${orvanta_changelog})
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} variable)
  install(FILES ${orvanta_debian_dir}/copyright ${orvanta_changelog}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${variable}_PACKAGE_NAME}
          COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

include(CPack)
