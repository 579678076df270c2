# The licence notices of the Windows edition, gathered when CMake configures into
# ${TENVOR_LICENCES_DIR} (BUILD/licenses), which the zip and the installer ship as licenses\:
#
#   README.txt        which folder covers what, with the versions
#   Tenvor/           Tenvor's own licence (LICENSE)
#   Qt/               Qt's LGPL notice (where its source is, that the DLLs may be replaced), Debian's
#                     copyright file of qt6-base, and 3rdparty/: the licence files of the libraries
#                     Qt contains, taken from its source tree
#   libxml2/, libzip/, libxlsxwriter/, utf8proc/
#                     Debian's copyright files of their sources and their own licence files
#                     (libxlsxwriter's also gives the notices of the minizip, md5 and tmpfileplus
#                     it bundles)
#   zlib/, gcc-runtime/, mingw-w64/
#                     the copyright files of the Debian packages whose static libraries and start-up
#                     objects are linked in (zlib, libstdc++ and libgcc, the C runtime, winpthreads)
#   common-licenses/  the full texts of the licences these files name as
#                     /usr/share/common-licenses/NAME (GPL-3, LGPL-3, ...)
#
# What needs a notice is listed in res/windows/licence-notices.txt, which the check of the
# licences (tests/windows/check-licences.sh) holds against the zip's DLLs, their imports and the
# programs' link maps. The libraries of the dependency build keep their licence files in
# ${TENVOR_WINDOWS_PREFIX}/share/licenses (scripts/build-windows.sh, keep_licences); the
# packages' copyright files come from /usr/share/doc/PACKAGE/copyright of this machine.
include_guard(GLOBAL)

set(TENVOR_LICENCES_DIR ${PROJECT_BINARY_DIR}/licenses)
set(TENVOR_LICENCE_TABLE ${PROJECT_SOURCE_DIR}/res/windows/licence-notices.txt)
set(prefix_licences ${TENVOR_WINDOWS_PREFIX}/share/licenses)
file(REMOVE_RECURSE ${TENVOR_LICENCES_DIR})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TENVOR_LICENCE_TABLE})

# Copies SOURCE to licenses/FOLDER/NAME; a missing source stops the configuration.
function(tenvor_notice_file folder source name)
  if(NOT EXISTS "${source}")
    message(FATAL_ERROR "The licence file ${source} is missing: it belongs in licenses/${folder}. "
                        "(Files of the dependency build come from scripts/build-windows.sh, "
                        "/usr/share/doc files from the Debian package named in ${TENVOR_LICENCE_TABLE}.)")
  endif()
  configure_file("${source}" "${TENVOR_LICENCES_DIR}/${folder}/${name}" COPYONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
endfunction()

# The Debian version of the source a package of this machine was built from ("2.9.14+dfsg-1.3").
function(tenvor_debian_source_version package out)
  execute_process(COMMAND dpkg-query -W "-f=\${source:Version}" ${package}
                  OUTPUT_VARIABLE version RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR version STREQUAL "")
    message(FATAL_ERROR "dpkg-query knows no installed package ${package}")
  endif()
  set(${out} "${version}" PARENT_SCOPE)
endfunction()

# From the table: the libraries of Qt's source tree its DLLs do not contain, and the Debian
# packages linked in, as PACKAGE=NOTICE.
file(STRINGS ${TENVOR_LICENCE_TABLE} table_lines REGEX "^[a-z]")
set(qt_unused "")
set(packages "")
foreach(line IN LISTS table_lines)
  string(REGEX MATCH "^([a-z-]+)[ \t]+([^ \t]+)[ \t]+([^ \t]+)" matched "${line}")
  if(CMAKE_MATCH_1 STREQUAL "qt-unused")
    list(APPEND qt_unused ${CMAKE_MATCH_2})
  elseif(CMAKE_MATCH_1 STREQUAL "package")
    list(APPEND packages "${CMAKE_MATCH_2}=${CMAKE_MATCH_3}")
  endif()
endforeach()

# The index of the folders (README.txt), one entry each.
set(TENVOR_LICENCE_INDEX "")
#   tenvor_notice_index(FOLDER TEXT [SOURCE])   SOURCE: the Debian source package and version
function(tenvor_notice_index folder text)
  set(entry "${folder}\\\n    ${text}\n")
  if(ARGC GREATER 2)
    string(APPEND entry "    Debian source package: ${ARGV2}\n")
  endif()
  set(TENVOR_LICENCE_INDEX "${TENVOR_LICENCE_INDEX}${entry}\n" PARENT_SCOPE)
endfunction()

# Tenvor itself.
tenvor_notice_file(Tenvor ${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)
tenvor_notice_index(Tenvor "Tenvor ${PROJECT_VERSION}: tenvor.exe and tenvor-cli.exe (MIT licence).")

# Qt: its LGPL notice, Debian's copyright file of the source the DLLs were built from, and the
# licence files of the libraries in its source tree except those its DLLs do not contain.
if(TARGET tenvor)
  tenvor_debian_source_version(qt6-base-dev TENVOR_QT_SOURCE_VERSION)
  if(NOT TENVOR_QT_SOURCE_VERSION MATCHES "^${TENVOR_QT_VERSION}[+~-]")
    message(FATAL_ERROR "The host's qt6-base is ${TENVOR_QT_SOURCE_VERSION}, the Windows Qt ${TENVOR_QT_VERSION}: "
                        "the Qt notice could not name the source the DLLs were built from")
  endif()
  string(REPLACE "+" "%2B" TENVOR_QT_SOURCE_VERSION_URL "${TENVOR_QT_SOURCE_VERSION}")
  string(REGEX MATCH "^[0-9]+\\.[0-9]+" TENVOR_QT_VERSION_SERIES "${TENVOR_QT_VERSION}")
  configure_file(${PROJECT_SOURCE_DIR}/res/windows/qt-notice.txt.in ${TENVOR_LICENCES_DIR}/Qt/README.txt @ONLY
                 NEWLINE_STYLE CRLF)
  tenvor_notice_file(Qt ${prefix_licences}/qt6-base/copyright debian-copyright.txt)
  file(GLOB qt_libraries RELATIVE ${prefix_licences}/qt6-base/3rdparty ${prefix_licences}/qt6-base/3rdparty/*)
  if(NOT qt_libraries)
    message(FATAL_ERROR "No licence files of Qt's libraries in ${prefix_licences}/qt6-base/3rdparty")
  endif()
  set(qt_shipped "")
  foreach(library IN LISTS qt_libraries)
    if(library IN_LIST qt_unused)
      continue()
    endif()
    list(APPEND qt_shipped ${library})
    file(GLOB_RECURSE files RELATIVE ${prefix_licences}/qt6-base/3rdparty/${library}
         ${prefix_licences}/qt6-base/3rdparty/${library}/*)
    foreach(file IN LISTS files)
      # Names without an extension get .txt, so that Windows opens them.
      get_filename_component(name ${file} NAME)
      if(NOT name MATCHES "\\.")
        set(file_txt ${file}.txt)
      else()
        set(file_txt ${file})
      endif()
      tenvor_notice_file(Qt/3rdparty/${library} ${prefix_licences}/qt6-base/3rdparty/${library}/${file} ${file_txt})
    endforeach()
  endforeach()
  # The names in lines of the index's width.
  set(qt_shipped_text "")
  set(line "")
  foreach(library IN LISTS qt_shipped)
    string(LENGTH "${line}${library}, " length)
    if(length GREATER 92)
      string(STRIP "${line}" line)
      string(APPEND qt_shipped_text "${line}\n    ")
      set(line "")
    endif()
    string(APPEND line "${library}, ")
  endforeach()
  string(REGEX REPLACE ", $" "" line "${line}")
  string(APPEND qt_shipped_text "${line}")
  tenvor_notice_index(Qt "Qt ${TENVOR_QT_VERSION}: Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll, platforms\\qwindows.dll and
    styles\\qwindowsvistastyle.dll, under the LGPL version 3 (Qt\\README.txt says where the source is
    and how to replace the DLLs), and the libraries these DLLs contain, in Qt\\3rdparty:
    ${qt_shipped_text}." "qt6-base ${TENVOR_QT_SOURCE_VERSION}")
endif()

# libxml2, libzip, libxlsxwriter and utf8proc, built from Debian's sources and linked statically
# into both programs.
tenvor_debian_source_version(libxml2-dev libxml2_source_version)
tenvor_notice_file(libxml2 ${prefix_licences}/libxml2/copyright debian-copyright.txt)
tenvor_notice_file(libxml2 ${prefix_licences}/libxml2/Copyright Copyright.txt)
tenvor_notice_index(libxml2 "libxml2 ${LIBXML2_VERSION}, linked into tenvor.exe and tenvor-cli.exe (MIT licence)."
                    "libxml2 ${libxml2_source_version}")
tenvor_debian_source_version(libzip-dev libzip_source_version)
tenvor_notice_file(libzip ${prefix_licences}/libzip/copyright debian-copyright.txt)
tenvor_notice_file(libzip ${prefix_licences}/libzip/LICENSE LICENSE.txt)
tenvor_notice_index(libzip "libzip ${LIBZIP_VERSION}, linked into tenvor.exe and tenvor-cli.exe (BSD licence)."
                    "libzip ${libzip_source_version}")

tenvor_debian_source_version(libxlsxwriter-dev libxlsxwriter_source_version)
tenvor_notice_file(libxlsxwriter ${prefix_licences}/libxlsxwriter/copyright debian-copyright.txt)
tenvor_notice_file(libxlsxwriter ${prefix_licences}/libxlsxwriter/License.txt License.txt)
tenvor_notice_index(libxlsxwriter "libxlsxwriter ${XLSXWRITER_VERSION}, linked into tenvor.exe and tenvor-cli.exe (BSD licence),
    with the minizip (zlib licence), md5 (public domain) and tmpfileplus (Mozilla Public License 2.0;
    its source is in the Debian source package below) it bundles." "libxlsxwriter ${libxlsxwriter_source_version}")

tenvor_debian_source_version(libutf8proc-dev utf8proc_source_version)
tenvor_notice_file(utf8proc ${prefix_licences}/utf8proc/copyright debian-copyright.txt)
tenvor_notice_file(utf8proc ${prefix_licences}/utf8proc/LICENSE.md LICENSE.txt)
tenvor_notice_index(utf8proc "utf8proc ${UTF8PROC_VERSION}, linked into tenvor.exe and tenvor-cli.exe (MIT licence),
    with the Unicode data it contains (Unicode licence)." "utf8proc ${utf8proc_source_version}")

# The Debian packages whose static libraries and objects are linked in: their copyright files.
# Packages of one notice that share a copyright file (gcc and g++ for MinGW) give it once.
set(package_texts_zlib "zlib, linked into tenvor.exe and tenvor-cli.exe (zlib licence).")
set(package_texts_gcc-runtime "The runtime libraries of GCC, libstdc++ and libgcc, linked into the programs and the
    DLLs (GPL version 3 with the GCC Runtime Library Exception).")
set(package_texts_mingw-w64 "The C runtime start-up code of mingw-w64, winpthreads and the import libraries of
    Windows, linked into the programs and the DLLs (ZPL 2.1, MIT and others, as listed).")
set(notices_of_packages "")
foreach(entry IN LISTS packages)
  string(REGEX MATCH "^([^=]+)=(.*)$" matched "${entry}")
  set(package ${CMAKE_MATCH_1})
  set(notice ${CMAKE_MATCH_2})
  file(REAL_PATH /usr/share/doc/${package}/copyright copyright)
  list(APPEND notice_copyrights_${notice} "${copyright}")
  list(REMOVE_DUPLICATES notice_copyrights_${notice})
  execute_process(COMMAND dpkg-query -W "-f=\${Version}" ${package} OUTPUT_VARIABLE version)
  list(APPEND notice_sources_${notice} "${package} ${version}")
  list(REMOVE_DUPLICATES notice_sources_${notice})
  list(APPEND notice_packages_${notice} ${package})
  list(APPEND notices_of_packages ${notice})
endforeach()
list(REMOVE_DUPLICATES notices_of_packages)
foreach(notice IN LISTS notices_of_packages)
  list(LENGTH notice_copyrights_${notice} count)
  if(count EQUAL 1)
    tenvor_notice_file(${notice} "${notice_copyrights_${notice}}" debian-copyright.txt)
  else()
    foreach(package IN LISTS notice_packages_${notice})
      tenvor_notice_file(${notice} /usr/share/doc/${package}/copyright debian-copyright-${package}.txt)
    endforeach()
  endif()
  if(NOT DEFINED package_texts_${notice})
    set(package_texts_${notice} "Linked into the programs.")
  endif()
  list(JOIN notice_sources_${notice} ", " packages_text)
  tenvor_notice_index(${notice} "${package_texts_${notice}}\n    Debian package: ${packages_text}")
endforeach()

# The licences the gathered files name by their path on Debian, with their full texts.
file(GLOB_RECURSE gathered ${TENVOR_LICENCES_DIR}/*)
set(common_licences "")
foreach(file IN LISTS gathered)
  file(STRINGS ${file} mentions REGEX "/usr/share/common-licenses/")
  foreach(mention IN LISTS mentions)
    string(REGEX MATCHALL "/usr/share/common-licenses/[A-Za-z0-9_.+-]*[A-Za-z0-9_+]" paths "${mention}")
    list(APPEND common_licences ${paths})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES common_licences)
list(SORT common_licences)
set(common_names "")
foreach(path IN LISTS common_licences)
  get_filename_component(name ${path} NAME)
  tenvor_notice_file(common-licenses ${path} ${name}.txt)
  list(APPEND common_names ${name})
endforeach()
list(JOIN common_names ", " common_names)
tenvor_notice_index(common-licenses "The full texts of the licences that the files above name as
    /usr/share/common-licenses/<name>: ${common_names}.")

# Written with CR LF line ends throughout, the index's own lines included, for Notepad.
file(READ ${PROJECT_SOURCE_DIR}/res/windows/licences-readme.txt.in readme)
string(CONFIGURE "${readme}" readme @ONLY)
string(REPLACE "\n" "\r\n" readme "${readme}")
file(WRITE ${TENVOR_LICENCES_DIR}/README.txt "${readme}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/windows/licences-readme.txt.in)
