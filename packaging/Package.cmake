# The Debian packages (scripts/build-packages, or cmake --build build --target
# package), one CPack component each:
#   pellworth       the Qt program, its desktop entry and icons
#   pellworth-cli   the command-line tool, the udev rule, bash completion (no Qt:
#                   a headless bench must not pull in the Qt and X stack)
#   pellworth-demo  the module simulator, the sample data in
#                   /usr/share/pellworth-demo and the pellworth-demo launcher
#   pellworth-release-data  only with -DPELLWORTH_RELEASE_DATA=<folder>: a
#                   vendor's release data in /usr/share/pellworth, with the
#                   manifest SHA256SUMS the programs check before an update
# Reproducible: SOURCE_DATE_EPOCH (the last commit's time unless set) dates the
# changelog and every file in the packages; gzip -n; dpkg-buildflags' file
# prefix map (CMakeLists.txt).
include(GNUInstallDirs)

set(PELLWORTH_MAINTAINER "Pellworth maintainers <pellworth@varnet.example>")
set(PELLWORTH_RELEASE_DATA "" CACHE PATH
    "A vendor's release-data folder (types/, version) to package as pellworth-release-data")

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(PELLWORTH_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${PELLWORTH_ROOT} log -1 --format=%ct
                  OUTPUT_VARIABLE PELLWORTH_SOURCE_DATE_EPOCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE no_git)
  if(no_git OR PELLWORTH_SOURCE_DATE_EPOCH STREQUAL "")
    set(PELLWORTH_SOURCE_DATE_EPOCH 0) # not a clone: a fixed date still builds the same
  endif()
endif()

# Debian wants manual pages and its documentation files compressed, and
# gzip -n keeps them the same from build to build.
find_program(PELLWORTH_GZIP gzip REQUIRED)
set(compressed)
function(pellworth_gzip source name)
  set(plain ${CMAKE_BINARY_DIR}/packaging/${name})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
    COMMAND ${PELLWORTH_GZIP} -9nf ${plain}
    DEPENDS ${source}
    COMMENT "Compressing ${name}")
  set(compressed ${compressed} ${plain}.gz PARENT_SCOPE)
endfunction()

foreach(entry pellworth:program pellworth-cli:cli pellworth-modsim:demo pellworth-demo:demo)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 page)
  list(GET entry 1 component)
  # The pages carry the build's version (project(VERSION)).
  configure_file(${PELLWORTH_ROOT}/docs/man/${page}.1 ${CMAKE_BINARY_DIR}/packaging/man/${page}.1 @ONLY)
  pellworth_gzip(${CMAKE_BINARY_DIR}/packaging/man/${page}.1 ${page}.1)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${page}.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endforeach()

# The changelog's date is the commit's, not the day of the build.
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${PELLWORTH_SOURCE_DATE_EPOCH})
string(TIMESTAMP PELLWORTH_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in
               ${CMAKE_BINARY_DIR}/packaging/changelog.in.out @ONLY)
pellworth_gzip(${CMAKE_BINARY_DIR}/packaging/changelog.in.out changelog)
add_custom_target(pellworth_compressed ALL DEPENDS ${compressed})

set(components program cli demo)
set(package_program pellworth)
set(package_cli pellworth-cli)
set(package_demo pellworth-demo)

install(FILES ${PELLWORTH_ROOT}/docs/completion/pellworth-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT cli)

# The demo: sample data (marked SAMPLE-DATA) in a folder of their own, and the
# launcher that names it.
install(DIRECTORY ${PELLWORTH_ROOT}/data/types DESTINATION ${CMAKE_INSTALL_DATADIR}/pellworth-demo
        COMPONENT demo)
install(FILES ${PELLWORTH_ROOT}/data/version ${PELLWORTH_ROOT}/data/SAMPLE-DATA
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pellworth-demo COMPONENT demo)
install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/demo/pellworth-demo
        DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT demo)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/demo/pellworth-demo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT demo)

# A vendor's release data: never sample data, always with a manifest of what
# the vendor built the package from.
if(PELLWORTH_RELEASE_DATA)
  get_filename_component(release_data "${PELLWORTH_RELEASE_DATA}" ABSOLUTE)
  if(NOT IS_DIRECTORY "${release_data}/types")
    message(FATAL_ERROR "PELLWORTH_RELEASE_DATA: ${release_data} holds no types/ folder")
  endif()
  if(EXISTS "${release_data}/SAMPLE-DATA")
    message(FATAL_ERROR "PELLWORTH_RELEASE_DATA: ${release_data} holds sample data (SAMPLE-DATA)")
  endif()
  file(GLOB_RECURSE data_files RELATIVE "${release_data}" CONFIGURE_DEPENDS
       "${release_data}/types/*")
  list(SORT data_files)
  set(manifest "")
  foreach(file ${data_files})
    file(SHA256 "${release_data}/${file}" digest)
    string(APPEND manifest "${digest}  ${file}\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/packaging/SHA256SUMS "${manifest}")
  install(DIRECTORY "${release_data}/types" DESTINATION ${CMAKE_INSTALL_DATADIR}/pellworth
          COMPONENT data)
  set(data_files_top ${CMAKE_BINARY_DIR}/packaging/SHA256SUMS)
  if(EXISTS "${release_data}/version")
    list(APPEND data_files_top "${release_data}/version")
  endif()
  install(FILES ${data_files_top} DESTINATION ${CMAKE_INSTALL_DATADIR}/pellworth COMPONENT data)
  list(APPEND components data)
  set(package_data pellworth-release-data)
endif()

foreach(component ${components})
  install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package_${component}} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${components})
set(CPACK_PACKAGE_NAME pellworth)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Varnet)
set(CPACK_PACKAGE_CONTACT ${PELLWORTH_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PELLWORTH_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.varnet.example/pellworth")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(about "Pellworth configures and maintains Varnet video converter modules attached
over USB, where each module shows up as a serial port. It discovers the
attached modules, shows a module's identity and firmware versions, edits its
setup, saves and loads setup files, brings its firmware up to a release in one
run, downloads single images and lookup tables, and reads and writes registers.")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME pellworth)
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION "configure and update Varnet video converter modules
${about}
.
This package holds the Qt program. Its release data come from a vendor's
release-data package (/usr/share/pellworth), --data or the working directory;
pellworth-demo has sample data to try it.")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "pellworth-cli (= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME pellworth-cli)
set(CPACK_COMPONENT_CLI_DESCRIPTION "command-line tool for Varnet video converter modules
${about}
.
This package holds pellworth-cli, which does the program's work from scripts
and on production benches (several modules at once, a results log), without
Qt, and the udev rule that gives the user at the seat access to the modules'
serial ports.")

set(CPACK_DEBIAN_DEMO_PACKAGE_NAME pellworth-demo)
set(CPACK_COMPONENT_DEMO_DESCRIPTION "demo of Pellworth: module simulator and sample data
${about}
.
This package holds the module simulator (pellworth-modsim), the sample data
in /usr/share/pellworth-demo (marked SAMPLE-DATA; never for production
modules) and pellworth-demo, which starts the program on them with a
simulated module.")
set(CPACK_DEBIAN_DEMO_PACKAGE_DEPENDS "pellworth (= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_DATA_PACKAGE_NAME pellworth-release-data)
set(CPACK_DEBIAN_DATA_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DATA_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_DATA_DESCRIPTION "release data for Pellworth
${about}
.
This package holds a vendor's release data in /usr/share/pellworth with the
manifest SHA256SUMS; a release update whose files do not match it is refused.")

# cpack dates every file in the packages from SOURCE_DATE_EPOCH.
file(WRITE ${CMAKE_BINARY_DIR}/packaging/CPackProjectConfig.cmake
     "if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})\n"
     "  set(ENV{SOURCE_DATE_EPOCH} ${PELLWORTH_SOURCE_DATE_EPOCH})\n"
     "endif()\n")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/CPackProjectConfig.cmake)
include(CPack)
