; The Windows installer of the TVX-5870 control program (makensis, NSIS 3, Unicode).
;
;   makensis -DVERSION=1.21 -DBIN_DIR=<folder with tvx5870.exe> [-DCTL_EXE=<tvx5870ctl.exe>]
;            [-DGUIDE_DIR=<folder with the guide>] -DOUT_FILE=<installer.exe> tvx5870.nsi
;
; Installs for all users into Program Files, with a Start menu folder (the program, the
; command-line companion's folder, the operator's guide and the uninstaller) and an entry in
; "Apps and features". The uninstaller removes what was installed and leaves every user's
; configuration (tvx5870.ini) and settings files where they are. /S installs or uninstalls
; silently, /D=FOLDER chooses the folder.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifndef VERSION
  !define VERSION "1.21"
!endif
!ifndef OUT_FILE
  !define OUT_FILE "tvx5870-setup.exe"
!endif
!define PRODUCT "TVX-5870"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TVX-5870"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

!include "MUI2.nsh"
!include "x64.nsh"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT} control program"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} control program setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" " "

Function .onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

Section "Program" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${BIN_DIR}\tvx5870.exe"
!ifdef CTL_EXE
  File "${CTL_EXE}"
!endif
!ifdef GUIDE_DIR
  SetOutPath "$INSTDIR\guide"
  File /r "${GUIDE_DIR}\*.*"
  SetOutPath "$INSTDIR"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\tvx5870.exe"
!ifdef GUIDE_DIR
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\操作説明書.lnk" "$INSTDIR\guide\guide.html"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Operator's guide.lnk" "$INSTDIR\guide\guide.en.html"
!endif
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} control program"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tvx5870.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; Only what the installer put here: settings files a user saved in this folder stay.
  Delete "$INSTDIR\tvx5870.exe"
  Delete "$INSTDIR\tvx5870ctl.exe"
  RMDir /r "$INSTDIR\guide"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir /r "$SMPROGRAMS\${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Every user's tvx5870.ini (Windows folder or %APPDATA%\TVX-5870) is left in place.
SectionEnd
