# What `cmake --install` puts on a Linux desktop, and the Debian package made from it.
# The build tree gets the same share/lumeno folder, so the program finds its help there too.
include(GNUInstallDirs)

set(LUMENO_APP_ID org.lumeno.Lumeno)
set(LUMENO_RELEASE_VERSION 1.0)
set(LUMENO_DATA ${CMAKE_SOURCE_DIR}/data)

configure_file(${LUMENO_DATA}/Help.html ${CMAKE_BINARY_DIR}/share/lumeno/Help.html COPYONLY)
configure_file(${LUMENO_DATA}/${LUMENO_APP_ID}.metainfo.xml
  ${CMAKE_BINARY_DIR}/share/metainfo/${LUMENO_APP_ID}.metainfo.xml @ONLY)

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
install(FILES ${LUMENO_DATA}/${LUMENO_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/share/metainfo/${LUMENO_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${LUMENO_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${LUMENO_DATA}/Help.html DESTINATION ${CMAKE_INSTALL_DATADIR}/lumeno)

# cpack -G DEB: the installed tree under /usr. Library packages come from dpkg-shlibdeps;
# what the program loads at run time (GStreamer plugins, the MIDI soundfont, ALSA's
# PulseAudio plugin) is listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumeno)
set(CPACK_PACKAGE_VERSION ${LUMENO_RELEASE_VERSION})
set(CPACK_PACKAGE_VENDOR "The Lumeno developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "media player for files, CDs and DVDs with playlists")
set(CPACK_PACKAGE_DESCRIPTION "Lumeno plays AVI, MIDI, MP3, MPEG, WMV, WMA and WAV files, \
Video CDs, audio CDs and DVD-Video discs from named playlists, and takes inserted discs \
and removable drives as playlists of their own.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Lumeno developers <maintainers@lumeno.org>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.lumeno.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, \
gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, \
gstreamer1.0-libav, gstreamer1.0-x, gstreamer1.0-gl, gstreamer1.0-pulseaudio | gstreamer1.0-alsa, \
fluid-soundfont-gm, libasound2-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
