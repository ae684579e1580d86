; Installer of the Windows program, for one user and without administrator rights: the
; program goes under the user's own LocalAppData, the shortcut into the user's Start menu and
; the uninstaller's entry into the user's registry hive. /S installs and uninstalls silently.
;
;   makensis -DVERSION=0.1 -DFILE_VERSION=0.1.0.0 -DSTAGE=DIR -DOUTFILE=SETUP.exe qor-comm-fix.nsi
; DIR holds the two programs, README.txt and LICENSES.txt; FILE_VERSION is VERSION in four parts.

!ifndef VERSION | FILE_VERSION | STAGE | OUTFILE
  !error "VERSION, FILE_VERSION, STAGE and OUTFILE must be defined"
!endif

!define APP "Qor Inverter Comm Fix"
!define EXE "qor-comm-fix.exe"
!define CLI_EXE "qor-comm-fix-cli.exe"
!define PUBLISHER "Qor Comm Fix maintainers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\qor-comm-fix"

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

Name "${APP}"
BrandingText "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${APP}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${APP} setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define DRIVER_NOTE "It talks to the radio dongle through the USB serial chip maker's FTD2XX \
  driver: install that driver before you plug in the dongle."
!define MUI_FINISHPAGE_TEXT "${APP} is installed.$\r$\n$\r$\n${DRIVER_NOTE}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Install"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}/${EXE}"
  File "${STAGE}/${CLI_EXE}"
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSES.txt"
  File "${STAGE}/report.schema.json"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${EXE}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes only what the installer put there: a driver DLL that the user copied beside the
; program stays, and so does the folder then.
Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\${CLI_EXE}"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSES.txt"
  Delete "$INSTDIR\report.schema.json"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$LOCALAPPDATA\Programs"  ; made by the first per-user program; goes only when empty
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
