# Builds the Debian packages with cpack into WORK and checks them: the three
# packages and what each holds, their dependencies (no Qt for pellworth-cli),
# no sample data outside pellworth-demo and the marker on them, the hardening
# of the binaries, the installed CLI run from / without release data, and
# lintian (errors fail) when it is installed.
#   cmake -DBUILD=<build dir> -DWORK=<scratch dir> -DVERSION=<x.y> -DCPACK=<cpack>
#         -P PackageCheck.cmake
foreach(tool dpkg-deb dpkg-shlibdeps readelf)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message(FATAL_ERROR "${tool} is missing (apt-get install dpkg-dev binutils); skip with ctest -LE package")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

function(expect text what)
  foreach(wanted ${ARGN})
    string(FIND "${text}" "${wanted}" at)
    if(at EQUAL -1)
      message(SEND_ERROR "${what} lacks '${wanted}'")
    endif()
  endforeach()
endfunction()

function(refuse text what)
  foreach(unwanted ${ARGN})
    string(FIND "${text}" "${unwanted}" at)
    if(NOT at EQUAL -1)
      message(SEND_ERROR "${what} has '${unwanted}'")
    endif()
  endforeach()
endfunction()

if(NOT HARDENED)
  message(FATAL_ERROR "the build is not hardened: configure with -DPELLWORTH_DEB_BUILDFLAGS=ON")
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
run("${CPACK}" -G DEB -B "${WORK}" --config "${BUILD}/CPackConfig.cmake")
run(dpkg --print-architecture)
string(STRIP "${out}" arch)

# What each package must hold (below usr/).
set(files_pellworth bin/pellworth share/applications/pellworth.desktop
    share/icons/hicolor/48x48/apps/pellworth.png share/icons/hicolor/256x256/apps/pellworth.png
    share/man/man1/pellworth.1.gz)
set(files_pellworth-cli bin/pellworth-cli lib/udev/rules.d/60-pellworth.rules
    share/man/man1/pellworth-cli.1.gz share/bash-completion/completions/pellworth-cli)
set(files_pellworth-demo bin/pellworth-modsim bin/pellworth-demo
    share/applications/pellworth-demo.desktop
    share/pellworth-demo/SAMPLE-DATA share/pellworth-demo/version
    share/pellworth-demo/types/TARN/assembly.xml share/pellworth-demo/types/ORLAN6/assembly.xml
    share/man/man1/pellworth-modsim.1.gz share/man/man1/pellworth-demo.1.gz)
# Dependencies each must and must not have: the CLI pulls in no Qt, X or GL.
set(depends_pellworth "pellworth-cli (= ${VERSION})" libqt6widgets6 libxerces-c3.2 libudev1)
set(depends_pellworth-cli libxerces-c3.2 libudev1 libc6)
set(depends_pellworth-demo "pellworth (= ${VERSION})")
set(never_pellworth-cli qt libx11 libxcb libgl libegl)

foreach(package pellworth pellworth-cli pellworth-demo)
  set(deb "${WORK}/${package}_${VERSION}_${arch}.deb")
  if(NOT EXISTS "${deb}")
    file(GLOB made "${WORK}/*.deb")
    message(FATAL_ERROR "no ${deb}; cpack made: ${made}")
  endif()
  run(dpkg-deb -c "${deb}")
  set(contents "${out}")
  foreach(path ${files_${package}} share/doc/${package}/copyright share/doc/${package}/changelog.gz)
    expect("${contents}" "${package}" " ./usr/${path}\n")
  endforeach()
  # Nothing outside /usr; no sample data but the demo's, which are marked.
  string(REGEX MATCH " \\./(etc|opt|home|tmp|var|usr/local)/[^\n]*" stray "${contents}")
  if(stray)
    message(SEND_ERROR "${package} has a file outside /usr:${stray}")
  endif()
  if(NOT package STREQUAL pellworth-demo)
    refuse("${contents}" "${package}" "/share/pellworth/" "/types/" "SAMPLE-DATA")
  endif()
  run(dpkg-deb -I "${deb}")
  expect("${out}" "${package} control" " Package: ${package}\n" " Version: ${VERSION}\n"
         " Section: " " Maintainer: " " Description: " " Homepage: ")
  string(REGEX MATCH "\n Depends: [^\n]*" depends "${out}")
  expect("${depends}" "${package} Depends" ${depends_${package}})
  string(TOLOWER "${depends}" depends)
  refuse("${depends}" "${package} Depends" ${never_${package}})
  run(dpkg-deb -x "${deb}" "${WORK}/root")
endforeach()
set(root "${WORK}/root")
# Only SAMPLE-IMAGE files are sample data, and every one is in the marked folder.
file(GLOB_RECURSE images "${root}/usr/share/*.bin" "${root}/usr/share/*.rpd"
     "${root}/usr/share/*.ace" "${root}/usr/share/*.iic")
foreach(image ${images})
  string(FIND "${image}" "/usr/share/pellworth-demo/types/" at)
  if(at EQUAL -1)
    message(SEND_ERROR "an image outside the demo's data: ${image}")
  endif()
endforeach()

# Hardened as dpkg-buildflags builds: PIE, full RELRO (-z now), the stack
# protector and fortified calls (the simulator makes none that could be).
foreach(program pellworth pellworth-cli pellworth-modsim)
  run(readelf -h -d -l -W --dyn-syms "${root}/usr/bin/${program}")
  expect("${out}" "${program}" "DYN (Position-Independent Executable" "GNU_RELRO" "BIND_NOW"
         "__stack_chk_fail")
  if(NOT program STREQUAL pellworth-modsim AND NOT out MATCHES "__[a-z_]+_chk@")
    message(SEND_ERROR "${program} has no fortified calls")
  endif()
endforeach()

file(READ "${root}/usr/share/applications/pellworth.desktop" entry)
expect("${entry}" "desktop entry" "\nExec=pellworth\n" "\nIcon=pellworth\n"
       "\nCategories=Settings;HardwareSettings;\n")
refuse("${entry}" "desktop entry" "Path=")
foreach(page pellworth pellworth-cli pellworth-modsim pellworth-demo)
  run(gzip -dc "${root}/usr/share/man/man1/${page}.1.gz")
  expect("${out}" "${page}(1)" ".TH " "\"Pellworth ${VERSION}\"" ".SH NAME")
  set(man_${page} "${out}")
endforeach()
expect("${man_pellworth-cli}" "pellworth-cli(1)" ".B log" "\\-\\-no\\-log" ".B all"
       "PELLWORTH_REBOOT_WAIT" "\\-\\-data" "PELLWORTH_DATA" "SAMPLE\\-DATA")
expect("${man_pellworth}" "pellworth(1)" "\\-\\-data" "PELLWORTH_DATA" "/usr/share/pellworth/")
file(READ "${root}/usr/share/bash-completion/completions/pellworth-cli" completion)
expect("${completion}" "completion" "complete -F _pellworth_cli pellworth-cli" "--no-log"
       "--since" "download" "usb-ports" "--data")
file(READ "${root}/usr/lib/udev/rules.d/60-pellworth.rules" rule)
expect("${rule}" "udev rule" "TAG+=\"uaccess\"" "Varnet USB Modules Interconnect")

# The installed tool run from / with no release data says so and sends
# nothing: the update stops before it opens a port.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=PELLWORTH_DATA
                        "PELLWORTH_PORT_DIR=${WORK}/no-ports" "XDG_STATE_HOME=${WORK}/state"
                        "${root}/usr/bin/pellworth-cli" update --port 1 --yes
                WORKING_DIRECTORY / RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 1)
  message(SEND_ERROR "pellworth-cli update from / without release data: exit ${result}\n${err}")
endif()
expect("${err}" "pellworth-cli from /" "no release data found (looked in /, ${root}/usr/share/pellworth)"
       "nothing was sent")
if(EXISTS "${WORK}/state/pellworth/results.jsonl")
  message(SEND_ERROR "pellworth-cli from / without release data wrote a results-log record")
endif()

find_program(lintian lintian)
if(lintian)
  # Its own exit status also counts warnings; errors are what fail here.
  file(GLOB debs "${WORK}/*.deb")
  execute_process(COMMAND ${lintian} --tag-display-limit 0 ${debs}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message(STATUS "lintian:\n${out}${err}")
  string(REGEX MATCHALL "(^|\n)E: [^\n]*" errors "${out}")
  if(errors)
    message(SEND_ERROR "lintian reports errors:${errors}")
  endif()
else()
  message(STATUS "lintian is not installed: not run")
endif()
file(REMOVE_RECURSE "${WORK}")
