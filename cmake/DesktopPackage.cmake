# Installing on a Linux desktop, and the Debian package built from the installation.
#
#   cmake --install BUILD --prefix /usr      bin/tenvor and bin/tenvor-cli (their rules are in
#                                            src/CMakeLists.txt), the desktop entry, the icon at
#                                            the usual sizes and the AppStream metainfo
#   scripts/package-deb.sh                   dist/tenvor_<version>-1_<arch>.deb through CPack
#
# The files of the desktop entry and the metainfo are in res/linux/; the icon's sizes are
# rendered from res/tenvor.mvg (see res/linux/icons/render.sh).
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(TENVOR_SCREENSHOT_URL "" CACHE STRING
    "Web address of the window's screenshot for the AppStream metainfo (left out when empty)")
set(TENVOR_PACKAGE_MAINTAINER "Tenvor developers <tenvor@invalid>" CACHE STRING
    "Maintainer field of the Debian package: name <e-mail>")

if(TENVOR_BUILD_GUI)
  set(linux_resources ${PROJECT_SOURCE_DIR}/res/linux)
  set(TENVOR_METAINFO_SCREENSHOTS "")
  if(TENVOR_SCREENSHOT_URL)
    string(CONCAT TENVOR_METAINFO_SCREENSHOTS
      "  <screenshots>\n"
      "    <screenshot type=\"default\">\n"
      "      <caption>The Tenvor window after a folder run with two failed files</caption>\n"
      "      <caption xml:lang=\"ja\">フォルダを変換し、2件のエラーが一覧に出たTenvorの画面</caption>\n"
      "      <image>${TENVOR_SCREENSHOT_URL}</image>\n"
      "    </screenshot>\n"
      "  </screenshots>\n")
  endif()
  configure_file(${linux_resources}/tenvor.desktop.in ${CMAKE_BINARY_DIR}/linux/${TENVOR_APP_ID}.desktop @ONLY)
  configure_file(${linux_resources}/tenvor.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/linux/${TENVOR_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/linux/${TENVOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_BINARY_DIR}/linux/${TENVOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${linux_resources}/icons/tenvor-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${TENVOR_APP_ID}.png)
  endforeach()
endif()

# The Debian package: what the installation holds, with its dependencies computed from the
# programs by dpkg-shlibdeps, plus what they load at run time that no library link shows.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tenvor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TENVOR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert electronic notifications (XML) on social insurance into CSV")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tenvor turns electronic notifications, the XML files issued to employers
about the social insurance of their staff, into CSV files that payroll and
office software can import. It identifies each notification's form among 33,
checks that the file holds exactly the fields of its form, and writes one CSV
file per notification in Shift_JIS or UTF-8. Files that cannot be converted
are listed with the reason and what to do about it, and are written to a log.
.
The package holds the desktop window (tenvor, in Japanese) and the command
line (tenvor-cli).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TENVOR_BUILD_GUI)
  # The window's Japanese texts need a Japanese font, and Qt its platform plugins; Qt's own
  # Japanese texts (choosers, context menus) come with its translations.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()
include(CPack)
