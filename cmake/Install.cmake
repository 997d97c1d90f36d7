# Where an installation puts things, and the Debian package built from it:
#   cmake --install build --prefix P     P/bin/KV481, P/bin/kv481,
#                                        P/share/kv481/KV481Help.htm, the icon,
#                                        the .desktop entry and the file types
#   cd build && cpack -G DEB              kv481_<version>_<arch>.deb
# The window program looks for its help page beside itself and then in
# ../share/kv481; an installed program keeps its settings and chart template
# in the user's own folders when its folder cannot be written.
include(GNUInstallDirs)

install(TARGETS KV481 kv481 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/KV481Help.htm DESTINATION ${CMAKE_INSTALL_DATADIR}/kv481)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kv481.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kv481.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/kv481.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)

# kv481 publish as a systemd user service, with an example of its
# environment file. The unit names the program by the prefix it is installed
# under (cmake --install --prefix, or /usr in the Debian package), so it is
# made when installing.
install(CODE "
  set(KV481_BIN_DIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  set(KV481_DATA_DIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/kv481\")
  configure_file(\"${PROJECT_SOURCE_DIR}/packaging/kv481-publish.service.in\"
                 \"${CMAKE_BINARY_DIR}/packaging/kv481-publish.service\" @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/packaging/kv481-publish.service DESTINATION lib/systemd/user)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kv481-publish.env DESTINATION ${CMAKE_INSTALL_DATADIR}/kv481)

set(CPACK_PACKAGE_NAME kv481)
set(CPACK_PACKAGE_VENDOR "KV481")
set(CPACK_PACKAGE_CONTACT "KV481 developers <kv481@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Companion program for the K-type thermocouple thermometers 481 and 482")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows the live readings of the one-channel 481 and the two-channel 482 thermometer on a virtual front \
panel, records them into graphs and lists, downloads the meter's logger memory and keeps it in files. \
kv481, the command-line program, does the same from a terminal or a script.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/kv481")
# The libraries the programs link come from dpkg-shlibdeps; Qt's platform
# plugins are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
