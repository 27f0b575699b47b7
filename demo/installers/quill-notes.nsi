; Quill Notes, a text editor: a 32-bit program for the whole machine in
; Program Files (x86), with a file type of its own (.qnote). Like many real
; uninstallers, its uninstaller removes only the files it installed, so the
; folder stays with the dictionary the program wrote, and it forgets the file
; type.
!include "common.nsh"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\${NAME}"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuillNotes"

Section
  SetOutPath "$INSTDIR"
  File "${FILES}/quill.exe"
  File "/oname=quill.ico" "${FILES}/icon.ico"
  File "${FILES}/readme.txt"
  WriteUninstaller "$INSTDIR\uninst.exe"
  !insertmacro DemoUninstallEntry HKLM "${KEY}" "$INSTDIR\quill.ico"

  WriteRegStr HKLM "Software\Classes\.qnote" "" "QuillNotes.Note"
  WriteRegStr HKLM "Software\Classes\QuillNotes.Note" "" "Quill Notes note"
  WriteRegStr HKLM "Software\Classes\QuillNotes.Note\DefaultIcon" "" "$INSTDIR\quill.exe,0"
  WriteRegStr HKLM "Software\Classes\QuillNotes.Note\Shell\Open\Command" "" '"$INSTDIR\quill.exe" "%1"'
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\quill.exe"
  Delete "$INSTDIR\quill.ico"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${KEY}"
SectionEnd
