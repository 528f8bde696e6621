# SPDX-License-Identifier: GPL-3.0-or-later
# Every C++ source is in the project's style (.clang-format): clang-format
# would change nothing. Run by CTest as:
#   cmake -DSOURCE_DIR=... -DCLANG_FORMAT=... -P FormatCheck.cmake
set(sources "")
foreach(folder IN ITEMS analysis app bench cli document engine framework fuzz platform presentation resources tests)
  file(GLOB_RECURSE found "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
  list(APPEND sources ${found})
endforeach()
execute_process(COMMAND "${CLANG_FORMAT}" --dry-run -Werror --style=file ${sources}
                WORKING_DIRECTORY "${SOURCE_DIR}"
                RESULT_VARIABLE formatted OUTPUT_VARIABLE complaints ERROR_VARIABLE complaints)
if(NOT formatted EQUAL 0)
  message(FATAL_ERROR "not in the project's style (run clang-format -i on these):\n${complaints}")
endif()
