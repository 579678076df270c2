# The benchmark's helper programs. Included once, either by bench/CMakeLists.txt (the benchmark
# build) or by the test suite (whose check runs the benchmark harness on small cases).
include_guard(GLOBAL)

if(NOT TARGET PkgConfig::LIBXML2)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
endif()

# The parse floor's stand-in: every file of a list parsed with libxml2 as xmllint --noout does
# (xmlReadFile with xmllint's default options, then xmlFreeDoc), all in one process.
add_executable(tenvor-bench-parse ${CMAKE_CURRENT_LIST_DIR}/parse_floor.cpp)
target_link_libraries(tenvor-bench-parse PRIVATE PkgConfig::LIBXML2)
target_compile_features(tenvor-bench-parse PRIVATE cxx_std_20)

# A folder run through the real window on the offscreen platform: sets the window up as a user
# would, presses "CSV出力" and answers the completion message.
if(TENVOR_BUILD_GUI AND TARGET tenvor_window)
  add_executable(tenvor-bench-window ${CMAKE_CURRENT_LIST_DIR}/window_run.cpp)
  target_link_libraries(tenvor-bench-window PRIVATE tenvor_window)
  target_compile_features(tenvor-bench-window PRIVATE cxx_std_20)
endif()

# A ZIP package listed and read as a run would, without converting (`bench/run.sh zip --walker
# FILE` measures it beside the conversion).
if(TARGET tenvor_core)
  add_executable(tenvor-bench-package ${CMAKE_CURRENT_LIST_DIR}/package_walk.cpp)
  target_link_libraries(tenvor-bench-package PRIVATE tenvor_core)
  target_compile_features(tenvor-bench-package PRIVATE cxx_std_20)
endif()

foreach(program tenvor-bench-parse tenvor-bench-window tenvor-bench-package)
  if(TARGET ${program})
    target_compile_options(${program} PRIVATE -Wall -Wextra -Wpedantic)
  endif()
endforeach()
