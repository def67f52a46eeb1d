# Warnings on for the project's own targets (third-party code is built without them); fatal only
# with LD_WERROR, which the presets (developers and CI) turn on and a user's or a packager's plain
# configure leaves off, so that another compiler's new warning never breaks their build.
option(LD_WERROR "Treat the project's warnings as errors (on in the presets)" OFF)
function(ld_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
                                           $<$<BOOL:${LD_WERROR}>:-Werror>)
endfunction()

# A static library from every source file in a folder of the core.
function(ld_core_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  ld_warnings(${name})
endfunction()
