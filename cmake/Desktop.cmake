# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts on a Linux desktop.
# The build tree gets the same share/lumeno folder, so the program finds its help there too.
include(GNUInstallDirs)

set(LUMENO_APP_ID org.lumeno.Lumeno)
# AppStream asks for a lower-case component ID; the desktop entry keeps the name the
# program gives its windows.
set(LUMENO_COMPONENT_ID org.lumeno.lumeno)
set(LUMENO_RELEASE_VERSION 1.0)
set(LUMENO_DATA ${CMAKE_SOURCE_DIR}/data)

configure_file(${LUMENO_DATA}/Help.html ${CMAKE_BINARY_DIR}/share/lumeno/Help.html COPYONLY)
configure_file(${LUMENO_DATA}/${LUMENO_COMPONENT_ID}.metainfo.xml
  ${CMAKE_BINARY_DIR}/share/metainfo/${LUMENO_COMPONENT_ID}.metainfo.xml @ONLY)

# The icon is drawn once as SVG; the bitmap sizes are rendered from it.
set(LUMENO_ICON_SIZES 16 22 24 32 48 64 128 256)
set(LUMENO_ICON_SVG ${LUMENO_DATA}/icons/${LUMENO_APP_ID}.svg)
find_program(RSVG_CONVERT rsvg-convert)
set(LUMENO_ICON_PNGS)
if(RSVG_CONVERT)
  foreach(size ${LUMENO_ICON_SIZES})
    set(png ${CMAKE_BINARY_DIR}/share/icons/hicolor/${size}x${size}/apps/${LUMENO_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/icons/hicolor/${size}x${size}/apps
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${LUMENO_ICON_SVG}
      DEPENDS ${LUMENO_ICON_SVG} VERBATIM)
    list(APPEND LUMENO_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "rsvg-convert not found (package librsvg2-bin): only the SVG icon is installed")
endif()
add_custom_target(lumeno_icons ALL DEPENDS ${LUMENO_ICON_PNGS})

install(TARGETS lumeno RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS lumeno_player LIBRARY DESTINATION ${LUMENO_MODULE_INSTALL_DIR})
install(FILES ${LUMENO_DATA}/${LUMENO_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/share/metainfo/${LUMENO_COMPONENT_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${LUMENO_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${LUMENO_DATA}/Help.html DESTINATION ${CMAKE_INSTALL_DATADIR}/lumeno)
