# Signs a Windows executable in place with osslsigncode (Authenticode, SHA-256), where a certificate
# is configured: cmake [-D...] -P cmake/win32_sign.cmake <file>. Settings, each a -D definition or
# else an environment variable of the same name: LD_SIGN_PKCS12 (the certificate and its key, a
# PKCS#12 file), LD_SIGN_PASSWORD_FILE (a file holding its password, so that the password is on no
# command line) and LD_SIGN_TIMESTAMP_URL (an RFC 3161 time-stamp server; needs the network).
foreach(setting LD_SIGN_PKCS12 LD_SIGN_PASSWORD_FILE LD_SIGN_TIMESTAMP_URL)
  if("${${setting}}" STREQUAL "")
    set(${setting} "$ENV{${setting}}")
  endif()
endforeach()
math(EXPR last "${CMAKE_ARGC} - 1")
set(file "${CMAKE_ARGV${last}}")
if(NOT LD_SIGN_PKCS12 OR NOT EXISTS "${file}" OR file MATCHES "\\.cmake$")
  message(FATAL_ERROR "usage: cmake -DLD_SIGN_PKCS12=<file.p12> [-DLD_SIGN_PASSWORD_FILE=<file>] "
                      "-P win32_sign.cmake <executable>")
endif()

find_program(OSSLSIGNCODE osslsigncode REQUIRED)
set(options -pkcs12 "${LD_SIGN_PKCS12}" -h sha256 -n "Lattice Drift")
if(LD_SIGN_PASSWORD_FILE)
  list(APPEND options -readpass "${LD_SIGN_PASSWORD_FILE}")
endif()
if(LD_SIGN_TIMESTAMP_URL)
  list(APPEND options -ts "${LD_SIGN_TIMESTAMP_URL}")
endif()
file(REMOVE "${file}.signed")
execute_process(COMMAND "${OSSLSIGNCODE}" sign ${options} -in "${file}" -out "${file}.signed"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  file(REMOVE "${file}.signed")
  message(FATAL_ERROR "osslsigncode could not sign ${file} (status ${status}):\n${output}")
endif()
file(RENAME "${file}.signed" "${file}")
message(STATUS "signed ${file}")
