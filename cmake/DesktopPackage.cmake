# Installing on a Linux desktop, and the Debian package built from the installation.
#
#   cmake --install BUILD --prefix /usr      bin/tenvor and bin/tenvor-cli (their rules are in
#                                            src/CMakeLists.txt), the desktop entry, the icon at
#                                            the usual sizes, the AppStream metainfo, the manual
#                                            pages (docs/man/), the licence and the changelog
#   scripts/package-deb.sh                   dist/tenvor_<version>-1_<arch>.deb through CPack
#
# The files of the desktop entry and the metainfo are in res/linux/; the icon's sizes are
# rendered from res/tenvor.mvg (see res/linux/icons/render.sh).
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(TENVOR_SCREENSHOT_URL "" CACHE STRING
    "Web address of the window's screenshot for the AppStream metainfo (left out when empty)")
# The maintainer named by the package and its changelog. The default is the project's address in
# the domain of its application id (jp.tenvor.Tenvor); whoever builds packages for others sets their
# own: -DTENVOR_PACKAGE_MAINTAINER="Name <address>".
set(default_maintainer "Tenvor developers <debian@tenvor.jp>")
set(TENVOR_PACKAGE_MAINTAINER "${default_maintainer}" CACHE STRING
    "Maintainer field of the Debian package: name <e-mail>")
# Builds configured before keep the former placeholder in their cache; lintian rejects its address.
if(TENVOR_PACKAGE_MAINTAINER STREQUAL "Tenvor developers <tenvor@invalid>")
  set_property(CACHE TENVOR_PACKAGE_MAINTAINER PROPERTY VALUE "${default_maintainer}")
endif()

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

# The manual pages, the licence in Debian's machine-readable form and the package's changelog,
# compressed as Debian wants them (gzip -9n: no name, no time stamp). They are made when CMake
# configures, so that a build of the programs alone can be installed and packaged.
set(TENVOR_PACKAGE_RELEASE 1)
set(linux_generated ${CMAKE_BINARY_DIR}/linux)
file(MAKE_DIRECTORY ${linux_generated})
function(tenvor_gzip source output)
  execute_process(COMMAND gzip -9n -c ${source} OUTPUT_FILE ${output} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${source}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()

foreach(page tenvor tenvor-cli)
  if(page STREQUAL "tenvor" AND NOT TENVOR_BUILD_GUI)
    continue()
  endif()
  tenvor_gzip(${PROJECT_SOURCE_DIR}/docs/man/${page}.1 ${linux_generated}/${page}.1.gz)
  install(FILES ${linux_generated}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# The copyright file: Tenvor's own licence (LICENSE) in the copyright format 1.0. The package
# links the system's libraries dynamically; their notices come with their own packages.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence_text)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
if(NOT licence_text MATCHES "Copyright ([^\n]+)")
  message(FATAL_ERROR "LICENSE has no Copyright line")
endif()
set(licence_holders "${CMAKE_MATCH_1}")
string(STRIP "${licence_text}" licence_text)
# Each line of the licence indented by one space, an empty line written as " .".
string(REGEX REPLACE "\n\n" "\n.\n" licence_text "${licence_text}")
string(REGEX REPLACE "\n" "\n " licence_text "${licence_text}")
file(WRITE ${linux_generated}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Tenvor\n"
  "\n"
  "Files: *\n"
  "Copyright: ${licence_holders}\n"
  "License: Expat\n"
  " ${licence_text}\n")
set(package_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tenvor)
install(FILES ${linux_generated}/copyright DESTINATION ${package_doc_dir})

# The changelog names the maintainer; its latest entry must be the version packaged.
configure_file(${PROJECT_SOURCE_DIR}/res/linux/changelog.in ${linux_generated}/changelog @ONLY)
file(STRINGS ${linux_generated}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^tenvor \\(${PROJECT_VERSION}-${TENVOR_PACKAGE_RELEASE}\\) ")
  message(FATAL_ERROR "res/linux/changelog.in begins with \"${changelog_head}\": "
                      "add an entry for ${PROJECT_VERSION}-${TENVOR_PACKAGE_RELEASE} on top")
endif()
tenvor_gzip(${linux_generated}/changelog ${linux_generated}/changelog.Debian.gz)
install(FILES ${linux_generated}/changelog.Debian.gz DESTINATION ${package_doc_dir})
# lintian's tags that do not apply to a package made outside Debian, each with its reason.
install(FILES ${PROJECT_SOURCE_DIR}/res/linux/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME tenvor)

# A stripped installation (as CPack makes the package's) also loses the compiler's identification
# and the .note section, as Debian's own packages do (dh_strip).
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program tenvor tenvor-cli)
      set(installed \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
      if(EXISTS \"\${installed}\")
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                                \"\${installed}\" RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
          message(FATAL_ERROR \"objcopy could not strip \${installed}\")
        endif()
      endif()
    endforeach()
  endif()
")

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
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TENVOR_PACKAGE_RELEASE})
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
