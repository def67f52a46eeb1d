# Makes the Windows installer "Lattice Drift Setup.exe" with makensis: stages the saver (signed where
# a certificate is configured, see win32_sign.cmake) and builds host/win32/win32_installer.nsi.
#   cmake -DSETTINGS=<build>/installer/settings.cmake -DOUT_DIR=<folder> [-DLD_SIGN_...] -P win32_installer.cmake
# SETTINGS, written by the windows preset's build, names makensis, the saver and the version.
# Writes OUT_DIR/Lattice Drift Setup.exe and OUT_DIR/stage/Lattice Drift.scr, the saver it holds.
include("${SETTINGS}")
set(source_dir "${CMAKE_CURRENT_LIST_DIR}/..")
set(stage "${OUT_DIR}/stage")
set(installer "${OUT_DIR}/Lattice Drift Setup.exe")
set(sign_script "${CMAKE_CURRENT_LIST_DIR}/win32_sign.cmake")

file(REMOVE_RECURSE "${stage}")
file(REMOVE "${installer}")
file(MAKE_DIRECTORY "${stage}")
file(COPY_FILE "${SAVER}" "${stage}/Lattice Drift.scr")

# The signing command sees the settings through the environment, which makensis passes on.
set(sign_defines "")
foreach(setting LD_SIGN_PKCS12 LD_SIGN_PASSWORD_FILE LD_SIGN_TIMESTAMP_URL)
  if(NOT "${${setting}}" STREQUAL "")
    set(ENV{${setting}} "${${setting}}")
  endif()
endforeach()
if(NOT "$ENV{LD_SIGN_PKCS12}" STREQUAL "")
  execute_process(COMMAND "${CMAKE_COMMAND}" -P "${sign_script}" "${stage}/Lattice Drift.scr"
                  COMMAND_ERROR_IS_FATAL ANY)
  set(sign_defines "-DSIGN=\"${CMAKE_COMMAND}\" -P \"${sign_script}\"")
endif()

execute_process(
  COMMAND "${MAKENSIS}" -V2 -NOCD
          "-DVERSION=${VERSION}" "-DVERSION_DOTTED=${VERSION_DOTTED}"
          "-DSAVER=${stage}/Lattice Drift.scr" "-DLICENSE=${source_dir}/LICENSE"
          "-DICON=${source_dir}/host/win32/latticedrift.ico" "-DOUTFILE=${installer}"
          ${sign_defines} "${source_dir}/host/win32/win32_installer.nsi"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT EXISTS "${installer}")
  file(REMOVE "${installer}")
  message(FATAL_ERROR "makensis failed (status ${status})")
endif()
