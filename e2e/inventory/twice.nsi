; One program registered twice under the same display name (letter case and
; a trailing blank aside): once for the machine with its install folder but
; no uninstall command, once for the user with the uninstall command. The
; inventory shows one program that has both.
; e2e/inventory/check_inventory.py expects the values written here.
Unicode true
RequestExecutionLevel admin
Name "Purgeon Sample Twice"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Purgeon Sample Twice"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PurgeonSampleTwice"

Section
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninst.exe"
  WriteRegStr HKLM "${KEY}" "DisplayName" "Purgeon Sample Twice"
  WriteRegStr HKLM "${KEY}" "DisplayVersion" "2.0"
  WriteRegStr HKLM "${KEY}" "Publisher" "Purgeon Samples"
  WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${KEY}.User" "DisplayName" "purgeon sample TWICE "
  WriteRegStr HKCU "${KEY}.User" "DisplayVersion" "2.0-user"
  WriteRegStr HKCU "${KEY}.User" "Publisher" "Someone Else"
  WriteRegStr HKCU "${KEY}.User" "UninstallString" '"$INSTDIR\uninst.exe"'
SectionEnd

Section "Uninstall"
  DeleteRegKey HKLM "${KEY}"
  DeleteRegKey HKCU "${KEY}.User"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
SectionEnd
