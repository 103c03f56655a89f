# Installation layout and the Debian package. Included from the top-level CMakeLists.txt after the
# program targets are defined, so the target checks below see them.

include(GNUInstallDirs)

set(ROZIVODA_ICON_DIR "${PROJECT_SOURCE_DIR}/app/icons")

if(TARGET rozivoda)
  install(TARGETS rozivoda RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

  install(FILES "${PROJECT_SOURCE_DIR}/app/rozivoda.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES "${ROZIVODA_ICON_DIR}/rozivoda.svg"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
  foreach(size IN ITEMS 16 32 48 64 128 256)
    install(FILES "${ROZIVODA_ICON_DIR}/hicolor/${size}x${size}/rozivoda.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
  endforeach()
endif()

if(TARGET rozivoda-scanner-sim)
  install(TARGETS rozivoda-scanner-sim RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "rozivoda")
set(CPACK_PACKAGE_VENDOR "ROZIVODA developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Runs timed scans over a range of channels of a VESTRA-IP multi-channel pressure scanner \
connected to a serial port, takes single manual readings, and saves and reopens the result \
tables as text files.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ROZIVODA developers")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")

# dpkg-shlibdeps derives the library packages, with their minimum versions, from the binaries
# themselves. Without it (not a Debian build host), fall back to the Debian 12 runtime packages.
# The Hangul font is not a linked library, so it is always named: without it the Korean grid
# font has no glyphs and Korean text shows as boxes.
find_program(ROZIVODA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ROZIVODA_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-nanum")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6serialport6 (>= 6.4), libqt6svg6 (>= 6.4), libqcustomplot2.1-qt6, fonts-nanum")
endif()

include(CPack)
