# cmake -DHEADER=... -DIN=... -DOUT=... -DVERSION=... -DDATE=... -P fill_frame_period.cmake: copies
# IN to OUT with @DEFAULT_FRAME_PERIOD_US@ (the constant of that name in HEADER), @VERSION@ and
# @DATE@ filled in. The
# build runs it whenever the header or IN changes, so the settings file and the man page cannot
# drift from the program's default.
file(STRINGS "${HEADER}" lines REGEX "^constexpr long DEFAULT_FRAME_PERIOD_US = [0-9]+;")
string(REGEX MATCHALL "= [0-9]+" values "${lines}")
list(LENGTH values count)
if(NOT count EQUAL 1 OR NOT values MATCHES "([0-9]+)")
  message(FATAL_ERROR "${HEADER}: expected one line 'constexpr long DEFAULT_FRAME_PERIOD_US = <digits>;'")
endif()
set(DEFAULT_FRAME_PERIOD_US ${CMAKE_MATCH_1})
configure_file("${IN}" "${OUT}" @ONLY)
