# Installation layout and the Debian package. Included last from the top-level CMakeLists.txt,
# after every folder is added, so that the target checks below see every program.

include(GNUInstallDirs)

set(ROZIVODA_ICON_DIR "${PROJECT_SOURCE_DIR}/app/icons")
set(ROZIVODA_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/packaging")
set(ROZIVODA_APPSTREAM_ID "org.example.rozivoda")
set(ROZIVODA_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/rozivoda")

# Directories made by the installer stay world-readable whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Debian wants man pages and changelogs compressed with gzip -9n: no name or time stamp in the
# header, so that the package builds reproducibly.
find_program(ROZIVODA_GZIP gzip REQUIRED)
set(ROZIVODA_GZIPPED_FILES)
function(rozivoda_gzip source output)
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${ROZIVODA_GZIP}" -9nc "${source}" > "${output}"
    DEPENDS "${source}"
    COMMENT "Compressing ${output}")
  set(ROZIVODA_GZIPPED_FILES ${ROZIVODA_GZIPPED_FILES} "${output}" PARENT_SCOPE)
endfunction()

# A man page per program, installed only with its program.
function(rozivoda_man_page program)
  set(page "${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1")
  configure_file("${ROZIVODA_PACKAGING_DIR}/man/${program}.1.in" "${page}" @ONLY)
  rozivoda_gzip("${page}" "${page}.gz")
  set(ROZIVODA_GZIPPED_FILES ${ROZIVODA_GZIPPED_FILES} PARENT_SCOPE)
  install(FILES "${page}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endfunction()

# The changelog names the version it was written for; a release without its entry is a mistake.
file(STRINGS "${ROZIVODA_PACKAGING_DIR}/changelog" _rozivoda_changelog_top LIMIT_COUNT 1)
if(NOT _rozivoda_changelog_top MATCHES "^rozivoda \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog has no entry for ${PROJECT_VERSION} at the top")
endif()

if(TARGET rozivoda)
  install(TARGETS rozivoda RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  rozivoda_man_page(rozivoda)

  install(FILES "${ROZIVODA_PACKAGING_DIR}/rozivoda.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES "${ROZIVODA_PACKAGING_DIR}/${ROZIVODA_APPSTREAM_ID}.metainfo.xml"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
  install(FILES "${ROZIVODA_PACKAGING_DIR}/rozivoda-results.xml"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages")
  install(FILES "${ROZIVODA_ICON_DIR}/rozivoda.svg"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
  foreach(size IN ITEMS 16 32 48 64 128 256)
    install(FILES "${ROZIVODA_ICON_DIR}/hicolor/${size}x${size}/rozivoda.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
  endforeach()
endif()

if(TARGET rozivoda-scan)
  install(TARGETS rozivoda-scan RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()

if(TARGET rozivoda-scanner-sim)
  install(TARGETS rozivoda-scanner-sim RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  rozivoda_man_page(rozivoda-scanner-sim)
endif()

if(TARGET rozivoda-scan)
  install(TARGETS rozivoda-scan RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  rozivoda_man_page(rozivoda-scan)
  # A rig run headless as a systemd user service.
  install(FILES "${ROZIVODA_PACKAGING_DIR}/rozivoda-scan@.service"
          DESTINATION "lib/systemd/user")
endif()

rozivoda_gzip("${ROZIVODA_PACKAGING_DIR}/changelog" "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz")
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz" "${ROZIVODA_PACKAGING_DIR}/copyright"
        DESTINATION "${ROZIVODA_DOC_DIR}")
add_custom_target(rozivoda_packaging_files ALL DEPENDS ${ROZIVODA_GZIPPED_FILES})

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "rozivoda")
set(CPACK_PACKAGE_VENDOR "ROZIVODA developers")
set(CPACK_PACKAGE_CONTACT "ROZIVODA developers <rozivoda@example.org>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Debian's extended description (CPack puts the summary line in front): lines under 80 columns,
# paragraphs separated by ".".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "ROZIVODA runs timed scans over a range of channels of a VESTRA-IP
multi-channel pressure scanner connected to a serial port, takes single
manual readings, and saves and reopens the result tables as text files in
the format of the instrument PCs (code page 949, CR LF).
.
A failed reading is retried and marked in the table; a lost line stops the
scan and keeps every row taken. A simulated scanner on a pseudo-terminal
(rozivoda-scanner-sim, or rozivoda --demo) lets the program be tried
without the instrument.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")

# dpkg-shlibdeps derives the library packages, with their minimum versions, from the binaries
# themselves. Without it (not a Debian build host), fall back to the Debian 12 runtime packages.
# The Hangul font and the SQLite and PostgreSQL drivers of Qt SQL (plugins, loaded at run time)
# are not linked libraries, so they are always named: without the font the Korean grid font has
# no glyphs and Korean text shows as boxes; without the SQLite driver no reading is kept on disk,
# without the PostgreSQL one no rig reaches a lab's shared server.
find_program(ROZIVODA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ROZIVODA_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-nanum, libqt6sql6-sqlite (>= 6.4), libqt6sql6-psql (>= 6.4)")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6serialport6 (>= 6.4), libqt6sql6 (>= 6.4), libqt6sql6-sqlite (>= 6.4), libqt6sql6-psql (>= 6.4), libsqlite3-0, libqt6svg6 (>= 6.4), libqcustomplot2.1-qt6, fonts-nanum")
endif()
# Qt's own texts (standard buttons, file dialogs) in the desktop's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

include(CPack)
