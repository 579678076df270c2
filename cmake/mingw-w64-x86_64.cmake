# CMake toolchain file for 64-bit Windows with Debian's MinGW-w64 compilers (POSIX threads).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The libraries built by scripts/build-windows.sh (libxml2, Qt, and CLI11's headers) are looked up
# in its cache folder only, never in the host's /usr. Tests run under Wine through
# scripts/wine-run.sh, which CTest and gtest_discover_tests call as the emulator.
#
# Variables it sets for the project:
#   TENVOR_WINDOWS_PREFIX    the cache prefix (libxml2, Qt, CLI11); may be given with -D, else
#                            ${XDG_CACHE_HOME:-$HOME/.cache}/tenvor-windows/prefix
#   TENVOR_GTEST_SOURCE_DIR  GoogleTest's sources, for add_subdirectory in the Windows build
#   QT_HOST_PATH, QT_HOST_PATH_CMAKE_DIR   the host's Qt tools (moc, rcc, uic)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TENVOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TENVOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TENVOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TENVOR_MINGW_TRIPLET}-windres)

if(NOT TENVOR_WINDOWS_PREFIX)
  if(DEFINED ENV{TENVOR_WINDOWS_PREFIX} AND NOT "$ENV{TENVOR_WINDOWS_PREFIX}" STREQUAL "")
    set(TENVOR_WINDOWS_PREFIX "$ENV{TENVOR_WINDOWS_PREFIX}")
  elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(TENVOR_WINDOWS_PREFIX "$ENV{XDG_CACHE_HOME}/tenvor-windows/prefix")
  else()
    set(TENVOR_WINDOWS_PREFIX "$ENV{HOME}/.cache/tenvor-windows/prefix")
  endif()
endif()
# try_compile projects read this file again: hand them the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TENVOR_WINDOWS_PREFIX)

# Libraries, headers and CMake packages come from the cache prefix and the MinGW-w64 folder;
# programs (pkg-config, the Qt host tools) from the host.
set(CMAKE_FIND_ROOT_PATH "${TENVOR_WINDOWS_PREFIX}" /usr/${TENVOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The host's pkg-config reads only the prefix's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "${TENVOR_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Qt for Windows is built against the host's Qt tools, which its CMake packages find here.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# GoogleTest is built from its sources inside the Windows build.
set(TENVOR_GTEST_SOURCE_DIR /usr/src/googletest)

# Programs and DLLs carry their own copy of libgcc, libstdc++ and winpthreads, so none of the
# MinGW runtime DLLs has to be shipped: -static for programs; for DLLs -static too, which links
# those runtimes statically (the -static-lib* flags alone leave libwinpthread-1.dll as an
# import) while other DLLs are still linked through their import libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest and gtest_discover_tests run the .exe files under Wine, with the prefix's Qt DLLs.
get_filename_component(TENVOR_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${TENVOR_WINE_RUN};--prefix=${TENVOR_WINDOWS_PREFIX}")
