# The Windows edition as one zip that needs no installation: the two programs, the Qt DLLs and
# plugins beside them, Qt's Japanese translation, the licences of everything shipped or linked
# (licenses/, see cmake/WindowsLicences.cmake) and a short Japanese introduction. `cpack -G ZIP`
# in a Windows build writes Tenvor-<version>-win64.zip; scripts/build-windows.sh makes the
# installer from that zip.
include_guard(GLOBAL)

# Each program's link map, which names every library and object file linked into it: the check of
# the licences (tests/windows/check-licences.sh) finds a notice for each.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/link-maps)
foreach(program tenvor-cli tenvor)
  if(TARGET ${program})
    target_link_options(${program} PRIVATE "LINKER:-Map=${PROJECT_BINARY_DIR}/link-maps/${program}.map")
  endif()
endforeach()

install(TARGETS tenvor-cli RUNTIME DESTINATION .)
if(TARGET tenvor)
  install(TARGETS tenvor RUNTIME DESTINATION .)
  # Qt as DLLs beside the programs: the libraries, the Windows platform plugin and the native
  # style, found through Qt's own CMake targets.
  install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets> DESTINATION .)
  install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
  if(TARGET Qt6::QWindowsVistaStylePlugin)
    install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
  endif()
endif()

# Qt's Japanese texts (choosers, buttons, context menus), from Debian's qt6-translations-l10n:
# the window looks for them in translations/ beside itself.
set(TENVOR_QT_TRANSLATION /usr/share/qt6/translations/qtbase_ja.qm CACHE FILEPATH
    "Qt's Japanese translation, shipped beside the Windows programs")
if(EXISTS ${TENVOR_QT_TRANSLATION})
  install(FILES ${TENVOR_QT_TRANSLATION} DESTINATION translations)
endif()

set(TENVOR_QT_VERSION "${Qt6_VERSION}")
include(${CMAKE_CURRENT_LIST_DIR}/WindowsLicences.cmake)
install(DIRECTORY ${TENVOR_LICENCES_DIR}/ DESTINATION licenses)
configure_file(${PROJECT_SOURCE_DIR}/res/windows/readme-ja.txt.in
               ${PROJECT_BINARY_DIR}/generated/readme-ja.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/generated/readme-ja.txt DESTINATION . RENAME "はじめにお読みください.txt")

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Tenvor)
set(CPACK_PACKAGE_FILE_NAME "Tenvor-${PROJECT_VERSION}-win64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
