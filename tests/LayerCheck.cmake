# SPDX-License-Identifier: GPL-3.0-or-later
# Every arrow between the folders points down the map in README.md: a source
# includes headers of its own layer and of the layers listed for it, never of
# one above it or beside it. Run by CTest as:
#   cmake -DSOURCE_DIR=... -P LayerCheck.cmake
cmake_minimum_required(VERSION 3.25)
set(below_resources)
set(below_platform)
set(below_analysis platform)
set(below_engine analysis platform)
set(below_framework resources platform)
set(below_document engine analysis framework platform resources)
set(below_presentation document ${below_document})
set(below_app presentation ${below_presentation})
set(below_cli engine analysis platform)

set(wrong)
foreach(layer IN ITEMS resources platform analysis engine framework document presentation app cli)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(file IN LISTS sources)
    file(STRINGS "${file}" includes REGEX "^#include \"[a-z]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" used "${line}")
      if(NOT used STREQUAL layer AND NOT used IN_LIST below_${layer})
        file(RELATIVE_PATH name "${SOURCE_DIR}" "${file}")
        list(APPEND wrong "${name} (${layer}) includes ${used}/")
      endif()
    endforeach()
  endforeach()
endforeach()
if(wrong)
  list(JOIN wrong "\n  " text)
  message(FATAL_ERROR "includes against the layers' arrows:\n  ${text}")
endif()
