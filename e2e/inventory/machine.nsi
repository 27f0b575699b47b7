; A 32-bit program installed for the whole machine. On 64-bit Windows its
; Uninstall entry lands in the 32-bit registry view (Wow6432Node).
; e2e/inventory/check_inventory.py expects the values written here.
Unicode true
RequestExecutionLevel admin
Name "Purgeon Sample Machine"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Purgeon Sample Machine"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PurgeonSampleMachine"

Section
  SetOutPath "$INSTDIR"
  FileOpen $0 "$INSTDIR\readme.txt" w
  FileWrite $0 "Purgeon sample program$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\uninst.exe"
  WriteRegStr HKLM "${KEY}" "DisplayName" "Purgeon Sample Machine"
  WriteRegStr HKLM "${KEY}" "DisplayVersion" "1.4.2"
  WriteRegStr HKLM "${KEY}" "Publisher" "Purgeon Samples Zürich"
  WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${KEY}" "DisplayIcon" "$INSTDIR\uninst.exe,0"
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
SectionEnd

Section "Uninstall"
  DeleteRegKey HKLM "${KEY}"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
SectionEnd
