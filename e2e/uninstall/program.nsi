; A 32-bit program for the whole machine, the way many real ones install:
; files in its folder, an Uninstall entry whose uninstall string carries the
; silent switch, a file association, a COM class, a Run entry and a shared-DLL
; count. Its uninstaller cleans up only part of it; see the Uninstall section.
; Built twice by e2e/uninstall.sh: the sample, and a sibling of the same
; publisher whose names begin alike (-DSIBLING), which must survive the
; sample's uninstall untouched.
Unicode true
RequestExecutionLevel admin
SilentInstall silent
OutFile "${OUTFILE}"

!ifdef SIBLING
  !define PRODUCT "Purgeon Uninstall Sample NSIS Extra"
  !define KEYNAME "PurgeonUninstallSampleNsisExtra"
  !define EXT ".pusnsisx"
  !define PROGID "PurgeonUninstallSampleNsisExtra"
  !define CLSID "{5E0B8C2A-7F31-4D6A-9B84-2C6E1F0A3D59}"
!else
  !define PRODUCT "Purgeon Uninstall Sample NSIS"
  !define KEYNAME "PurgeonUninstallSampleNsis"
  !define EXT ".pusnsis"
  !define PROGID "PurgeonUninstallSampleNsis"
  !define CLSID "{9C3F6A1E-2B47-4E8D-A5C0-7D1B3E9F2A64}"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${KEYNAME}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SHARED_DLLS "Software\Microsoft\Windows\CurrentVersion\SharedDLLs"

Name "${PRODUCT}"
InstallDir "$PROGRAMFILES\${PRODUCT}"

!macro WriteText PATH TEXT
  FileOpen $0 "${PATH}" w
  FileWrite $0 "${TEXT}"
  FileClose $0
!macroend

Section
  SetOutPath "$INSTDIR"
  ; The contents do not matter: the registry points at these files.
  !insertmacro WriteText "$INSTDIR\sample.exe" "MZ sample program$\r$\n"
  !insertmacro WriteText "$INSTDIR\sample.dll" "MZ sample library$\r$\n"
  !insertmacro WriteText "$INSTDIR\settings.ini" "[sample]$\r$\nlanguage=en$\r$\n"
  WriteUninstaller "$INSTDIR\uninst.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "2.0.1"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Purgeon Uninstall Samples"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe" /S'

  WriteRegStr HKLM "Software\Classes\${EXT}" "" "${PROGID}.Document"
  WriteRegStr HKLM "Software\Classes\${PROGID}.Document" "" "${PRODUCT} document"
  WriteRegStr HKLM "Software\Classes\${PROGID}.Document\Shell\Open\Command" "" '"$INSTDIR\sample.exe" "%1"'

  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}" "" "${PRODUCT} object"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\InprocServer32" "" "$INSTDIR\sample.dll"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\InprocServer32" "ThreadingModel" "Apartment"

  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\sample.exe" /background'
  WriteRegDWORD HKLM "${SHARED_DLLS}" "$INSTDIR\sample.dll" 1
SectionEnd

; Like many real uninstallers it forgets things: the settings file (so its
; folder stays), the Run entry, the shared-DLL count and the file
; association are left for Purgeon.
Section "Uninstall"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Classes\CLSID\${CLSID}"
  Delete "$INSTDIR\sample.exe"
  Delete "$INSTDIR\sample.dll"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
SectionEnd
