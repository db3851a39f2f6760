; The Windows installer, built on Linux by makensis (cmake/WindowsDist.cmake):
;   makensis -INPUTCHARSET UTF8 -DVERSION=x.y.z -DSTAGE=folder -DICON=file.ico
;            -DOUTFILE=ortenconf-x.y.z-setup.exe ortenconf.nsi
; STAGE holds the installed tree. The programs go to bin\ and the guide to
; share\ortenconf\, the layout that tells them they are installed: their
; data (Base, Reg_RPU, ReleCfg) then goes to %LOCALAPPDATA%\ortenconf, never
; into Program Files, even for an administrator who could write there.
; Silent: setup.exe /S [/NODESKTOP] [/D=folder]; uninstall.exe /S.
; Exit codes: 0 done; 1 cancelled; 2 not done, nothing changed (the program
; is running, or files of the uninstaller's list could not be removed).
Unicode true
; 64-bit: the programs are, and a 32-bit installer would see the 32-bit
; Program Files and registry.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define APPNAME "Программа настройки РПУ Ортен-ДЕЗ"
!define PUBLISHER "ortenconf developers"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ortenconf"
; The Start menu's folder of the program, and the shortcut of earlier versions.
!define MENU "$SMPROGRAMS\${APPNAME}"
!define OLDMENULINK "$SMPROGRAMS\${APPNAME}.lnk"
!define DESKTOPLINK "$DESKTOP\${APPNAME}.lnk"
!define GUIDELINK "Руководство пользователя.lnk"
!define DATANOTE "Ваши файлы (прошивки в Base, резервные копии в Reg_RPU, настройки реле в ReleCfg, журнал journal.csv) остаются в папке $LOCALAPPDATA\ortenconf; у каждого пользователя Windows она своя (%LOCALAPPDATA%\ortenconf)."

Name "${APPNAME}"
; Russian declines the program's name: every text with it is phrased around
; it, none says "Установка Программа настройки ...".
Caption "${APPNAME}: установка"
UninstallCaption "${APPNAME}: удаление"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\ortenconf"
InstallDirRegKey HKLM "${UNINSTKEY}" "InstallLocation"
BrandingText "ortenconf ${VERSION}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

Var Leftovers    ; what the uninstaller could not remove
Var Running      ; which of the programs holds its file open

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_ABORTWARNING_TEXT "Прервать установку программы?"

!define MUI_PAGE_HEADER_SUBTEXT "Прочтите лицензию программы перед установкой."
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!define MUI_PAGE_HEADER_SUBTEXT "Что установить, кроме самой программы."
!define MUI_COMPONENTSPAGE_TEXT_TOP "Программа, ее руководство и ярлыки в меню «Пуск» устанавливаются всегда. Ярлык на рабочем столе — по желанию."
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_HEADER_SUBTEXT "Выберите папку, в которую будет установлена программа."
!define MUI_DIRECTORYPAGE_TEXT_TOP "${APPNAME} будет установлена в указанную папку. Чтобы выбрать другую, нажмите «Обзор»."
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_HEADER_SUBTEXT "Подождите, идет копирование файлов программы..."
!insertmacro MUI_PAGE_INSTFILES
; A short title: the name in the 12-point heading would not fit in its two lines.
!define MUI_FINISHPAGE_TITLE "Установка завершена"
!define MUI_FINISHPAGE_TEXT "${APPNAME} установлена.$\r$\n$\r$\nВ меню «Пуск», в папке программы, — сама программа, руководство пользователя и папки Base (прошивки), Reg_RPU (резервные копии) и ReleCfg (настройки реле)."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Запустить программу"
!define MUI_FINISHPAGE_RUN_FUNCTION RunProgram
!insertmacro MUI_PAGE_FINISH

!define MUI_PAGE_HEADER_TEXT "Удаление программы"
!define MUI_PAGE_HEADER_SUBTEXT "${APPNAME}: удаление с компьютера."
!define MUI_UNCONFIRMPAGE_TEXT_TOP "Программа будет удалена из папки ниже. ${DATANOTE}"
!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_PAGE_HEADER_SUBTEXT "Подождите, идет удаление файлов программы..."
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "Программа не удалена"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "Ее файлы остались на месте; список — ниже."
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Удаление завершено"
!define MUI_FINISHPAGE_TEXT "${APPNAME} удалена с компьютера.$\r$\n$\r$\n${DATANOTE}"
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "Russian"
LangString ^DirBrowseText ${LANG_RUSSIAN} "Выберите папку для установки программы:"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${APPNAME}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "${APPNAME}: установка"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "© 2026 ${PUBLISHER}, MIT"

; A running program holds its file: Windows neither replaces nor deletes it.
; Opening the file for writing tells, for either program, without looking at
; processes (which a program of another user session would hide).
!macro NOTE_IF_HELD FILE
  ${If} ${FileExists} "$INSTDIR\bin\${FILE}"
    ClearErrors
    FileOpen $1 "$INSTDIR\bin\${FILE}" a
    ${If} ${Errors}
      ${If} $Running == ""
        StrCpy $Running "${FILE}"
      ${Else}
        StrCpy $Running "$Running, ${FILE}"
      ${EndIf}
    ${Else}
      FileClose $1
    ${EndIf}
  ${EndIf}
!macroend

; Asks to close the running program until it is closed or the user gives up
; (silent: gives up at once). Giving up ends the whole run with code 2,
; before anything was changed. $R9 names the run ("установку", "удаление").
!macro CLOSE_RUNNING UN
Function ${UN}CloseRunning
  again:
    StrCpy $Running ""
    !insertmacro NOTE_IF_HELD ortenconf.exe
    !insertmacro NOTE_IF_HELD ortenctl.exe
    StrCmp $Running "" done
    DetailPrint "Программа работает, ее файлы заняты: $Running"
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${APPNAME} сейчас работает ($Running), и ее файлы заняты.$\r$\n$\r$\nЗакройте окно программы и командные окна с ortenctl, затем нажмите «Повтор». Если программа не закрывается, перезагрузите компьютер и запустите $R9 снова.$\r$\n$\r$\n«Отмена»: ничего не менять." /SD IDCANCEL IDRETRY again
    SetErrorLevel 2
    Quit
  done:
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

; The program as the user who runs the installer, not with its raised rights:
; Explorer starts it.
Function RunProgram
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\bin\ortenconf.exe"'
FunctionEnd

Section "Программа" SecProgram
  SectionIn RO
  StrCpy $R9 "установку"
  Call CloseRunning
  ; The Start-menu entries for every user of the machine, as the programs are.
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

  Delete "${OLDMENULINK}"
  CreateDirectory "${MENU}"
  SetOutPath "$INSTDIR\bin"  ; the shortcuts' working folder
  CreateShortcut "${MENU}\${APPNAME}.lnk" "$INSTDIR\bin\ortenconf.exe"
  CreateShortcut "${MENU}\${GUIDELINK}" "$INSTDIR\share\ortenconf\guide\index.html"
  ; Windows keeps the data folders hidden: Explorer shows none of them in
  ; the data folder, so each has its entry, opened by the program itself.
  CreateShortcut "${MENU}\Папка Base (прошивки).lnk" "$INSTDIR\bin\ortenconf.exe" \
    "--open-folder Base" "$SYSDIR\shell32.dll" 3
  CreateShortcut "${MENU}\Папка Reg_RPU (резервные копии).lnk" "$INSTDIR\bin\ortenconf.exe" \
    "--open-folder Reg_RPU" "$SYSDIR\shell32.dll" 3
  CreateShortcut "${MENU}\Папка ReleCfg (настройки реле).lnk" "$INSTDIR\bin\ortenconf.exe" \
    "--open-folder ReleCfg" "$SYSDIR\shell32.dll" 3

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

Section "Ярлык на рабочем столе" SecDesktop
  SetShellVarContext all
  SetOutPath "$INSTDIR\bin"
  CreateShortcut "${DESKTOPLINK}" "$INSTDIR\bin\ortenconf.exe"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "ortenconf и ortenctl, руководство пользователя, ярлыки в меню «Пуск»."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "Ярлык программы на рабочем столе всех пользователей."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; /NODESKTOP: no desktop shortcut, for silent installs.
Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NODESKTOP" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecDesktop} 0
  ${EndIf}
FunctionEnd

; Removes a file of the installation; one that stays is noted in $Leftovers.
!macro REMOVE FILE
  Delete "${FILE}"
  ${If} ${FileExists} "${FILE}"
    StrCpy $Leftovers "$Leftovers$\r$\n${FILE}"
  ${EndIf}
!macroend

; Only what the installer put there: the folder may have been chosen by hand,
; and the user's data lives elsewhere and stays. The uninstaller itself and
; its entry in Apps and features go last, and only when nothing else stayed:
; otherwise they are what removes the rest later.
Section "Uninstall"
  StrCpy $R9 "удаление"
  Call un.CloseRunning
  SetShellVarContext all
  StrCpy $Leftovers ""
  !insertmacro REMOVE "$INSTDIR\bin\ortenconf.exe"
  !insertmacro REMOVE "$INSTDIR\bin\ortenctl.exe"
  RMDir /r "$INSTDIR\share\ortenconf\guide"
  ${If} ${FileExists} "$INSTDIR\share\ortenconf\guide\*.*"
    StrCpy $Leftovers "$Leftovers$\r$\n$INSTDIR\share\ortenconf\guide"
  ${EndIf}
  !insertmacro REMOVE "$INSTDIR\LICENSE.txt"
  !insertmacro REMOVE "$INSTDIR\THIRD-PARTY.txt"
  ${If} $Leftovers != ""
    DetailPrint "Не удалены:$Leftovers"
    MessageBox MB_OK|MB_ICONEXCLAMATION "Удалить не удалось:$Leftovers$\r$\n$\r$\nПрограмма удаления и запись в «Приложениях» оставлены: запустите удаление снова, когда эти файлы освободятся (например, после перезагрузки компьютера)." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  RMDir "$INSTDIR\bin"
  RMDir "$INSTDIR\share\ortenconf"
  RMDir "$INSTDIR\share"
  Delete "${MENU}\${APPNAME}.lnk"
  Delete "${MENU}\${GUIDELINK}"
  Delete "${MENU}\Папка Base (прошивки).lnk"
  Delete "${MENU}\Папка Reg_RPU (резервные копии).lnk"
  Delete "${MENU}\Папка ReleCfg (настройки реле).lnk"
  RMDir "${MENU}"
  Delete "${OLDMENULINK}"
  Delete "${DESKTOPLINK}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTKEY}"
  SetShellVarContext current  ; the data note names this user's folder
  DetailPrint "${DATANOTE}"
SectionEnd
