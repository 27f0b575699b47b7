; Entries that Windows' own list does not show: a system component and an
; update. The inventory hides them too.
; e2e/inventory/check_inventory.py expects the values written here.
Unicode true
RequestExecutionLevel admin
Name "Purgeon Sample Hidden"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Purgeon Sample Hidden"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PurgeonSampleHidden"

Section
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninst.exe"
  WriteRegStr HKLM "${KEY}" "DisplayName" "Purgeon Sample Hidden Component"
  WriteRegDWORD HKLM "${KEY}" "SystemComponent" 1
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKLM "${KEY}.Update" "DisplayName" "Purgeon Sample Hidden Update"
  WriteRegStr HKLM "${KEY}.Update" "ReleaseType" " Update "
  WriteRegStr HKLM "${KEY}.Update" "UninstallString" '"$INSTDIR\uninst.exe"'
SectionEnd

Section "Uninstall"
  DeleteRegKey HKLM "${KEY}"
  DeleteRegKey HKLM "${KEY}.Update"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
SectionEnd
