#!/usr/bin/env bash
# End to end under Wine: no spelling of a protected folder gets anything
# deleted, and the removal ends only the program's own processes.
#
#   safety.sh install WORK-DIR          put other programs' files and keys, an
#                                       installed program, and the user's files
#                                       (Desktop, Documents, Downloads, another
#                                       profile, the Public one) into the prefix
#   safety.sh check PURGEON-CLI WORK-DIR CASE
#                                       run one case (e2e/safety/check_safety.py
#                                       lists them) and compare the list of
#                                       drive C's files before and after
#
# This suite asks Purgeon to delete Windows' and the users' folders, so it
# runs only in a prefix made by scripts/wine-prefix.sh: no drive Z: (Wine
# maps it to the Linux root) and no user folder that is a link into the
# Linux home. The check refuses to run otherwise. The prefix, the exit codes
# and the check are e2e/lib.sh's.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
e2e_name=safety
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$here/lib.sh"

# A file with a line of text, its folders made.
put() {
  mkdir -p "$(dirname "$1")"
  printf '%s\r\n' "$2" >"$1"
}

install() {
  local work="$1"
  need_wine; need winepath
  mkdir -p "$work"
  [ ! -e "$WINEPREFIX/dosdevices/z:" ] || fail "the prefix maps Z: to the Linux root; make it with scripts/wine-prefix.sh"
  if [ -n "$(find "$WINEPREFIX/drive_c/users" -maxdepth 2 -type l)" ]; then
    fail "the prefix's user folders link into the Linux home; make it with scripts/wine-prefix.sh"
  fi
  local c="$WINEPREFIX/drive_c" profile
  profile="$(winepath -u "$(wine cmd /c echo %USERPROFILE% | tr -d '\r')" 2>/dev/null)"
  profile="${profile%/}"
  [ -d "$profile" ] || fail "no user profile folder ($profile)"

  # The user's files, another user's, the Public profile's.
  put "$profile/Desktop/notes.txt" "the user's notes"
  put "$profile/Documents/letter.doc" "the user's letter"
  put "$profile/Downloads/setup.zip" "the user's download"
  put "$profile/Pictures/holiday.jpg" "the user's picture"
  put "$profile/AppData/Roaming/Other Vendor/settings.ini" "another program's settings"
  put "$profile/AppData/Local/Programs/Other App/other.exe" "another program"
  put "$c/users/other/Documents/diary.txt" "another user's diary"
  put "$c/users/other/Desktop/todo.txt" "another user's list"
  put "$c/users/Public/Documents/shared.txt" "everyone's file"
  # Other programs' files and keys.
  put "$c/Program Files (x86)/Other Vendor/Other App/other.exe" "another program"
  put "$c/Program Files/Other64/tool.exe" "a 64-bit program"
  put "$c/Program Files (x86)/Common Files/Other Vendor/shared.dll" "a shared library"
  put "$c/ProgramData/Other Vendor/state.ini" "another program's data"
  wine reg add 'HKLM\SOFTWARE\Other Vendor\Other App' /v Path /d 'C:\Program Files (x86)\Other Vendor\Other App' /f /reg:32 >/dev/null
  wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp' /v DisplayName /d 'Other App' /f /reg:32 >/dev/null
  wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp' /v InstallLocation /d 'C:\Program Files (x86)\Other Vendor\Other App\' /f /reg:32 >/dev/null
  wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp' /v UninstallString /d '"C:\Program Files (x86)\Other Vendor\Other App\other.exe" /uninstall' /f /reg:32 >/dev/null
  wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v 'Other App' /d '"C:\Program Files (x86)\Other Vendor\Other App\other.exe"' /f /reg:32 >/dev/null
  # Folder links (Wine shows a Unix symbolic link to a folder as a
  # reparse-point folder): each leads to a protected folder.
  mkdir -p "$c/Links"
  ln -sfn "$profile/Documents" "$c/Links/ToDocuments"
  ln -sfn "$c/users" "$c/Links/ToUsers"
  ln -sfn "$c/windows" "$c/Links/ToWindows"
  ln -sfn "$c" "$c/Links/ToRoot"
}

e2e_main "$@"
