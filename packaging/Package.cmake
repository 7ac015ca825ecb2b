# The Debian package (cmake --build build --target package): the three
# programs, the demo data directory, the desktop entry and icon, the udev
# rule, manual pages, bash completion and the Debian documentation files.
include(GNUInstallDirs)

set(PELLWORTH_MAINTAINER "Pellworth maintainers <pellworth@varnet.example>")
set(pellworth_docdir ${CMAKE_INSTALL_DATADIR}/doc/pellworth)

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

foreach(page pellworth pellworth-cli pellworth-modsim)
  pellworth_gzip(${PELLWORTH_ROOT}/docs/man/${page}.1 ${page}.1)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

string(TIMESTAMP PELLWORTH_CHANGELOG_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in
               ${CMAKE_BINARY_DIR}/packaging/changelog.in.out @ONLY)
pellworth_gzip(${CMAKE_BINARY_DIR}/packaging/changelog.in.out changelog)
add_custom_target(pellworth_compressed ALL DEPENDS ${compressed})

install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz
              ${CMAKE_CURRENT_LIST_DIR}/copyright
        DESTINATION ${pellworth_docdir})
install(FILES ${PELLWORTH_ROOT}/docs/completion/pellworth-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pellworth)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Varnet)
set(CPACK_PACKAGE_CONTACT ${PELLWORTH_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure and update Varnet video converter modules")
set(CPACK_PACKAGE_DESCRIPTION
  "Pellworth configures and maintains Varnet video converter modules attached
over USB, where each module shows up as a serial port. It discovers the
attached modules, shows a module's identity and firmware versions, edits its
setup, saves and loads setup files, brings its firmware up to a release in one
run, downloads single images and lookup tables, and reads and writes registers.
.
The package holds the Qt program (pellworth), the command-line tool for
scripts and production benches (pellworth-cli), a module simulator to try them
without hardware (pellworth-modsim), the demo module types in
/usr/share/pellworth and a udev rule that gives the user at the seat access to
the modules' serial ports.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PELLWORTH_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.varnet.example/pellworth")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
