# SPDX-License-Identifier: GPL-3.0-or-later
# Writes korvani-pitch's manual page: the template with the option list that
# the generator prints from the option table in place of its @OPTIONS@ line.
# Run by the build as:
#   cmake -DGENERATOR=... -DTEMPLATE=korvani-pitch.1.in -DOUTPUT=korvani-pitch.1 -P FillOptions.cmake
execute_process(COMMAND "${GENERATOR}" OUTPUT_VARIABLE options COMMAND_ERROR_IS_FATAL ANY)
file(READ "${TEMPLATE}" page)
string(FIND "${page}" "\n@OPTIONS@\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${TEMPLATE} has no @OPTIONS@ line")
endif()
string(REPLACE "\n@OPTIONS@\n" "\n${options}" page "${page}")
file(WRITE "${OUTPUT}.new" "${page}")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
