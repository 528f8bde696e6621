# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package tools/package builds with CPack: korvani_VERSION_ARCH.deb
# with what `cmake --install` puts in place under /usr, the licence in Debian's
# machine-readable form and the changelog. dpkg-shlibdeps computes the
# dependencies from the binaries.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_CURRENT_LIST_DIR}/changelog
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(KORVANI_MAINTAINER "korvani maintainers <korvani@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvani)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KORVANI_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "determine the pitch of a recorded sound and retune the sample")
# Debian wants the long description in lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "korvani opens a WAV file, plays it, draws its magnitude spectrum and names
the frequency of a peak you click, the nearest equal-tempered note and the
sample rate at which the peak would sound exactly on that note. A copy of the
file can carry that rate in its header, which retunes the sample without
touching its data.

korvani-pitch runs the same analysis from the command line on whole folders
of samples, with text, CSV or JSON output.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianFiles.cmake)
set(CPACK_KORVANI_STRIP ${CMAKE_STRIP})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
