# SPDX-License-Identifier: GPL-3.0-or-later
# Packs this build tree into the Debian package with CPack, as tools/package
# does, and checks it as apt and Debian's archive would: its name, its exact
# file list, dependencies found in the binaries, the project's version in its
# control file and its changelog, a korvani-pitch that runs and says exactly
# that version, and no lintian error or warning (nor a missing hardening flag).
# Run by CTest as:
#   cmake -DBUILD_DIR=... -DOUT=... -DSOURCE_DIR=... -DVERSION=... -DCPACK=... -DHARDENED=ON|OFF
#         -P PackageCheck.cmake
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${CPACK}" --config "${BUILD_DIR}/CPackConfig.cmake" -B "${OUT}"
                RESULT_VARIABLE packed OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT packed EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${log}")
endif()
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb "${OUT}/korvani_${VERSION}_${arch}.deb")
if(NOT EXISTS "${deb}")
  file(GLOB built "${OUT}/*.deb")
  message(FATAL_ERROR "no ${deb}; cpack built: ${built}")
endif()

# The files, without the folders that hold them.
set(expected usr/bin/korvani usr/bin/korvani-pitch usr/share/applications/korvani.desktop
    usr/share/doc/korvani/changelog.gz usr/share/doc/korvani/copyright
    usr/share/icons/hicolor/scalable/apps/korvani.svg usr/share/man/man1/korvani-pitch.1.gz
    usr/share/man/man1/korvani.1.gz usr/share/metainfo/org.korvani.korvani.metainfo.xml)
foreach(size IN ITEMS 16 32 48 64 128 256)
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/korvani.png)
endforeach()
execute_process(COMMAND dpkg-deb -c "${deb}" OUTPUT_VARIABLE listing)
string(REGEX MATCHALL "\\./[^\n]*[^/\n]\n" entries "${listing}")
set(files "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^\\./(.*)\n$" "\\1" entry "${entry}")
  list(APPEND files "${entry}")
endforeach()
list(SORT expected)
list(SORT files)
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "the package holds:\n${listing}\nexpected the files: ${expected}")
endif()

execute_process(COMMAND dpkg-deb -f "${deb}" Depends OUTPUT_VARIABLE depends)
foreach(library IN ITEMS libc6 libqt6widgets6 libsndfile1 libasound2)
  if(NOT depends MATCHES "(^|, )${library} ")
    message(FATAL_ERROR "Depends lacks ${library}: ${depends}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -f "${deb}" Version OUTPUT_VARIABLE packed_version OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT packed_version STREQUAL VERSION)
  message(FATAL_ERROR "the package's control file says Version: ${packed_version}, the project is ${VERSION}")
endif()

execute_process(COMMAND dpkg-parsechangelog -l "${SOURCE_DIR}/packaging/changelog" -S Version
                OUTPUT_VARIABLE logged OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT logged STREQUAL VERSION)
  message(FATAL_ERROR "packaging/changelog's latest entry is ${logged}, the package is ${VERSION}")
endif()

execute_process(COMMAND dpkg-deb -x "${deb}" "${OUT}/root")
execute_process(COMMAND "${OUT}/root/usr/bin/korvani-pitch" --version
                RESULT_VARIABLE ran OUTPUT_VARIABLE version ERROR_VARIABLE version)
if(NOT ran EQUAL 0 OR NOT version STREQUAL "korvani-pitch ${VERSION}\n")
  message(FATAL_ERROR "the packed korvani-pitch --version says \"${version}\", the package is ${VERSION}")
endif()

# No error, no warning, and both programs built with the hardening flags
# (unless this build leaves them out, as the sanitizer and Debug builds do;
# asked for when HARDENED is not given).
if(NOT DEFINED HARDENED)
  set(HARDENED ON)
endif()
execute_process(COMMAND lintian --no-cfg --display-info "${deb}" OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(report MATCHES "(^|\n)[EW]: " OR (HARDENED AND report MATCHES "hardening-no-"))
  message(FATAL_ERROR "lintian:\n${report}")
endif()
file(REMOVE_RECURSE "${OUT}")
