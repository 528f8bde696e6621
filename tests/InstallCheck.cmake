# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a fresh prefix and checks what a desktop expects to
# find there: both programs, their manual pages, a valid desktop entry, its
# AppStream metadata and the icon at each size.
# Run by CTest as: cmake -DBUILD_DIR=... -DPREFIX=... -P InstallCheck.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()

set(expected bin/korvani bin/korvani-pitch share/applications/korvani.desktop
    share/icons/hicolor/scalable/apps/korvani.svg share/metainfo/org.korvani.korvani.metainfo.xml
    share/man/man1/korvani.1 share/man/man1/korvani-pitch.1)
foreach(size IN ITEMS 16 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/korvani.png)
endforeach()
foreach(file IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

execute_process(COMMAND desktop-file-validate "${PREFIX}/share/applications/korvani.desktop"
                RESULT_VARIABLE valid OUTPUT_VARIABLE complaints ERROR_VARIABLE complaints)
if(NOT valid EQUAL 0 OR NOT complaints STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${complaints}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
