# The installed files (binary, desktop entry, metainfo, icons, translations, Debian documentation) and
# the Debian package made from them: `cpack -G DEB` in a build directory.

set(STORM_MAINTAINER "Storm Distance developers <developers@stormdistance.org>")
set(STORM_HOMEPAGE "https://stormdistance.org/")
set(STORM_DEB_RELEASE 1)
set(STORM_DEB_VERSION "${PROJECT_VERSION}-${STORM_DEB_RELEASE}")
set(STORM_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(STORM_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/storm-distance)

install(TARGETS storm-distance RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${STORM_QM_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/storm-distance/translations)

# The desktop entry and the metainfo carry the identifier, the version and its release date.
configure_file(resources/storm-distance.desktop.in ${STORM_PACKAGE_DIR}/${STORM_APP_ID}.desktop @ONLY)
configure_file(resources/storm-distance.metainfo.xml.in ${STORM_PACKAGE_DIR}/${STORM_APP_ID}.metainfo.xml @ONLY)
install(FILES ${STORM_PACKAGE_DIR}/${STORM_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${STORM_PACKAGE_DIR}/${STORM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon: the drawing itself, and pictures of it at the sizes desktops look for first.
find_program(STORM_RSVG_CONVERT rsvg-convert REQUIRED)
install(FILES resources/icon.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${STORM_APP_ID}.svg)
set(STORM_ICON_PNGS)
foreach(size 16 24 32 48 64 128 256)
  set(dir ${STORM_PACKAGE_DIR}/icons/${size}x${size})
  add_custom_command(OUTPUT ${dir}/${STORM_APP_ID}.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${STORM_RSVG_CONVERT} --width=${size} --height=${size} --output=${dir}/${STORM_APP_ID}.png
            ${CMAKE_SOURCE_DIR}/resources/icon.svg
    DEPENDS resources/icon.svg
    COMMENT "Drawing the ${size}x${size} icon"
    VERBATIM)
  list(APPEND STORM_ICON_PNGS ${dir}/${STORM_APP_ID}.png)
  install(FILES ${dir}/${STORM_APP_ID}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The manual page, and Debian's documentation: the copyright file and the package's changelog. The
# compressed copies carry no name or time, so that the same sources give the same package.
configure_file(resources/storm-distance.1 ${STORM_PACKAGE_DIR}/storm-distance.1 COPYONLY)
add_custom_command(OUTPUT ${STORM_PACKAGE_DIR}/storm-distance.1.gz
  COMMAND gzip -9nkf storm-distance.1
  WORKING_DIRECTORY ${STORM_PACKAGE_DIR}
  DEPENDS ${STORM_PACKAGE_DIR}/storm-distance.1
  VERBATIM)
install(FILES ${STORM_PACKAGE_DIR}/storm-distance.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
execute_process(COMMAND date -u -R -d "${STORM_RELEASE_DATE} 12:00" OUTPUT_VARIABLE STORM_RELEASE_DATE_RFC2822
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(resources/debian/changelog.in ${STORM_PACKAGE_DIR}/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${STORM_PACKAGE_DIR}/changelog.Debian.gz
  COMMAND gzip -9nkf changelog.Debian
  WORKING_DIRECTORY ${STORM_PACKAGE_DIR}
  DEPENDS ${STORM_PACKAGE_DIR}/changelog.Debian
  VERBATIM)
install(FILES resources/debian/copyright ${STORM_PACKAGE_DIR}/changelog.Debian.gz DESTINATION ${STORM_DOC_DIR})
install(FILES resources/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME storm-distance)

add_custom_target(storm_package_files ALL
  DEPENDS ${STORM_ICON_PNGS} ${STORM_PACKAGE_DIR}/storm-distance.1.gz ${STORM_PACKAGE_DIR}/changelog.Debian.gz)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME storm-distance)
set(CPACK_PACKAGE_VENDOR "Storm Distance developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "time the thunder to tell how far away a storm is")
# Lines as they stand in the package's description, each under 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Press once at the lightning flash and again at the thunder: Storm Distance"
  "shows the delay to the millisecond, turns it into miles and kilometres with"
  "the speed of sound, and draws a circle of that radius around you on a map."
  "Every measurement is kept in a log; the map shows the strikes of the last"
  "hour, whether the storm comes closer, and when to take shelter.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${STORM_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${STORM_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${STORM_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's plugins, which no linker sees: the strike log's database driver, the SVG icon, the window
# system and the images' formats.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6, qt6-qpa-plugins, qt6-image-formats-plugins")
include(CPack)
