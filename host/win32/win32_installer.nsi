; The Windows installer "Lattice Drift Setup.exe" (NSIS 3, a 64-bit installer), made by
; cmake/win32_installer.cmake: installs the saver per machine into System32, adds the Apps & Features
; entry, and offers to open the system's screen-saver settings with the saver selected.
; Defines from the build: VERSION, VERSION_DOTTED (four numbers), SAVER, LICENSE, ICON, OUTFILE and,
; when a certificate is configured, SIGN (a command that signs the file named after it in place).
Unicode true
Target amd64-unicode
RequestExecutionLevel admin
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh

!define PRODUCT "Lattice Drift"
!define PUBLISHER "Lattice Drift developers"
!define SAVER_FILE "Lattice Drift.scr"
!define UNINSTALLER "Uninstall Lattice Drift.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LatticeDrift"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The uninstaller and the licence; the saver itself goes where the settings list looks, System32.
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

!ifdef SIGN
  !finalize '${SIGN} "%1"' = 0
  !uninstfinalize '${SIGN} "%1"' = 0
!endif

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "Lattice Drift is installed.$\r$\n$\r$\nThe system's screen-saver settings can open \
  with it selected, to preview it and choose the wait."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the screen-saver settings"
!define MUI_FINISHPAGE_RUN_FUNCTION open_saver_settings
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION_DOTTED}"
VIFileVersion "${VERSION_DOTTED}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright 2026 ${PUBLISHER} (MIT licence)"

; Both halves change the machine: without administrator rights they stop at once (a silent run
; with the exit code 740, ERROR_ELEVATION_REQUIRED). Both are 64-bit processes, so $SYSDIR is the
; real System32 (never SysWOW64); the registry view is the 64-bit one as well, said explicitly.
!macro require_admin
  SetRegView 64
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "Installing or removing ${PRODUCT} needs administrator rights." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro require_admin
FunctionEnd

Function un.onInit
  !insertmacro require_admin
FunctionEnd

Section
  SetOutPath "$SYSDIR"
  File "/oname=${SAVER_FILE}" "${SAVER}"
  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\${SAVER_FILE},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Every installed file in KiB, as Apps & Features shows the size: the section's files and the
  ; uninstaller, which is written here.
  SectionGetSize 0 $0
  FileOpen $1 "$INSTDIR\${UNINSTALLER}" r
  FileSeek $1 0 END $2
  FileClose $1
  IntOp $2 $2 / 1024
  IntOp $0 $0 + $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The finish page's step: what Explorer's Install verb on a .scr runs. The system's dialog opens
; with the saver selected; whether it becomes the saver, and after how long, stays the user's
; choice in that dialog.
Function open_saver_settings
  Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver $SYSDIR\${SAVER_FILE}'
FunctionEnd

Section "Uninstall"
  ; The user's saver choice is cleared only where it names our file (as a long or a short path,
  ; in any case); a choice of another saver stays.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ExpandEnvStrings $0 $0
  GetFullPathName /SHORT $1 "$SYSDIR\${SAVER_FILE}"
  ${If} $0 != ""
    ${If} $0 == "$SYSDIR\${SAVER_FILE}"
    ${OrIf} $0 == $1
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}

  ; A saver still running (a preview in the settings dialog) keeps its file until the restart.
  Delete /REBOOTOK "$SYSDIR\${SAVER_FILE}"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
