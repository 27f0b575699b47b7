; Microsoft Sample Runtime (Demo), a made-up runtime whose name puts it in
; the list's Microsoft group: a library for the whole machine, registered as
; a shared DLL, with an .ico file as the list's icon. Its uninstaller forgets
; the shared-DLL count.
!include "common.nsh"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\${NAME}"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\SampleRuntimeDemo"
!define SHARED_DLLS "Software\Microsoft\Windows\CurrentVersion\SharedDLLs"

Section
  SetOutPath "$INSTDIR"
  File "${FILES}/sample-runtime.dll"
  File "/oname=sample-runtime.ico" "${FILES}/icon.ico"
  File "${FILES}/readme.txt"
  WriteUninstaller "$INSTDIR\uninst.exe"
  !insertmacro DemoUninstallEntry HKLM "${KEY}" "$INSTDIR\sample-runtime.ico"
  WriteRegDWORD HKLM "${SHARED_DLLS}" "$INSTDIR\sample-runtime.dll" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\sample-runtime.dll"
  Delete "$INSTDIR\sample-runtime.ico"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${KEY}"
SectionEnd
