; The Windows installer: per machine, under Program Files, with Start-menu entries and an
; uninstaller that removes the program's own files only. The user's flights (Documents) and
; settings (%APPDATA%\OrlomatBMP) stay, and so does anything else found in the program's folder.
; makensis -DVERSION=... -DSTAGE=<folder of the program> -DLISTS=<folder of the file lists>
;          -DOUTFILE=...-setup.exe orlomatbmp.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"

Name "OrlomatBMP ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\OrlomatBMP"
InstallDirRegKey HKLM "Software\OrlomatBMP" "InstallDir"
BrandingText "OrlomatBMP ${VERSION}"

!define UNINSTALLER "Uninstall OrlomatBMP.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OrlomatBMP"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\OrlomatBMP.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Polish"
!insertmacro MUI_LANGUAGE "English"

LangString ManualPl ${LANG_POLISH} "Instrukcja (polski)"
LangString ManualPl ${LANG_ENGLISH} "Manual (Polish)"
LangString ManualEn ${LANG_POLISH} "Instrukcja (angielski)"
LangString ManualEn ${LANG_ENGLISH} "Manual (English)"
LangString Uninstall ${LANG_POLISH} "Odinstaluj OrlomatBMP"
LangString Uninstall ${LANG_ENGLISH} "Uninstall OrlomatBMP"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "OrlomatBMP: 64-bit Windows only / tylko 64-bitowy Windows."
    Abort
  ${EndIf}
  SetRegView 64
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "OrlomatBMP"
  SetShellVarContext all
  !include "${LISTS}\install.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateDirectory "$SMPROGRAMS\OrlomatBMP"
  CreateShortCut "$SMPROGRAMS\OrlomatBMP\OrlomatBMP.lnk" "$INSTDIR\OrlomatBMP.exe"
  CreateShortCut "$SMPROGRAMS\OrlomatBMP\$(ManualPl).lnk" "$INSTDIR\docs\Orl_HELPP.html"
  CreateShortCut "$SMPROGRAMS\OrlomatBMP\$(ManualEn).lnk" "$INSTDIR\docs\Orl_HELPA.html"
  CreateShortCut "$SMPROGRAMS\OrlomatBMP\$(Uninstall).lnk" "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKLM "Software\OrlomatBMP" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "OrlomatBMP"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "OrlomatBMP"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\OrlomatBMP.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; File by file: a settings file or flights someone kept in the folder stay, and with them
  ; the folder.
  !include "${LISTS}\uninstall.nsh"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  ; The shortcuts' names follow the language chosen at installation.
  RMDir /r "$SMPROGRAMS\OrlomatBMP"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\OrlomatBMP"
SectionEnd
