# Where an installation puts things, and the Debian package built from it:
#   cmake --install build --prefix P     P/bin/KV481, P/bin/kv481,
#                                        P/share/kv481/KV481Help.htm, the icon,
#                                        the .desktop entry and the file types,
#                                        the manual pages, copyright and changelog
#   cd build && cpack -G DEB              kv481_<version>_<arch>.deb
# The window program looks for its help page beside itself and then in
# ../share/kv481; an installed program keeps its settings and chart template
# in the user's own folders when its folder cannot be written.
include(GNUInstallDirs)
# Folders as Debian has them (rwxr-xr-x), whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS KV481 kv481 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/KV481Help.htm DESTINATION ${CMAKE_INSTALL_DATADIR}/kv481)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kv481.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kv481.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# The icon at the sizes desktops look for, and scalable.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/kv481.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Who answers for the package: in its control file, its changelog and its
# copyright file.
set(KV_MAINTAINER "KV481 maintainers <maintainers@users.noreply.c-seed-5c7b550a.example>"
    CACHE STRING "The package's maintainer, as Name <address>")

# The copyright file and the changelog, where Debian keeps them; the
# changelog compressed as Debian wants it (best compression, no name or
# time stamp inside, so the same sources give the same bytes).
set(KV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kv481)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/copyright @ONLY)
set(KV_DEBIAN_REVISION 1)
set(KV_DEBIAN_VERSION ${PROJECT_VERSION}-${KV_DEBIAN_REVISION})
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian ${CMAKE_BINARY_DIR}/packaging/changelog.Debian @ONLY)
find_program(KV_GZIP gzip)
find_program(KV_HELP2MAN help2man)
set(KV_PACKAGING_OUTPUTS)
if(KV_GZIP)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
    COMMAND ${KV_GZIP} -9nc changelog.Debian > changelog.Debian.gz
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.Debian
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/packaging VERBATIM)
  list(APPEND KV_PACKAGING_OUTPUTS ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz DESTINATION ${KV_DOC_DIR})
endif()
install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright DESTINATION ${KV_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kv481)

# Manual pages made from each program's --help and --version, with the
# sections help2man cannot know from packaging/<program>.h2m. Not in the
# sanitizer builds, which are for tests and whose programs may say more on
# their way out than a manual page should.
if(KV_GZIP AND KV_HELP2MAN AND UNIX AND NOT KV_SANITIZE AND NOT KV_FUZZ)
  foreach(program KV481 kv481)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      # Run by its bare name, so that the pages show no build path.
      COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:${program}>:$ENV{PATH}" QT_QPA_PLATFORM=offscreen
              ${KV_HELP2MAN} --no-info --section=1 --include=${PROJECT_SOURCE_DIR}/packaging/${program}.h2m
              --output=${page} ${program}
      COMMAND ${KV_GZIP} -9nf ${page}
      DEPENDS ${program} ${PROJECT_SOURCE_DIR}/packaging/${program}.h2m
      VERBATIM)
    list(APPEND KV_PACKAGING_OUTPUTS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(STATUS "help2man or gzip not found: no manual pages")
endif()
add_custom_target(packaging-files ALL DEPENDS ${KV_PACKAGING_OUTPUTS})

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
set(CPACK_PACKAGE_CONTACT "${KV_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KV_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program for the K-type thermometers 481 and 482")
# The long description under the synopsis, in lines Debian shows as they
# stand (each under 80 columns; CPack indents them and marks the empty one).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "KV481 finds a model 481 (one channel) or 482 (two channels) thermocouple
thermometer on a serial port or USB adapter, shows its live readings on a
virtual front panel whose keys drive the meter, records them into a
real-time graph and list, downloads the meter's logger memory, and saves,
reopens and prints data sets, graphs and collection files.

kv481, the command-line program, does the same from a terminal or a
script: it lists the ports, reads live values as CSV or JSON Lines, and
downloads and exports the logger memory.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The first packaging of this upstream version: the package is not native
# to Debian, so its changelog is changelog.Debian.
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KV_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries the programs link (Qt, libmosquitto, libxlsxwriter, OpenSSL)
# come from dpkg-shlibdeps; Qt's platform plugins and its SQLite driver (the
# MQTT outbox) are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
