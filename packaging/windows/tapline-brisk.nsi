; The Windows installer: for the current user only (no administrator rights), into
; %LOCALAPPDATA%\Programs\Tapline Brisk, with a Start menu entry, the setup-file type and an
; entry in Apps & Features. The uninstaller removes exactly that and leaves the user's own
; settings and setup files alone.
;
; makensis -DVERSION=1.0.0.0 -DSTAGE=<folder with TaplineBrisk.exe and its files>
;          -DOUTFILE=<installer.exe> tapline-brisk.nsi
; A 64-bit installer for the 64-bit program (it also runs where no 32-bit layer is installed).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef STAGE
  !error "STAGE is not defined"
!endif
!ifndef OUTFILE
  !define OUTFILE "TaplineBrisk-${VERSION}-setup.exe"
!endif

!define PRODUCT "Tapline Brisk"
!define PUBLISHER "Orvane Systems"
!define EXE "TaplineBrisk.exe"
!define PROGID "TaplineBrisk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TaplineBrisk"
; The file type as the program's document template names it: the extension, the type's
; identifier and its name.
!define EXTENSION ".tpln_brisk"
!define TYPENAME "Tapline Brisk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Tapline Brisk" Main
  SectionIn RO
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}"

  ; Setup files open in the program (a running one takes them over).
  WriteRegStr HKCU "Software\Classes\${EXTENSION}" "" "${PROGID}"
  WriteRegStr HKCU "Software\Classes\${PROGID}" "" "${TYPENAME}"
  WriteRegStr HKCU "Software\Classes\${PROGID}\DefaultIcon" "" '"$INSTDIR\${EXE}",0'
  WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${EXE}",0'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Only a folder that holds the program is removed whole: a folder chosen by hand may hold
  ; files of the user's.
  IfFileExists "$INSTDIR\${EXE}" 0 +3
    RMDir /r "$INSTDIR"
    Goto removed
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  removed:

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ; The extension is given back only while it still names this program.
  ReadRegStr $0 HKCU "Software\Classes\${EXTENSION}" ""
  StrCmp $0 "${PROGID}" 0 +2
    DeleteRegKey HKCU "Software\Classes\${EXTENSION}"
  DeleteRegKey HKCU "Software\Classes\${PROGID}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
