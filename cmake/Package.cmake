# SPDX-License-Identifier: GPL-3.0-or-later
# The documents every Debian package carries, and the package itself (cpack -G DEB).
# Needs LUMENO_RELEASE_VERSION from Desktop.cmake.
set(LUMENO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/lumeno)

# The changelog and the manual page go in gzip'd, at full compression and without a
# time stamp, so that the same sources give the same package.
find_program(GZIP gzip REQUIRED)
set(LUMENO_GZIPPED)
foreach(pair "debian/changelog|doc/lumeno/changelog" "lumeno.1|man/man1/lumeno.1")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 target)
  set(copy ${CMAKE_BINARY_DIR}/share/${target})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${LUMENO_DATA}/${source} ${copy}
    COMMAND ${GZIP} -9nf ${copy}
    DEPENDS ${LUMENO_DATA}/${source} VERBATIM)
  list(APPEND LUMENO_GZIPPED ${copy}.gz)
endforeach()
add_custom_target(lumeno_docs ALL DEPENDS ${LUMENO_GZIPPED})

install(FILES ${LUMENO_DATA}/debian/copyright ${CMAKE_BINARY_DIR}/share/doc/lumeno/changelog.gz
  DESTINATION ${LUMENO_DOC_DIR})
install(FILES ${CMAKE_BINARY_DIR}/share/man/man1/lumeno.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The installed tree under /usr. Library packages come from dpkg-shlibdeps; what the
# program loads at run time (GStreamer plugins, the MIDI soundfont, ALSA's PulseAudio
# plugin) is listed by hand. The package is native: its changelog is changelog.gz.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumeno)
set(CPACK_PACKAGE_VERSION ${LUMENO_RELEASE_VERSION})
set(CPACK_PACKAGE_VENDOR "The Lumeno developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "media player for files, CDs and DVDs with playlists")
# Lines of at most 80 characters, as in a control file; CPack does not wrap them.
set(CPACK_PACKAGE_DESCRIPTION "Lumeno plays AVI, MIDI, MP3, MPEG, WMV, WMA and WAV files,
Video CDs, audio CDs and DVD-Video discs from named playlists, and takes
inserted discs and removable drives as playlists of their own.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# The identity the project's commits are made under; there is no homepage to name.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
  "Seed 5f31fa43 maintainers <maintainers@users.noreply.c-seed-5f31fa43.example>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, \
gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, \
gstreamer1.0-libav, gstreamer1.0-x, gstreamer1.0-gl, gstreamer1.0-pulseaudio | gstreamer1.0-alsa, \
fluid-soundfont-gm, libasound2-plugins")
# Qt's Wayland platform plugin: without it Qt runs the program through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland")
include(CPack)
