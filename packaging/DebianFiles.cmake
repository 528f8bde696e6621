# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack on the staged files before it builds the Debian package, to make
# them what Debian ships: programs stripped of their symbols and of the sections
# that only the build uses, manual pages and the changelog gzipped without a time
# stamp.
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND "${CPACK_KORVANI_STRIP}" --remove-section=.comment --remove-section=.note "${program}"
                  RESULT_VARIABLE stripped)
  if(NOT stripped EQUAL 0)
    message(FATAL_ERROR "strip ${program} failed")
  endif()
endforeach()

file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/*.1")
file(GLOB_RECURSE changelogs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/doc/*/changelog")
foreach(document IN LISTS pages changelogs)
  execute_process(COMMAND gzip -9nf "${document}" RESULT_VARIABLE compressed)
  if(NOT compressed EQUAL 0)
    message(FATAL_ERROR "gzip ${document} failed")
  endif()
endforeach()
