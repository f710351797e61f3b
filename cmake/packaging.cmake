# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Desktop integration and the Debian package, on Linux.
#
# The desktop entry and the AppStream metainfo carry the application's id in their file
# names; software centres match the two by it. scripts/package.sh builds the package:
# a Release build for the prefix /usr, then `cpack -G DEB`.

set(VANTOR_APP_ID io.github.vantor_configurator)
set(VANTOR_SCREENSHOT_BASE_URL "https://vantor-configurator.invalid/screenshots" CACHE STRING
    "Web folder that serves docs/screenshots/ (AppStream takes screenshots by URL only)")
set(VANTOR_PACKAGE_CONTACT "Vantor Configurator maintainers <maintainers@vantor-configurator.invalid>"
    CACHE STRING "Maintainer of the Debian package")
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


set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantor-configurator)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VANTOR_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "settings editor for the INI files of the game Vantor")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows 71 settings of VantorPrefs.ini and Vantor.ini in one window of tabbed pages\n\
(graphics, sound, controls) and writes them back on Apply, leaving every other\n\
line of the files as it was. It finds the files in the documents folder and in\n\
Steam's Proton and Wine prefixes, or edits the folder given with --folder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The form's fixed geometry fits the narrow Liberation fonts; wider ones clip its captions.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation2)
# Qt's own words (standard buttons, context menus) in the player's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
