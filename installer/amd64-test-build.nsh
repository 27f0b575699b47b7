; Put before a setup script (makensis -X"!include ...") when it is built for
; the 64-bit test build, on machines that run no 32-bit code: the setup
; becomes a 64-bit one that installs where the 32-bit setup would on 64-bit
; Windows. Its hidden first sections run before the script's own:
;  - registry writes go to the 32-bit view, as a 32-bit setup's do (a
;    script's own SetRegView 64 still reaches the 64-bit view);
;  - an install folder under the 64-bit Program Files moves to
;    "Program Files (x86)": a 64-bit setup's $PROGRAMFILES and $PROGRAMFILES32
;    both give the 64-bit folder (measured under 64-bit Wine). A script that
;    means the 64-bit folder sets $INSTDIR again where AMD64_TEST_BUILD is
;    defined.
Target amd64-unicode
!define AMD64_TEST_BUILD

Section "-amd64 test build"
  SetRegView 32
  StrLen $R9 "$PROGRAMFILES64\"
  StrCpy $R8 $INSTDIR $R9
  StrCmp $R8 "$PROGRAMFILES64\" 0 +4
    StrCpy $R8 $INSTDIR "" $R9
    ReadEnvStr $R9 "ProgramFiles(x86)"
    StrCpy $INSTDIR "$R9\$R8"
SectionEnd

Section "-un.amd64 test build"
  SetRegView 32
SectionEnd
