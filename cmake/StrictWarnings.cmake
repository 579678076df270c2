# tenvor_strict_warnings(TARGET): with TENVOR_STRICT_WARNINGS on, the stricter warnings as errors
# for one of the project's own targets. The libraries' headers come in as system headers and
# are not held to them.
include_guard(GLOBAL)
option(TENVOR_STRICT_WARNINGS "Stricter warnings on the project's own code, as errors (for developers)" OFF)

function(tenvor_strict_warnings target)
  if(TENVOR_STRICT_WARNINGS)
    target_compile_options(${target} PRIVATE -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
                                             -Wnon-virtual-dtor -Woverloaded-virtual -Werror)
  endif()
endfunction()
