; The Windows installer: for the current user, no administrator rights needed.
; Built by packaging/windows/make-setup.sh, which lists the program folder's files and runs
;   makensis -DVERSION=1.0 -DSOURCE=<program folder> -DICON=<ico> -DOUTFILE=<setup.exe>
;            -DFILES=<nsh of File lines> -DLIST=<installed-files.txt>
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define PRODUCT "Ambrevale"
!define PUBLISHER "Tormalyn"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ambrevale"
!define SETTINGS_KEY "Software\VB and VBA Program Settings\Tormalyn\Ambrevale"
!define CLASSES "Software\Classes"
!define PROGID "Ambrevale.Trip"
; The files the installer put in the folder, one relative path a line: an upgrade and
; the uninstaller remove exactly these, never by wildcard.
!define LIST_NAME "installed-files.txt"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}, GPL-3.0-or-later"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\ambrevale.exe"
; The GPL asks nothing of a user who only runs the program: Next, not "I Agree".
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Ambrevale is free software: you may run, share and change it under this licence."
!insertmacro MUI_PAGE_LICENSE "${SOURCE}\LICENSE"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Sets $0 to 1 when a process named ambrevale.exe runs (of any folder), 0 otherwise.
!macro FIND_RUNNING UN
Function ${UN}findRunning
  Push $1
  Push $2
  Push $3
  StrCpy $0 0
  System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r1'
  ${If} $1 P<> -1
    ; PROCESSENTRY32W: the 8-byte heap id is aligned, the name is 260 wide characters.
    System::Call '*(i 568, i, i, i, l, i, i, i, i, i, &w260) p .r2'
    System::Call 'kernel32::Process32FirstW(p r1, p r2) i .r3'
    ${DoWhile} $3 <> 0
      System::Call '*$2(i, i, i, i, l, i, i, i, i, i, &w260 .r3)'
      ${If} $3 == "ambrevale.exe"
        StrCpy $0 1
        ${Break}
      ${EndIf}
      System::Call 'kernel32::Process32NextW(p r1, p r2) i .r3'
    ${Loop}
    System::Free $2
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

; While Ambrevale runs its files cannot be replaced: the user closes it and retries. A
; silent run changes nothing and ends with error status 2.
Function ${UN}refuseWhileRunning
  ${Do}
    Call ${UN}findRunning
    ${If} $0 = 0
      Return
    ${EndIf}
    IfSilent 0 +3
      SetErrorLevel 2
      Quit
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Ambrevale is running. Close it, then choose Retry." /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
    retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro FIND_RUNNING ""
!insertmacro FIND_RUNNING "un."

; Removes the files named in $INSTDIR's list, then the folders they were in when empty.
; A line that leaves the folder (an absolute path, a drive, "..") is passed over.
!macro REMOVE_LISTED UN
Function ${UN}removeListed
  Push $0
  Push $1
  Push $2
  IfFileExists "$INSTDIR\${LIST_NAME}" 0 done
  ClearErrors
  FileOpen $0 "$INSTDIR\${LIST_NAME}" r
  ${Do}
    ; A folder that is not empty yet sets the error flag when RMDir leaves it: only
    ; the read below may end the list.
    ClearErrors
    FileReadUTF16LE $0 $1
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    ; The line without its line break.
    ${Do}
      StrCpy $2 $1 1 -1
      ${If} $2 == "$\n"
      ${OrIf} $2 == "$\r"
        StrCpy $1 $1 -1
      ${Else}
        ${Break}
      ${EndIf}
    ${Loop}
    Push $1
    Call ${UN}isInsideName
    Pop $2
    ${If} $2 == 1
      Delete "$INSTDIR\$1"
      ; Its folders, innermost first; RMDir without /r leaves one that is not empty.
      ${Do}
        ${GetParent} "$1" $1
        ${If} $1 == ""
          ${Break}
        ${EndIf}
        RMDir "$INSTDIR\$1"
      ${Loop}
    ${EndIf}
  ${Loop}
  FileClose $0
  Delete "$INSTDIR\${LIST_NAME}"
  done:
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; 1 when the name on the stack stays inside the folder, 0 otherwise.
Function ${UN}isInsideName
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $1 $0 1
  StrCpy $2 $0 1 1
  ${If} $0 == ""
  ${OrIf} $1 == "\"
  ${OrIf} $2 == ":"
    StrCpy $0 0
  ${Else}
    StrCpy $3 "\$0\"
    StrCpy $0 1
    StrCpy $1 0
    ${Do}
      StrCpy $2 $3 4 $1
      ${If} $2 == ""
        ${Break}
      ${EndIf}
      StrCpy $2 $3 1 $1
      ${If} $2 == "/"
      ${OrIf} $2 == ":"
        StrCpy $0 0
        ${Break}
      ${EndIf}
      StrCpy $2 $3 4 $1
      ${If} $2 == "\..\"
        StrCpy $0 0
        ${Break}
      ${EndIf}
      IntOp $1 $1 + 1
    ${Loop}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro REMOVE_LISTED ""
!insertmacro REMOVE_LISTED "un."

!macro OPEN_WITH_SUFFIX SUFFIX
  WriteRegStr HKCU "${CLASSES}\${SUFFIX}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKCU "${CLASSES}\Applications\ambrevale.exe\SupportedTypes" "${SUFFIX}" ""
!macroend
!macro UN_OPEN_WITH_SUFFIX SUFFIX
  DeleteRegValue HKCU "${CLASSES}\${SUFFIX}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty HKCU "${CLASSES}\${SUFFIX}\OpenWithProgids"
  DeleteRegKey /ifempty HKCU "${CLASSES}\${SUFFIX}"
!macroend

Function .onInit
  SetShellVarContext current
  Call refuseWhileRunning
FunctionEnd

Function un.onInit
  SetShellVarContext current
  Call un.refuseWhileRunning
FunctionEnd

Section "Ambrevale" SecProgram
  SectionIn RO
  SetShellVarContext current
  ; An older version's files go first, by its own list.
  Call removeListed
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  File "/oname=${LIST_NAME}" "${LIST}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\ambrevale.exe" "" "$INSTDIR\ambrevale.exe" 0

  ; "Open with" for trip files: the program and its trip type are registered, and each
  ; suffix lists the type among its choices; the suffix's own default is left alone.
  WriteRegStr HKCU "${CLASSES}\Applications\ambrevale.exe" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr HKCU "${CLASSES}\Applications\ambrevale.exe\shell\open\command" "" '"$INSTDIR\ambrevale.exe" "%1"'
  WriteRegStr HKCU "${CLASSES}\${PROGID}" "" "Ambrevale trip"
  WriteRegStr HKCU "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\ambrevale.exe,0"
  WriteRegStr HKCU "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\ambrevale.exe" "%1"'
  !insertmacro OPEN_WITH_SUFFIX ".gpx"
  !insertmacro OPEN_WITH_SUFFIX ".geojson"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ambrevale.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Desktop shortcut" SecDesktop
  SetShellVarContext current
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\ambrevale.exe" "" "$INSTDIR\ambrevale.exe" 0
SectionEnd

; Only what the installer put there goes, by its list, then the folder if nothing else
; is left in it: a folder the user chose may hold files of their own.
Section "-un.Ambrevale"
  SetShellVarContext current
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  Call un.removeListed
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${CLASSES}\Applications\ambrevale.exe"
  DeleteRegKey HKCU "${CLASSES}\${PROGID}"
  !insertmacro UN_OPEN_WITH_SUFFIX ".gpx"
  !insertmacro UN_OPEN_WITH_SUFFIX ".geojson"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; The kept trip list and choices stay unless the user ticks this.
Section /o "un.Remove my settings (the kept trip list)"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd
