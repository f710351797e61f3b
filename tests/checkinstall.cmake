# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs the build into a scratch prefix and checks that everything a desktop
# install needs is in its place.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "install failed: ${result}")
endif()

set(id io.github.vantor_configurator)
set(expected bin/vantor-configurator share/applications/${id}.desktop share/metainfo/${id}.metainfo.xml
    share/man/man1/vantor-configurator.1.gz share/icons/hicolor/scalable/apps/vantor-configurator.svg)
foreach(picture af_0 af_2 af_4 af_8 af_16 tex_vl tex_l tex_m tex_h msaa_0 msaa_2 msaa_4 msaa_8)
    list(APPEND expected share/vantor-configurator/previews/${picture}.jpg)
endforeach()
foreach(size 16 32 64 128)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/vantor-configurator.png)
endforeach()
foreach(file ${expected})
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "missing after install: ${file}")
    endif()
endforeach()

file(STRINGS ${PREFIX}/share/applications/${id}.desktop entry)
foreach(line "Exec=vantor-configurator" "Icon=vantor-configurator" "Categories=Game;")
    list(FIND entry "${line}" found)
    if(found EQUAL -1)
        message(FATAL_ERROR "desktop entry lacks ${line}")
    endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
