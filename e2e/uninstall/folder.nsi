; A program that lives in a folder of its own with no Uninstall entry (a
; portable tool): a Run entry and a file association point into its folder.
; Built twice by e2e/uninstall.sh, as the sample and as a sibling whose folder
; name begins alike (-DSIBLING); `purgeon-cli uninstall --folder` removes the
; sample and must leave the sibling untouched.
Unicode true
RequestExecutionLevel admin
SilentInstall silent
OutFile "${OUTFILE}"

!ifdef SIBLING
  !define PRODUCT "Purgeon Uninstall Sample Folder Extra"
  !define EXT ".pusfoldx"
  !define PROGID "PurgeonUninstallSampleFolderExtra"
!else
  !define PRODUCT "Purgeon Uninstall Sample Folder"
  !define EXT ".pusfold"
  !define PROGID "PurgeonUninstallSampleFolder"
!endif

Name "${PRODUCT}"
InstallDir "C:\${PRODUCT}"

Section
  SetOutPath "$INSTDIR\data"
  FileOpen $0 "$INSTDIR\tool.exe" w
  FileWrite $0 "MZ sample tool$\r$\n"
  FileClose $0
  FileOpen $0 "$INSTDIR\data\state.ini" w
  FileWrite $0 "[state]$\r$\nruns=1$\r$\n"
  FileClose $0
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "${PRODUCT}" '"$INSTDIR\tool.exe" /tray'
  WriteRegStr HKLM "Software\Classes\${EXT}" "" "${PROGID}.Document"
  WriteRegStr HKLM "Software\Classes\${PROGID}.Document\Shell\Open\Command" "" '"$INSTDIR\tool.exe" "%1"'
SectionEnd
