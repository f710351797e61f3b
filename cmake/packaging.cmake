# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Desktop integration on Linux: desktop entry, AppStream metainfo and manual page. The
# Debian package is built from debian/ (debhelper) by scripts/package.sh.
#
# The desktop entry and the AppStream metainfo carry the application's id in their file
# names; software centres match the two by it.

set(VANTOR_APP_ID io.github.vantor_configurator)
set(VANTOR_SCREENSHOT_BASE_URL "https://vantor-configurator.invalid/screenshots" CACHE STRING
    "Web folder that serves docs/screenshots/ (AppStream takes screenshots by URL only)")
# The project's web home (the pages of the GitHub account its id names), who makes it, and
# the date of this version, for the AppStream release entry.
set(VANTOR_HOMEPAGE "https://vantor-configurator.github.io/" CACHE STRING "The project's home page")
set(VANTOR_DEVELOPER "The Vantor Configurator developers" CACHE STRING "Who makes the program")
set(VANTOR_RELEASE_DATE "2026-12-07" CACHE STRING "The release date of this version (YYYY-MM-DD)")

if(NOT UNIX OR APPLE)
    return()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/resources/${VANTOR_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

configure_file(${PROJECT_SOURCE_DIR}/resources/${VANTOR_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${VANTOR_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${VANTOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian installs manual pages compressed, without a time stamp in the gzip header.
configure_file(${PROJECT_SOURCE_DIR}/docs/vantor-configurator.1.in ${PROJECT_BINARY_DIR}/vantor-configurator.1 @ONLY)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/vantor-configurator.1.gz
    COMMAND ${GZIP_EXECUTABLE} -9nf -k vantor-configurator.1
    DEPENDS ${PROJECT_BINARY_DIR}/vantor-configurator.1
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
add_custom_target(vantor_manpage ALL DEPENDS ${PROJECT_BINARY_DIR}/vantor-configurator.1.gz)
install(FILES ${PROJECT_BINARY_DIR}/vantor-configurator.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
