; Purgeon_Setup.exe: installs purgeon.exe, Hostkit.dll and purgeon-cli.exe
; for every user of the machine into "Program Files (x86)\Purgeon" (the
; 32-bit Program Files), with a Start-menu shortcut and an Uninstall entry;
; its uninstaller removes all of it. cmake/Packaging.cmake passes VERSION
; (four numbers), BIN (the folder of the built programs), ICON and OUTFILE.
; /S installs and uninstalls silently.
Unicode true
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!include LogicLib.nsh

!define PRODUCT "Purgeon"
!define PUBLISHER "Purgeon"
!define DESCRIPTION "Purgeon uninstaller"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Purgeon"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES32\${PRODUCT}"
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!macro RequireAdministrator
  ; The program and its Uninstall entry are the machine's, not one user's.
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "Purgeon must be installed and removed by an administrator." /SD IDOK
    SetErrorLevel 740  ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro RequireAdministrator
  SetShellVarContext all
FunctionEnd

Function un.onInit
  !insertmacro RequireAdministrator
  SetShellVarContext all
FunctionEnd

Section "Purgeon"
  SetOutPath "$INSTDIR"
  File "${BIN}/purgeon.exe"
  File "${BIN}/Hostkit.dll"
  File "${BIN}/purgeon-cli.exe"
  WriteUninstaller "$INSTDIR\uninst.exe"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\purgeon.exe" "" "$INSTDIR\purgeon.exe" 0 \
    SW_SHOWNORMAL "" "${DESCRIPTION}"

  ; A 32-bit setup writes the 32-bit registry view, where a 32-bit program's
  ; entry belongs.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\purgeon.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Each file by name, never the folder with whatever else it holds: the
  ; install folder may have been chosen by hand and hold other files.
  Delete /REBOOTOK "$INSTDIR\purgeon.exe"
  Delete /REBOOTOK "$INSTDIR\Hostkit.dll"
  Delete /REBOOTOK "$INSTDIR\purgeon-cli.exe"
  ; What the program itself writes beside it: the version file of the
  ; update check, the uninstall records and the temporary icon files.
  Delete "$INSTDIR\Update.dat"
  Delete "$INSTDIR\Config.ini"
  Delete "$INSTDIR\FileRecord.ini"
  Delete "$INSTDIR\FolderRecord"
  Delete "$INSTDIR\RegRecord.ini"
  Delete "$INSTDIR\MyTempIcon.bmp"
  Delete "$INSTDIR\MyTempIcon.ico"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"  ; only when empty

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
