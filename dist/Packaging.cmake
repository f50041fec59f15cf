# `make package`: kestrelwave_<version>_<arch>.deb through CPack, with its
# dependencies read from the shared libraries the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrelwave)
set(CPACK_PACKAGE_VENDOR "Kestrel Wave")
set(CPACK_PACKAGE_CONTACT "Kestrel Wave developers <author@kestrelwave.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "catalogue and launcher for streamed TV and radio")
# CPack puts the summary first and indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kestrel Wave keeps a catalogue of streamed television and radio channels in a
tree and hands the chosen channel to the desktop's media player. Users add
their own channels, rate them, keep favourites, assign speed-channel keys,
exchange playlists and lock channels from children.

The kwave command runs the same commands from a terminal or a script.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The browser fallback is sensible-browser; the player is whatever the
# desktop opens addresses with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "sensible-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kestrelwave.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Debian asks every package for its copyright and change log.
set(KW_CHANGELOG ${CMAKE_BINARY_DIR}/dist/changelog.gz)
add_custom_command(OUTPUT ${KW_CHANGELOG}
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/dist/changelog > ${KW_CHANGELOG}
  DEPENDS ${CMAKE_SOURCE_DIR}/dist/changelog)
add_custom_target(kwave_changelog ALL DEPENDS ${KW_CHANGELOG})
install(FILES ${CMAKE_SOURCE_DIR}/dist/copyright ${KW_CHANGELOG}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrelwave)

include(CPack)
