; A 32-bit installer that registers its program in the 64-bit registry view
; (as installers of 64-bit programs do) and installs under the native
; program-files folder. No InstallLocation: the folder comes from the
; uninstall command.
; e2e/inventory/check_inventory.py expects the values written here.
Unicode true
RequestExecutionLevel admin
Name "Purgeon Sample Native64"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Purgeon Sample Native64"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PurgeonSampleNative64"

Section
!ifdef AMD64_TEST_BUILD
  ; The 64-bit folder is meant (installer/amd64-test-build.nsh moved it).
  StrCpy $INSTDIR "$PROGRAMFILES64\Purgeon Sample Native64"
!endif
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninst.exe"
  SetRegView 64
  WriteRegStr HKLM "${KEY}" "DisplayName" "Purgeon Sample Native64"
  WriteRegStr HKLM "${KEY}" "DisplayVersion" "6.4"
  WriteRegStr HKLM "${KEY}" "Publisher" "Purgeon Samples"
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\uninst.exe" /S'
  SetRegView 32
SectionEnd

Section "Uninstall"
  SetRegView 64
  DeleteRegKey HKLM "${KEY}"
  SetRegView 32
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
SectionEnd
