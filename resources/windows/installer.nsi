; Travelkin's installer: per user, no administrator rights, into the user's own programs
; folder, with a Start-menu shortcut and an uninstaller that Windows' "Installed apps" lists.
; The uninstaller removes exactly what the installer put down, file by file; the data folder
; the program writes in the roaming application data is the user's and stays.
;
; makensis gets the version (VERSION, as 1.2.3), the folder of the files to install (STAGE),
; the icon (ICON) and the installer's path (OUTFILE) from cmake/TravelkinWindowsPackage.cmake.

; A 64-bit installer, as the program is: it also runs where no 32-bit layer is installed.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh

!define PRODUCT "Travelkin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Travelkin"
!define SHORTCUT "$SMPROGRAMS\Travelkin.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Travelkin"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "See NOTICE.txt"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\travelkin.exe"
; Declining Windows' question at the first search hides every device, without an error.
!define MUI_FINISHPAGE_TEXT "${PRODUCT} is installed.$\r$\n$\r$\nAt the first search Windows may ask whether ${PRODUCT} may use the network: allow it, or no device can answer."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\NOTICE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The installed files, one list for both directions.
!macro TRAVELKIN_FILES DO
  !insertmacro ${DO} travelkin.exe
  !insertmacro ${DO} travelkin-search.exe
  !insertmacro ${DO} README.txt
  !insertmacro ${DO} NOTICE.txt
  !insertmacro ${DO} LGPL-3.txt
  !insertmacro ${DO} GPL-3.txt
!macroend
!macro INSTALL_FILE NAME
  File "${STAGE}\${NAME}"
!macroend
!macro REMOVE_FILE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

Section "Travelkin"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  !insertmacro TRAVELKIN_FILES INSTALL_FILE
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\travelkin.exe" "" "$INSTDIR\travelkin.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\travelkin.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro TRAVELKIN_FILES REMOVE_FILE
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"  ; only when empty: whatever else the user put there stays
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
