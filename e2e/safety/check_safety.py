#!/usr/bin/env python3
"""Asks purgeon-cli to remove protected folders in every spelling, and checks
that nothing at all was deleted; then checks that a removal ends only the
program's own processes.

    check_safety.py PURGEON-CLI CASE

CASE is
  folder     `uninstall --folder SPELLING --yes` for a table of spellings of
             every protected folder: each is refused, and the list of drive
             C's files is the same before and after each;
  entry      an Uninstall entry whose InstallLocation is such a spelling and
             whose uninstaller removes only its own entry, uninstalled with
             `uninstall --program`: drive C's files are the same before and
             after each, and the other programs' keys are all there;
  processes  a program's folder with its own program running, and a program
             of the same file name running elsewhere: `uninstall --folder`
             ends the first, removes its folder and leaves the other running.

The sleeper program (PURGEON_SLEEPER, a Unix path) is what runs. Exit code 0
when the case holds, 1 otherwise.
"""

import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
from common import UNINSTALL, expect, expect_equal, key_exists, main, value_exists, wine  # noqa: E402

DRIVE_C = os.path.join(os.environ.get("WINEPREFIX", ""), "drive_c")
PROBE_KEY = UNINSTALL + r"\PurgeonSafetyProbe"
PROBE_NAME = "Purgeon Safety Probe"


def drive_c_files():
    """Every file, folder and link on drive C, as relative paths."""
    found = set()
    for folder, folders, files in os.walk(DRIVE_C, followlinks=False):
        relative = os.path.relpath(folder, DRIVE_C)
        for name in folders + files:
            found.add(os.path.join(relative, name))
    return found


def profile():
    code, out, _ = wine("cmd", "/c", "echo %USERPROFILE%")
    return out.decode("utf-8", "replace").strip()


def protected_folders():
    home = profile()
    folders = [
        "C:\\", r"C:\windows", r"C:\windows\system32", r"C:\windows\syswow64",
        r"C:\Program Files", r"C:\Program Files\Common Files", r"C:\Program Files (x86)",
        r"C:\Program Files (x86)\Common Files", r"C:\ProgramData", r"C:\users", home,
        r"C:\users\Public", r"C:\users\Public\Documents", r"C:\users\Public\Desktop",
        r"C:\users\other", r"C:\users\other\Documents", r"C:\users\other\Desktop",
    ]
    for known in ("Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos", "Favorites",
                  "Saved Games", "AppData", r"AppData\Local", r"AppData\Roaming",
                  r"AppData\Roaming\Microsoft\Windows\Start Menu",
                  r"AppData\Roaming\Microsoft\Windows\Start Menu\Programs\Startup"):
        folders.append(home + "\\" + known)
    return folders


def spellings(folder):
    """The forms Windows opens as `folder`, alone and combined."""
    bare = folder.rstrip("\\")
    tail = bare[3:]
    forms = [
        folder, "\\\\?\\" + folder, "\\??\\" + folder, "\\\\.\\" + folder, bare + ".", bare + " . ",
        bare.replace("\\", "/") + "/", bare.lower().replace("\\", "\\\\"),
        "C:\\x\\..\\" + tail, "\\\\?\\" + bare.upper() + ".", "\\??\\" + bare.replace("\\", "/") + ". \\",
    ]
    return list(dict.fromkeys(forms))


ENVIRONMENT_FORMS = ["%SystemRoot%", "%windir%\\system32", "%ProgramFiles%", "%ProgramData%",
                     "%USERPROFILE%", "%USERPROFILE%\\Desktop", "%APPDATA%", "%LOCALAPPDATA%",
                     "%PUBLIC%", "%SystemDrive%\\", "C:Users", "\\Users"]
LINKS = [r"C:\Links\ToDocuments", r"C:\Links\ToUsers", r"C:\Links\ToWindows", r"C:\Links\ToRoot",
         r"C:\Links\ToDocuments\."]


def folder_texts():
    texts = []
    for folder in protected_folders():
        texts += spellings(folder)
    return texts + ENVIRONMENT_FORMS + LINKS


def check_folder(cli):
    texts = folder_texts()
    before = drive_c_files()
    expect(len(before) > 1000, f"drive C lists only {len(before)} entries")
    for text in texts:
        code, out, err = wine(cli, "uninstall", "--folder", text, "--yes", "--json")
        expect(code != 0, f"uninstall --folder {text!r} was not refused (exit code 0)")
        expect(err.strip() != "", f"uninstall --folder {text!r}: exit code {code} without a message")
        after = drive_c_files()
        if not expect_equal(sorted(before - after), [], f"deleted by uninstall --folder {text!r}"):
            before = after
    print(f"folder: {len(texts)} spellings tried")


def put_probe(location):
    """The probe program's Uninstall entry; its uninstaller deletes only the
    entry itself, as many uninstallers do before Purgeon looks at what is left."""
    key = "HKLM\\" + PROBE_KEY
    uninstaller = rf'C:\windows\system32\reg.exe delete "{key}" /f /reg:32'
    for name, data in (("DisplayName", PROBE_NAME), ("InstallLocation", location),
                       ("UninstallString", uninstaller)):
        code, _, err = wine("reg", "add", key, "/v", name, "/d", data, "/f", "/reg:32")
        expect_equal(code, 0, f"reg add {name} ({err.strip()})")


def check_entry(cli):
    # Each protected folder in turn, each with another of its spellings.
    cases = []
    for n, folder in enumerate(protected_folders()):
        forms = spellings(folder)
        cases += [forms[n % len(forms)], forms[(n + 5) % len(forms)]]
    cases += ["%SystemRoot%", "%USERPROFILE%\\Documents", r"C:\Links\ToDocuments", r"C:\Links\ToRoot"]
    before = drive_c_files()
    for location in cases:
        put_probe(location)
        code, out, err = wine(cli, "uninstall", "--program", PROBE_NAME, "--yes", "--json",
                              "--timeout", "60")
        after = drive_c_files()
        if not expect_equal(sorted(before - after), [], f"deleted with InstallLocation {location!r} "
                                                        f"(exit code {code}, {err.strip()})"):
            before = after
        expect(not key_exists("HKLM", PROBE_KEY, 32), f"the probe's uninstaller did not run for {location!r}")
        # The uninstaller (reg.exe) writes its own line to the same output.
        text = out.decode("utf-8", "replace")
        if code == 0 and expect("{" in text, f"no result for InstallLocation {location!r}: {text!r}"):
            removed = json.loads(text[text.index("{"):])["removed"]
            expect_equal(removed["folders"] + removed["files"], [],
                         f"files or folders removed for InstallLocation {location!r}")
    for key in (r"SOFTWARE\Other Vendor\Other App", UNINSTALL + r"\OtherApp"):
        expect(key_exists("HKLM", key, 32), f"another program's key {key} is gone")
    expect(value_exists("HKLM", r"SOFTWARE\Microsoft\Windows\CurrentVersion\Run", "Other App", 32),
           "another program's Run entry is gone")
    print(f"entry: {len(cases)} install locations tried")


def unix_path(windows_path):
    return os.path.join(DRIVE_C, *windows_path[3:].split("\\"))


def start(windows_path):
    """Runs the program in the prefix; the Popen object stands for it."""
    return subprocess.Popen(["wine", unix_path(windows_path), "120"], stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def check_processes(cli):
    sleeper = os.environ.get("PURGEON_SLEEPER", "")
    if not expect(os.path.isfile(sleeper), f"no sleeper program ({sleeper!r})"):
        return
    folder, elsewhere = r"C:\Purgeon Safety Tool", r"C:\Purgeon Safety Elsewhere"
    for place in (folder, elsewhere):
        os.makedirs(unix_path(place), exist_ok=True)
        with open(sleeper, "rb") as source, open(unix_path(place + r"\other.exe"), "wb") as copy:
            copy.write(source.read())
    with open(unix_path(folder + r"\tool.ini"), "w") as settings:
        settings.write("[tool]\r\n")
    own = start(folder + r"\other.exe")
    namesake = start(elsewhere + r"\other.exe")
    try:
        time.sleep(2)
        expect(own.poll() is None and namesake.poll() is None, "the programs did not start")
        code, out, err = wine(cli, "uninstall", "--folder", folder, "--yes", "--json")
        expect_equal(code, 0, f"uninstall --folder ({err.strip()})")
        try:
            own.wait(timeout=15)
        except subprocess.TimeoutExpired:
            expect(False, "the program's own process inside its folder is still running")
        expect(namesake.poll() is None, "the program of the same name elsewhere was ended")
        expect(not os.path.exists(unix_path(folder)), "the program's folder is left")
        expect(os.path.exists(unix_path(elsewhere + r"\other.exe")), "the namesake's file is gone")
    finally:
        for process in (own, namesake):
            if process.poll() is None:
                process.kill()
                process.wait()


CASES = {"folder": check_folder, "entry": check_entry, "processes": check_processes}


if __name__ == "__main__":
    sys.exit(main(CASES))
