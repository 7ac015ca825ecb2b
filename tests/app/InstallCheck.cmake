# Installs the build under PREFIX (not the configured prefix) and checks that
# the desktop entry starts the program in the data directory of that install.
#   cmake -DBUILD=<build dir> -DPREFIX=<prefix> -P InstallCheck.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()
file(STRINGS "${PREFIX}/share/applications/pellworth.desktop" path REGEX "^Path=")
if(NOT path STREQUAL "Path=${PREFIX}/share/pellworth")
  message(FATAL_ERROR "desktop entry has '${path}', not Path=${PREFIX}/share/pellworth")
endif()
foreach(file bin/pellworth bin/pellworth-cli share/pellworth/version
             share/pellworth/types/TARN/assembly.xml)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
