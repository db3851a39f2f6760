; The Windows installer, built on Linux by makensis (cmake/WindowsDist.cmake):
;   makensis -INPUTCHARSET UTF8 -DVERSION=x.y.z -DSTAGE=folder -DICON=file.ico
;            -DOUTFILE=ortenconf-x.y.z-setup.exe ortenconf.nsi
; STAGE holds the installed tree. The programs go to bin\ and the guide to
; share\ortenconf\, the layout that tells them they are installed: their
; data (Base, Reg_RPU, ReleCfg) then goes to %LOCALAPPDATA%\ortenconf, never
; into Program Files, even for an administrator who could write there.
; Silent: setup.exe /S [/D=folder]; uninstall.exe /S.
Unicode true
; 64-bit: the programs are, and a 32-bit installer would see the 32-bit
; Program Files and registry.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define APPNAME "Программа настройки РПУ Ортен-ДЕЗ"
!define PUBLISHER "ortenconf developers"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ortenconf"

Name "${APPNAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\ortenconf"
InstallDirRegKey HKLM "${UNINSTKEY}" "InstallLocation"
BrandingText "ortenconf ${VERSION}"

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${APPNAME}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка: ${APPNAME}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "© 2026 ${PUBLISHER}, MIT"

Section
  ; The Start-menu entry for every user of the machine, as the programs are.
  SetShellVarContext all
  SetOutPath "$INSTDIR\bin"
  File "${STAGE}\bin\ortenconf.exe"
  File "${STAGE}\bin\ortenctl.exe"
  SetOutPath "$INSTDIR\share\ortenconf"
  File /r "${STAGE}\share\ortenconf\guide"
  SetOutPath "$INSTDIR"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\THIRD-PARTY.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetOutPath "$INSTDIR\bin"  ; the shortcut's working folder
  CreateShortcut "$SMPROGRAMS\${APPNAME}.lnk" "$INSTDIR\bin\ortenconf.exe"

  ; Apps and features (Add/Remove Programs).
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\bin\ortenconf.exe"
  WriteRegStr HKLM "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTKEY}" "EstimatedSize" $0
SectionEnd

; Only what the installer put there: the folder may have been chosen by hand,
; and the user's data lives elsewhere and stays.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${APPNAME}.lnk"
  Delete "$INSTDIR\bin\ortenconf.exe"
  Delete "$INSTDIR\bin\ortenctl.exe"
  RMDir "$INSTDIR\bin"
  RMDir /r "$INSTDIR\share\ortenconf\guide"
  RMDir "$INSTDIR\share\ortenconf"
  RMDir "$INSTDIR\share"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTKEY}"
SectionEnd
