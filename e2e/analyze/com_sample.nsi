; A 32-bit program installed for the whole machine that leaves the kinds of
; traces the analysis searches for, all written by the installer itself:
; files in subfolders, a file type with its extension, Run entries for the
; machine and for the user, a shared DLL count, a compatibility layer, and a
; COM type library, class (InprocServer32 in the install folder, with a
; ProgID) and interface. e2e/analyze.sh builds it twice: as "Purgeon Analyze
; Sample" and as "Purgeon Analyze SampleTwo", whose folder name begins with
; the same letters, each with names and GUIDs of its own;
; e2e/analyze/check_analyze.py expects what is written here.
;   -DSUFFIX=... -DCLSID=... -DLIBID=... -DIID=... -DOUTFILE=...
Unicode true
RequestExecutionLevel admin
!define NAME "Purgeon Analyze Sample${SUFFIX}"
!define TYPE "PurgeonAnalyzeSample${SUFFIX}.Document"
!define EXT ".pasample${SUFFIX}"
!define PROGID "PurgeonAnalyzeSample${SUFFIX}.Object.1"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PurgeonAnalyzeSample${SUFFIX}"
!define RUN "Software\Microsoft\Windows\CurrentVersion\Run"
!define SHARED "Software\Microsoft\Windows\CurrentVersion\SharedDLLs"
!define LAYERS "Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers"
Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${NAME}"

!macro TEXT_FILE PATH
  FileOpen $0 "${PATH}" w
  FileWrite $0 "${NAME}$\r$\n"
  FileClose $0
!macroend

Section
  SetOutPath "$INSTDIR"
  !insertmacro TEXT_FILE "$INSTDIR\app.exe"
  !insertmacro TEXT_FILE "$INSTDIR\app.tlb"
  CreateDirectory "$INSTDIR\plugins"
  !insertmacro TEXT_FILE "$INSTDIR\plugins\server.dll"
  CreateDirectory "$INSTDIR\data\cache"
  !insertmacro TEXT_FILE "$INSTDIR\data\cache\state.bin"
  WriteUninstaller "$INSTDIR\uninst.exe"

  WriteRegStr HKLM "${KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${KEY}" "DisplayVersion" "1.0"
  WriteRegStr HKLM "${KEY}" "Publisher" "Purgeon Samples"
  WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'

  ; The file type and its extension.
  WriteRegStr HKLM "Software\Classes\${TYPE}" "" "${NAME} document"
  WriteRegStr HKLM "Software\Classes\${TYPE}\DefaultIcon" "" "$INSTDIR\app.exe,0"
  WriteRegStr HKLM "Software\Classes\${TYPE}\shell\open\command" "" '"$INSTDIR\app.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\${EXT}" "" "${TYPE}"

  ; Started with Windows, quoted with an argument, for everyone and for
  ; the installing user.
  WriteRegStr HKLM "${RUN}" "PurgeonAnalyzeSample${SUFFIX}" '"$INSTDIR\app.exe" /tray'
  WriteRegStr HKCU "${RUN}" "PurgeonAnalyzeSample${SUFFIX}User" '"$INSTDIR\app.exe" /user'

  ; A shared DLL count, and a compatibility layer for the user.
  WriteRegDWORD HKLM "${SHARED}" "$INSTDIR\plugins\server.dll" 1
  WriteRegStr HKCU "${LAYERS}" "$INSTDIR\app.exe" "~ RUNASADMIN"

  ; COM: a type library, a class served from the install folder with its
  ; ProgID, and an interface proxied by that class and described by the library.
  WriteRegStr HKLM "Software\Classes\TypeLib\${LIBID}\1.0" "" "${NAME} library"
  WriteRegStr HKLM "Software\Classes\TypeLib\${LIBID}\1.0\0\win32" "" "$INSTDIR\app.tlb"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}" "" "${NAME} object"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\InprocServer32" "" "$INSTDIR\plugins\server.dll"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\InprocServer32" "ThreadingModel" "Apartment"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\ProgID" "" "${PROGID}"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\TypeLib" "" "${LIBID}"
  WriteRegStr HKLM "Software\Classes\${PROGID}\CLSID" "" "${CLSID}"
  WriteRegStr HKLM "Software\Classes\Interface\${IID}" "" "IPurgeonAnalyzeSample${SUFFIX}"
  WriteRegStr HKLM "Software\Classes\Interface\${IID}\ProxyStubClsid32" "" "${CLSID}"
  WriteRegStr HKLM "Software\Classes\Interface\${IID}\TypeLib" "" "${LIBID}"
SectionEnd

Section "Uninstall"
  DeleteRegKey HKLM "${KEY}"
  DeleteRegKey HKLM "Software\Classes\${TYPE}"
  DeleteRegKey HKLM "Software\Classes\${EXT}"
  DeleteRegValue HKLM "${RUN}" "PurgeonAnalyzeSample${SUFFIX}"
  DeleteRegValue HKCU "${RUN}" "PurgeonAnalyzeSample${SUFFIX}User"
  DeleteRegValue HKLM "${SHARED}" "$INSTDIR\plugins\server.dll"
  DeleteRegValue HKCU "${LAYERS}" "$INSTDIR\app.exe"
  DeleteRegKey HKLM "Software\Classes\TypeLib\${LIBID}"
  DeleteRegKey HKLM "Software\Classes\CLSID\${CLSID}"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "Software\Classes\Interface\${IID}"
  ; File by file: a link e2e/analyze.sh puts into the folder is not ours.
  Delete "$INSTDIR\app.exe"
  Delete "$INSTDIR\app.tlb"
  Delete "$INSTDIR\plugins\server.dll"
  Delete "$INSTDIR\data\cache\state.bin"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR\plugins"
  RMDir "$INSTDIR\data\cache"
  RMDir "$INSTDIR\data"
  RMDir "$INSTDIR"
SectionEnd
