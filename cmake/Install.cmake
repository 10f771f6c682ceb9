# The manual beside the program, and what `cmake --install` puts where.
#
# The portable layout is the program directory of the build (build/bin): the
# program, wmaspi.dll, Profiles/ and, from here, manual/.
#
# The installed layout, relative to the prefix (/usr for the Debian package):
#   bin/tarvolin                                      the program
#   bin/tarvolin-cli                                  the command line
#   lib/tarvolin/wmaspi.dll                           the encoder stand-in
#   share/tarvolin/Profiles/*.apf                     the shipped profiles
#   share/tarvolin/manual/                            the manual (index.html)
#   share/applications/io.github.tarvolin.Tarvolin.desktop
#   share/icons/hicolor/<n>x<n>/apps/tarvolin.png     n = 16 22 24 32 48 64 128 256
#   share/metainfo/io.github.tarvolin.Tarvolin.metainfo.xml
#   share/man/man1/tarvolin.1.gz, tarvolin-cli.1.gz   the manual pages
#   share/doc/tarvolin/copyright, changelog.Debian.gz what a Debian package must carry
# So the program finds the rest from its own folder: ../lib/tarvolin/ and
# ../share/tarvolin/.

set(TARVOLIN_MANUAL_SOURCES
  ${CMAKE_SOURCE_DIR}/docs/manual/index.html
  ${CMAKE_SOURCE_DIR}/docs/manual/tasks.html
  ${CMAKE_SOURCE_DIR}/docs/manual/profiles.html
  ${CMAKE_SOURCE_DIR}/docs/manual/output.html
  ${CMAKE_SOURCE_DIR}/docs/manual/converting.html
  ${CMAKE_SOURCE_DIR}/docs/manual/preview.html
  ${CMAKE_SOURCE_DIR}/docs/manual/settings.html
  ${CMAKE_SOURCE_DIR}/docs/manual/cli.html
  ${CMAKE_SOURCE_DIR}/docs/manual/manual.css
  # The main window as the first page shows it.
  ${CMAKE_SOURCE_DIR}/docs/screenshot.png)

# Only the window has a manual; cross builds have no window and are left as
# they are.
if(NOT TARGET tarvolin OR CMAKE_CROSSCOMPILING OR WIN32)
  return()
endif()

add_custom_target(manual ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROGRAM_DIR}/manual
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TARVOLIN_MANUAL_SOURCES} ${PROGRAM_DIR}/manual/
  COMMENT "Copying the manual")
add_dependencies(tarvolin manual)

include(GNUInstallDirs)
# The encoder stand-in is a program of this one, not a library: it goes into
# lib/tarvolin under every prefix. (CMAKE_INSTALL_LIBDIR would be
# lib/x86_64-linux-gnu under /usr on Debian, while the layout above is what
# the program's run-time look-up relies on: ../lib/tarvolin from bin/.)
set(TARVOLIN_INSTALL_PKGLIBDIR lib/tarvolin)
set(TARVOLIN_INSTALL_PKGDATADIR ${CMAKE_INSTALL_DATADIR}/tarvolin)

install(TARGETS tarvolin tarvolin-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET wmaspi)
  install(TARGETS wmaspi RUNTIME DESTINATION ${TARVOLIN_INSTALL_PKGLIBDIR})
endif()
if(SHIPPED_PROFILES)
  install(FILES ${SHIPPED_PROFILES} DESTINATION ${TARVOLIN_INSTALL_PKGDATADIR}/Profiles)
endif()
install(FILES ${TARVOLIN_MANUAL_SOURCES} DESTINATION ${TARVOLIN_INSTALL_PKGDATADIR}/manual)

set(TARVOLIN_APP_ID io.github.tarvolin.Tarvolin)
install(FILES ${CMAKE_SOURCE_DIR}/resources/${TARVOLIN_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/${TARVOLIN_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/hicolor/${size}x${size}/apps/tarvolin.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The manual pages and the Debian changelog, compressed as Debian wants them
# (gzip -9n: no name or time stamp, so the same text gives the same file).
set(TARVOLIN_DEBIAN_VERSION ${PROJECT_VERSION}-1)
configure_file(${CMAKE_SOURCE_DIR}/resources/debian/changelog.in
  ${CMAKE_BINARY_DIR}/doc/changelog.Debian @ONLY)
set(TARVOLIN_COMPRESSED)
foreach(text ${CMAKE_SOURCE_DIR}/docs/man/tarvolin.1 ${CMAKE_SOURCE_DIR}/docs/man/tarvolin-cli.1
    ${CMAKE_BINARY_DIR}/doc/changelog.Debian)
  get_filename_component(name ${text} NAME)
  set(compressed ${CMAKE_BINARY_DIR}/doc/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND gzip -9n -c ${text} > ${compressed}
    DEPENDS ${text} VERBATIM)
  list(APPEND TARVOLIN_COMPRESSED ${compressed})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${TARVOLIN_COMPRESSED})
install(FILES ${CMAKE_BINARY_DIR}/doc/tarvolin.1.gz ${CMAKE_BINARY_DIR}/doc/tarvolin-cli.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/resources/debian/copyright
  ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvolin)

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
