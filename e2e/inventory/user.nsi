; A program installed for the current user only: its Uninstall entry is
; under HKEY_CURRENT_USER, which both registry views show alike.
; e2e/inventory/check_inventory.py expects the values written here.
Unicode true
RequestExecutionLevel user
Name "Purgeon Sample User"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Purgeon Sample User"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PurgeonSampleUser"

Section
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninst.exe"
  WriteRegStr HKCU "${KEY}" "DisplayName" "Purgeon Sample User"
  WriteRegStr HKCU "${KEY}" "DisplayVersion" "0.9"
  WriteRegStr HKCU "${KEY}" "Publisher" "Purgeon Samples"
  WriteRegStr HKCU "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${KEY}" "DisplayIcon" "$INSTDIR\uninst.exe"
  WriteRegStr HKCU "${KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
SectionEnd

Section "Uninstall"
  DeleteRegKey HKCU "${KEY}"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
SectionEnd
