; What the demo's NSIS installers share. scripts/seed-demo.sh passes NAME,
; PUBLISHER, VERSION, FILES (the folder holding the program's built files,
; icon.ico and readme.txt) and OUTFILE from demo/programs.txt.
; Run without /S they show the ordinary NSIS pages, and their uninstallers
; ask before they remove anything; the Uninstall entry's quiet command
; carries /S.
Unicode true
Name "${NAME}"
OutFile "${OUTFILE}"
Icon "${FILES}/icon.ico"
UninstallIcon "${FILES}/icon.ico"
BrandingText "${PUBLISHER}"
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The program's Uninstall entry under ROOT (HKLM or HKCU), key KEY, with
; ICON as the icon the list shows. The installers name an .ico file they
; install: Wine 8 gives the generic document icon as the shell icon of every
; .exe (SHGetFileInfoW), where Windows would show the program's own.
!macro DemoUninstallEntry ROOT KEY ICON
  WriteRegStr ${ROOT} "${KEY}" "DisplayName" "${NAME}"
  WriteRegStr ${ROOT} "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr ${ROOT} "${KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr ${ROOT} "${KEY}" "DisplayIcon" "${ICON}"
  WriteRegStr ${ROOT} "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr ${ROOT} "${KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr ${ROOT} "${KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegDWORD ${ROOT} "${KEY}" "NoModify" 1
  WriteRegDWORD ${ROOT} "${KEY}" "NoRepair" 1
!macroend
