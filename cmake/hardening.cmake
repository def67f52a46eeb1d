# The build type of a plain configure, and the hardening that Debian's dpkg-buildflags gives a
# package's build, for every native Linux build: the stack protector, format checks, fortified libc
# calls where optimising, and relocations made read-only and bound at start-up. Debian's compilers
# build position-independent executables by default.
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  # Optimised with debug information, as the linux preset builds; a packager's CMAKE_BUILD_TYPE
  # (None, with the distribution's own flags) is kept.
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type (default RelWithDebInfo)" FORCE)
endif()
if(WIN32 OR EMSCRIPTEN)
  return()
endif()

add_compile_options(-fstack-protector-strong -Wformat -Wformat-security)
# _FORTIFY_SOURCE needs the optimiser; the sanitizers check the same calls themselves, and a
# packager's flags that set it already win.
if(NOT LD_SANITIZE AND NOT LD_BUILD_FUZZERS AND NOT "${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS}" MATCHES "_FORTIFY_SOURCE")
  add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)
