# Builds the package with cpack into WORK and checks its files, control data,
# desktop entry, manual pages and completion; runs lintian when it is there
# and fails on any error it reports.
#   cmake -DBUILD=<build dir> -DWORK=<scratch dir> -DVERSION=<x.y> -DCPACK=<cpack>
#         -P PackageCheck.cmake
foreach(tool dpkg-deb dpkg-shlibdeps)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message(FATAL_ERROR "${tool} is missing (apt-get install dpkg-dev); skip with ctest -LE package")
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

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
run("${CPACK}" -G DEB -B "${WORK}" --config "${BUILD}/CPackConfig.cmake")
run(dpkg --print-architecture)
string(STRIP "${out}" arch)
set(deb "${WORK}/pellworth_${VERSION}_${arch}.deb")
if(NOT EXISTS "${deb}")
  file(GLOB made "${WORK}/*.deb")
  message(FATAL_ERROR "no ${deb}; cpack made: ${made}")
endif()

run(dpkg-deb -c "${deb}")
set(contents "${out}")
foreach(path usr/bin/pellworth usr/bin/pellworth-cli usr/bin/pellworth-modsim
             usr/share/applications/pellworth.desktop
             usr/share/icons/hicolor/256x256/apps/pellworth.png
             usr/lib/udev/rules.d/60-pellworth.rules
             usr/share/pellworth/version
             usr/share/pellworth/types/TARN/assembly.xml
             usr/share/pellworth/types/ORLAN6/assembly.xml
             usr/share/man/man1/pellworth.1.gz usr/share/man/man1/pellworth-cli.1.gz
             usr/share/man/man1/pellworth-modsim.1.gz
             usr/share/bash-completion/completions/pellworth-cli
             usr/share/doc/pellworth/copyright usr/share/doc/pellworth/changelog.gz)
  expect("${contents}" "package contents" " ./${path}\n")
endforeach()
# Nothing outside /usr, and no build or test leftovers.
string(REGEX MATCH " \\./(etc|opt|home|tmp|var|usr/local)/[^\n]*" stray "${contents}")
if(stray)
  message(SEND_ERROR "package has a file outside /usr:${stray}")
endif()

run(dpkg-deb -I "${deb}")
set(control "${out}")
expect("${control}" "control data" " Package: pellworth\n" " Version: ${VERSION}\n"
       " Section: " " Maintainer: " " Description: " " Homepage: ")
string(REGEX MATCH "\n Depends: [^\n]*" depends "${control}")
expect("${depends}" "Depends line" libqt6widgets6 libxerces-c3.2 libudev1 libc6)

run(dpkg-deb -x "${deb}" "${WORK}/root")
set(root "${WORK}/root")
file(READ "${root}/usr/share/applications/pellworth.desktop" entry)
expect("${entry}" "desktop entry" "\nExec=pellworth\n" "\nIcon=pellworth\n"
       "\nPath=/usr/share/pellworth\n")
foreach(page pellworth pellworth-cli pellworth-modsim)
  run(gzip -dc "${root}/usr/share/man/man1/${page}.1.gz")
  expect("${out}" "${page}(1)" ".TH " ".SH NAME" ".SH OPTIONS")
endforeach()
expect("${out}" "pellworth-modsim(1)" "no\\-reboot" "port\\-dir")
run(gzip -dc "${root}/usr/share/man/man1/pellworth-cli.1.gz")
expect("${out}" "pellworth-cli(1)" ".B log" "\\-\\-no\\-log" ".B all" "PELLWORTH_REBOOT_WAIT")
file(READ "${root}/usr/share/bash-completion/completions/pellworth-cli" completion)
expect("${completion}" "completion" "complete -F _pellworth_cli pellworth-cli" "--no-log"
       "--since" "download" "usb-ports")
file(READ "${root}/usr/lib/udev/rules.d/60-pellworth.rules" rule)
expect("${rule}" "udev rule" "TAG+=\"uaccess\"" "Varnet USB Modules Interconnect")

find_program(lintian lintian)
if(lintian)
  # Its own exit status also counts warnings; errors are what fail here.
  execute_process(COMMAND ${lintian} --tag-display-limit 0 "${deb}"
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
