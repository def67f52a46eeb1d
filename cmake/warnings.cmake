# Warnings on and fatal for the project's own targets (third-party code is built without them).
function(ld_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror)
endfunction()

# A static library from every source file in a folder of the core.
function(ld_core_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  ld_warnings(${name})
endfunction()
