; Tidy Timer, a work timer: installed for the current user only, into
; %LOCALAPPDATA%\Programs, with its Uninstall entry under HKEY_CURRENT_USER;
; no administrator rights needed. When it runs it keeps a history file in its
; folder and starts itself at log-on; its uninstaller knows of neither.
!include "common.nsh"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${NAME}"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TidyTimer"

Section
  SetOutPath "$INSTDIR"
  File "${FILES}/tidytimer.exe"
  File "/oname=tidytimer.ico" "${FILES}/icon.ico"
  File "${FILES}/readme.txt"
  WriteUninstaller "$INSTDIR\uninst.exe"
  !insertmacro DemoUninstallEntry HKCU "${KEY}" "$INSTDIR\tidytimer.ico"
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\tidytimer.exe"
  Delete "$INSTDIR\tidytimer.ico"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${KEY}"
SectionEnd
