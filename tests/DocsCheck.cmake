# SPDX-License-Identifier: GPL-3.0-or-later
# Renders each manual page with every groff warning on and validates the
# AppStream metadata, strictly and without the network; any complaint fails.
# korvani-pitch's page is the one the build writes (cli/CMakeLists.txt).
# Run by CTest as: cmake -DSOURCE_DIR=... [-DPITCH_MANUAL=.../korvani-pitch.1] -P DocsCheck.cmake
foreach(page IN ITEMS "${SOURCE_DIR}/docs/man/korvani.1" ${PITCH_MANUAL})
  execute_process(COMMAND groff -man -ww -z "${page}"
                  RESULT_VARIABLE rendered OUTPUT_VARIABLE complaints ERROR_VARIABLE complaints)
  if(NOT rendered EQUAL 0 OR NOT complaints STREQUAL "")
    message(FATAL_ERROR "groff on ${page}: ${complaints}")
  endif()
endforeach()

execute_process(COMMAND appstreamcli validate --no-net --pedantic
                        "${SOURCE_DIR}/resources/desktop/org.korvani.korvani.metainfo.xml"
                RESULT_VARIABLE valid OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(NOT valid EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate: ${report}")
endif()
