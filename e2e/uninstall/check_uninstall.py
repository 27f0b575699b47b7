#!/usr/bin/env python3
"""Uninstalls one of the samples that e2e/uninstall.sh installed with
`purgeon-cli uninstall ... --yes --json` and checks the machine afterwards.

    check_uninstall.py PURGEON-CLI CASE

CASE is nsis (the NSIS program, through its own uninstaller), msi (the Windows
Installer package, through msiexec) or folder (the portable program, by its
folder); nsis-machine, msi-machine and folder-machine check the machine only,
after the same uninstall was done another way (through purgeon.exe's windows:
it keeps its records beside purgeon-cli). quiet uninstalls the NSIS and the
MSI program in one unattended run, checks that no window was shown, then
restores both undo sets and compares the machine with how it was before. Each checks that the program and its traces are gone, that what its
own uninstaller left behind was removed by Purgeon and nothing else, and that
its sibling (same publisher, names beginning alike, values in the same Run
key) is untouched. The registry is read with `wine reg query`, the files
through the prefix's drive, both independently of Purgeon. Exit code 0 when
the case holds, 1 otherwise.
"""

import json
import os
import re
import subprocess
import sys
import tempfile
import time

# What the checkers share is in e2e/common.py.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
from common import (CLASSES, INSTALLER_PRODUCTS, LAYERS, RUN, SHARED_DLLS, UNINSTALL,  # noqa: E402
                    expect, expect_equal, key_exists, main, packed_guid, value_exists, wine)
from snapshot import differences, drive_c, snapshot  # noqa: E402

USER_DATA = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products"
PROGRAM_FILES_32 = r"C:\Program Files (x86)"


def in_any_view(check, *args):
    return check(*args, 32) or check(*args, 64)


def unix_path(windows_path):
    """A path on drive C: of the prefix as Linux sees it."""
    assert windows_path[:3].upper() == "C:\\"
    return os.path.join(os.environ["WINEPREFIX"], "drive_c", *windows_path[3:].split("\\"))


def listed(cli):
    code, out, err = wine(cli, "list", "--json")
    expect_equal(code, 0, f"purgeon-cli list ({err.strip()})")
    return {program["name"] for program in json.loads(out.decode("utf-8") or "[]")}


def uninstall(cli, *args):
    """purgeon-cli uninstall ARGS --yes --json: the parsed result, or None."""
    code, out, err = wine(cli, "uninstall", *args, "--yes", "--json")
    if not expect_equal(code, 0, f"purgeon-cli uninstall {' '.join(args)} (stderr: {err.strip()})"):
        return None
    result = json.loads(out.decode("utf-8"))
    expect_equal(result["not_removed"], [], "not removed")
    return result


def expect_records_gone(cli):
    folder = os.path.dirname(os.path.abspath(cli))
    for name in ("Config.ini", "FileRecord.ini", "FolderRecord", "RegRecord.ini"):
        expect(not os.path.exists(os.path.join(folder, name)), f"record {name} is left")


NSIS_SAMPLE, NSIS_SIBLING = "Purgeon Uninstall Sample NSIS", "Purgeon Uninstall Sample NSIS Extra"
NSIS_FOLDER = PROGRAM_FILES_32 + "\\" + NSIS_SAMPLE
NSIS_KEY = UNINSTALL + r"\PurgeonUninstallSampleNsis"
NSIS_CLSID = CLASSES + r"\CLSID\{9C3F6A1E-2B47-4E8D-A5C0-7D1B3E9F2A64}"
MSI_SAMPLE, MSI_SIBLING = "Purgeon Uninstall Sample MSI", "Purgeon Uninstall Sample MSI Extra"
MSI_CODE, MSI_SIBLING_CODE = "{2F7A9C14-6B3E-4D58-8A1F-C0E2D4B6F813}", "{E3B5D7F9-1A2C-4E6B-8D0F-3A5C7E9B1D24}"
MSI_FOLDER = PROGRAM_FILES_32 + "\\" + MSI_SAMPLE
# As e2e/uninstall.sh builds the package.
MSI_UPGRADE_CODE = "{A41C7E2B-9D05-4F63-B8A2-1E3C5D7F9B02}"
MSI_COMPONENTS = ("{7B2D4F61-3A8C-4E19-9C57-D1E3F5A7B924}", "{C8E1A3F5-0B27-4D4C-8E69-2A4C6E8F0B31}")
FOLDER_SAMPLE = "C:\\Purgeon Uninstall Sample Folder"


def nsis_installed(cli):
    programs = listed(cli)
    if not expect(NSIS_SAMPLE in programs and NSIS_SIBLING in programs,
                  f"the samples are not listed: {sorted(programs)}"):
        return False
    return expect(key_exists("HKLM", NSIS_CLSID, 32), "the sample's COM class was not registered")


def check_nsis(cli):
    sample, folder, key = NSIS_SAMPLE, NSIS_FOLDER, NSIS_KEY
    if not nsis_installed(cli):
        return

    # Declined on the terminal: nothing changes.
    code, out, err = wine(cli, "uninstall", "--program", sample, stdin=b"n\n")
    expect_equal(code, 4, "exit code when declined")
    expect(f"Uninstall {sample}? " in err and "[y/N]" in err, f"no question on standard error: {err!r}")
    expect_equal(out, b"", "standard output when declined")
    expect(key_exists("HKLM", key, 32) and os.path.exists(unix_path(folder + r"\sample.exe")),
           "declining changed the program")

    result = uninstall(cli, "--program", sample, "--timeout", "120")
    if result:
        expect_equal(result["uninstall_command"], f'"{folder}\\uninst.exe" /S', "uninstall command")
        removed = result["removed"]
        # The uninstaller ran first and took the program files, its entry and
        # its COM class; Purgeon removed exactly what it left.
        expect_equal(removed["folders"], [folder + "\\"], "folders removed by Purgeon")
        expect_equal(removed["files"], [folder + r"\settings.ini"], "files removed by Purgeon")
        expect_equal(sorted(removed["registry"]), sorted([
            "HKLM|" + CLASSES + r"\.pusnsis",
            "HKLM|" + CLASSES + r"\PurgeonUninstallSampleNsis.Document",
            "HKLM|" + RUN + "|" + sample,
            "HKLM|" + SHARED_DLLS + "|" + folder + r"\sample.dll",
        ]), "registry entries removed by Purgeon")
    check_nsis_machine(cli)


def check_nsis_machine(cli):
    """The machine after the NSIS sample's uninstall, however it was done."""
    sample, sibling, folder, key, clsid = NSIS_SAMPLE, NSIS_SIBLING, NSIS_FOLDER, NSIS_KEY, NSIS_CLSID
    sibling_folder = PROGRAM_FILES_32 + "\\" + sibling
    sibling_key = UNINSTALL + r"\PurgeonUninstallSampleNsisExtra"
    sibling_clsid = CLASSES + r"\CLSID\{5E0B8C2A-7F31-4D6A-9B84-2C6E1F0A3D59}"
    expect(not os.path.exists(unix_path(folder)), "the install folder is left")
    expect(not in_any_view(key_exists, "HKLM", key), "the Uninstall entry is left")
    expect(not in_any_view(key_exists, "HKLM", CLASSES + r"\.pusnsis"), "the file type is left")
    expect(not in_any_view(key_exists, "HKLM", CLASSES + r"\PurgeonUninstallSampleNsis.Document"),
           "the file association is left")
    expect(not in_any_view(key_exists, "HKLM", clsid), "the COM class is left")
    expect(not in_any_view(value_exists, "HKLM", RUN, sample), "the Run entry is left")
    expect(not in_any_view(value_exists, "HKLM", SHARED_DLLS, folder + r"\sample.dll"),
           "the shared-DLL count is left")
    expect(sample not in listed(cli), "still listed")
    expect_records_gone(cli)

    for path in ("sample.exe", "sample.dll", "settings.ini", "uninst.exe"):
        expect(os.path.exists(unix_path(sibling_folder + "\\" + path)), f"sibling's {path} is gone")
    expect(key_exists("HKLM", sibling_key, 32), "sibling's Uninstall entry is gone")
    expect(key_exists("HKLM", CLASSES + r"\.pusnsisx", 32), "sibling's file type is gone")
    expect(key_exists("HKLM", CLASSES + r"\PurgeonUninstallSampleNsisExtra.Document\Shell\Open\Command", 32),
           "sibling's file association is gone")
    expect(key_exists("HKLM", sibling_clsid + r"\InprocServer32", 32), "sibling's COM class is gone")
    expect(value_exists("HKLM", RUN, sibling, 32), "sibling's Run entry is gone")
    expect(value_exists("HKLM", SHARED_DLLS, sibling_folder + r"\sample.dll", 32), "sibling's shared-DLL count is gone")
    expect(sibling in listed(cli), "the sibling is no longer listed")


def msi_installed(cli):
    programs = listed(cli)
    if not expect(MSI_SAMPLE in programs and MSI_SIBLING in programs,
                  f"the samples are not listed: {sorted(programs)}"):
        return False
    for product in (MSI_CODE, MSI_SIBLING_CODE):
        if not expect(in_any_view(key_exists, "HKLM", USER_DATA + "\\" + packed_guid(product)),
                      f"no Installer data for {product}"):
            return False
    return True


def check_msi(cli):
    sample, code, folder = MSI_SAMPLE, MSI_CODE, MSI_FOLDER
    if not msi_installed(cli):
        return

    result = uninstall(cli, "--program", sample, "--timeout", "120")
    if result:
        # Listed with /I (maintenance); uninstalled with /X.
        expect_equal(result["uninstall_command"], "MsiExec.exe /X" + code, "uninstall command")
        removed = result["removed"]
        # msiexec took its files, its Run entry and its data; Purgeon removed
        # what the program made at run time.
        expect_equal(removed["folders"], [folder + "\\"], "folders removed by Purgeon")
        expect_equal(removed["files"], [folder + r"\user.cfg"], "files removed by Purgeon")
        registry = removed["registry"]
        expect(len(registry) == 1 and registry[0].startswith("HKU|")
               and registry[0].endswith("\\" + LAYERS + "|" + folder + r"\sample.exe"),
               f"registry entries removed by Purgeon: {registry!r}")
    check_msi_machine(cli)


def check_msi_machine(cli):
    """The machine after the MSI sample's uninstall, however it was done."""
    sample, sibling, code, sibling_code, folder = MSI_SAMPLE, MSI_SIBLING, MSI_CODE, MSI_SIBLING_CODE, MSI_FOLDER
    sibling_folder = PROGRAM_FILES_32 + "\\" + sibling
    expect(not os.path.exists(unix_path(folder)), "the install folder is left")
    expect(not in_any_view(key_exists, "HKLM", UNINSTALL + "\\" + code), "the Uninstall entry is left")
    expect(not in_any_view(key_exists, "HKLM", USER_DATA + "\\" + packed_guid(code)), "the Installer data is left")
    expect(not in_any_view(key_exists, "HKLM", INSTALLER_PRODUCTS + "\\" + packed_guid(code)),
           "the Installer product is left")
    expect(not in_any_view(value_exists, "HKLM", RUN, sample), "the Run entry is left")
    expect(not value_exists("HKCU", LAYERS, folder + r"\sample.exe", 32), "the compatibility setting is left")
    expect(sample not in listed(cli), "still listed")
    expect_records_gone(cli)

    for path in ("sample.exe", "readme.txt", "user.cfg"):
        expect(os.path.exists(unix_path(sibling_folder + "\\" + path)), f"sibling's {path} is gone")
    expect(in_any_view(key_exists, "HKLM", UNINSTALL + "\\" + sibling_code), "sibling's Uninstall entry is gone")
    expect(in_any_view(key_exists, "HKLM", USER_DATA + "\\" + packed_guid(sibling_code)),
           "sibling's Installer data is gone")
    expect(value_exists("HKLM", RUN, sibling, 32), "sibling's Run entry is gone")
    expect(value_exists("HKCU", LAYERS, sibling_folder + r"\sample.exe", 32), "sibling's compatibility setting is gone")
    expect(sibling in listed(cli), "the sibling is no longer listed")


def check_folder(cli):
    folder, sample = FOLDER_SAMPLE, "Purgeon Uninstall Sample Folder"
    if not expect(os.path.exists(unix_path(folder + r"\tool.exe")), "the sample was not installed"):
        return

    code, out, err = wine(cli, "uninstall", "--folder", "C:\\windows", "--yes")
    expect_equal(code, 3, f"exit code for the Windows folder ({err.strip()})")

    result = uninstall(cli, "--folder", folder)
    if result:
        expect_equal(result["program"], folder, "program")
        expect_equal(result["uninstall_command"], None, "uninstall command")
        removed = result["removed"]
        expect_equal(removed["folders"], [folder + "\\", folder + r"\data"], "folders removed")
        expect_equal(removed["files"], [folder + r"\data\state.ini", folder + r"\tool.exe"], "files removed")
        expect_equal(sorted(removed["registry"]), sorted([
            "HKLM|" + CLASSES + r"\.pusfold",
            "HKLM|" + CLASSES + r"\PurgeonUninstallSampleFolder.Document",
            "HKLM|" + RUN + "|" + sample,
        ]), "registry entries removed")
    check_folder_machine(cli)


def check_folder_machine(cli):
    """The machine after the folder sample's removal, however it was done."""
    folder, sample = FOLDER_SAMPLE, "Purgeon Uninstall Sample Folder"
    sibling = sample + " Extra"
    sibling_folder = "C:\\" + sibling
    expect(not os.path.exists(unix_path(folder)), "the folder is left")
    expect(not in_any_view(key_exists, "HKLM", CLASSES + r"\.pusfold"), "the file type is left")
    expect(not in_any_view(key_exists, "HKLM", CLASSES + r"\PurgeonUninstallSampleFolder.Document"),
           "the file association is left")
    expect(not in_any_view(value_exists, "HKLM", RUN, sample), "the Run entry is left")
    expect_records_gone(cli)

    for path in ("tool.exe", r"data\state.ini"):
        expect(os.path.exists(unix_path(sibling_folder + "\\" + path)), f"sibling's {path} is gone")
    expect(key_exists("HKLM", CLASSES + r"\.pusfoldx", 32), "sibling's file type is gone")
    expect(key_exists("HKLM", CLASSES + r"\PurgeonUninstallSampleFolderExtra.Document\Shell\Open\Command", 32),
           "sibling's file association is gone")
    expect(value_exists("HKLM", RUN, sibling, 32), "sibling's Run entry is gone")


class MappedWindows:
    """Counts the windows mapped on the X display (DISPLAY) while it runs:
    `xev` reports every MapNotify of the root's children, so even a window
    shown for a moment is seen. Under Xvfb without a window manager every
    window Wine shows is such a child."""

    def __enter__(self):
        self.log = tempfile.TemporaryFile()
        self.xev = subprocess.Popen(["xev", "-root", "-event", "substructure"], stdout=self.log,
                                    stderr=subprocess.DEVNULL)
        # xev reports nothing of what was mapped before it listened.
        time.sleep(0.5)
        return self

    def mapped(self):
        self.log.seek(0)
        return [line for line in self.log.read().decode("ascii", "replace").splitlines()
                if line.startswith("MapNotify event")]

    def __exit__(self, *exc):
        time.sleep(0.5)
        self.xev.terminate()
        self.xev.wait()
        return False


def watcher_sees_a_window():
    """The watcher's own check: Wine's Notepad, shown, is seen."""
    with MappedWindows() as windows:
        notepad = subprocess.Popen(["wine", "C:\\windows\\notepad.exe"], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        for _ in range(200):
            if windows.mapped():
                break
            time.sleep(0.1)
        notepad.kill()
        notepad.wait()
        return bool(windows.mapped())


# What the samples' own uninstallers take, which Purgeon neither removes nor
# keeps in its undo sets: their program files, their Uninstall entries, the
# NSIS sample's COM class, the MSI sample's Run value (msiexec removes what
# its package installed) and its Windows Installer data and cached package.
def removed_by_the_uninstallers(what, path):
    lower = path.lower()
    if what == "file gone":
        return path in (
            "Program Files (x86)/Purgeon Uninstall Sample NSIS/sample.exe",
            "Program Files (x86)/Purgeon Uninstall Sample NSIS/sample.dll",
            "Program Files (x86)/Purgeon Uninstall Sample NSIS/uninst.exe",
            "Program Files (x86)/Purgeon Uninstall Sample MSI/sample.exe",
            "Program Files (x86)/Purgeon Uninstall Sample MSI/readme.txt",
        ) or re.fullmatch(r"windows/Installer/[^/]+\.msi", path) is not None
    if what == "key gone":
        owned = [packed_guid(MSI_CODE), packed_guid(MSI_UPGRADE_CODE)] + [
            r"\components" + "\\" + packed_guid(code) for code in MSI_COMPONENTS]
        return (any(part.lower() in lower for part in owned)
                or "\\clsid\\{9c3f6a1e-2b47-4e8d-a5c0-7d1b3e9f2a64}" in lower
                or lower.endswith(r"\uninstall\purgeonuninstallsamplensis")
                or lower.endswith(r"\uninstall" + "\\" + MSI_CODE.lower()))
    if what == "value gone":
        return lower.endswith(r"\currentversion\run|" + f'"{MSI_SAMPLE.lower()}"')
    return False


def check_quiet(cli):
    """Both samples unattended in one run, then their undo sets restored."""
    if not (nsis_installed(cli) and msi_installed(cli)):
        return
    if not expect(watcher_sees_a_window(), "the window watcher did not see Notepad's window"):
        return
    before = snapshot()

    with MappedWindows() as windows:
        code, out, err = wine(cli, "uninstall", "--program", NSIS_SAMPLE, "--program", MSI_SAMPLE,
                              "--quiet", "--yes", "--json", "--timeout", "120")
    expect_equal(windows.mapped(), [], "windows shown during the unattended uninstall")
    if not expect_equal(code, 0, f"purgeon-cli uninstall --quiet (stderr: {err.strip()})"):
        return
    results = json.loads(out.decode("utf-8"))
    if not expect_equal([r["program"] for r in results], [NSIS_SAMPLE, MSI_SAMPLE], "results"):
        return
    nsis, msi = results
    expect_equal(nsis["installer"], "NSIS", "the NSIS sample's family")
    # Its uninstall string carries /S already.
    expect_equal(nsis["uninstall_command"], f'"{NSIS_FOLDER}\\uninst.exe" /S', "NSIS command")
    expect_equal(msi["installer"], "Windows Installer", "the MSI sample's family")
    expect_equal(msi["uninstall_command"], f"MsiExec.exe /X{MSI_CODE} /qn", "MSI command")
    for result in results:
        expect_equal(result["exit_code"], 0, result["program"] + "'s exit code")
        expect_equal(result["not_removed"], [], result["program"] + ": not removed")
    expect_equal(nsis["removed"]["files"], [NSIS_FOLDER + r"\settings.ini"], "NSIS files removed")
    expect_equal(msi["removed"]["files"], [MSI_FOLDER + r"\user.cfg"], "MSI files removed")
    expect_equal(len(nsis["removed"]["registry"]), 4, "NSIS registry entries removed")
    expect_equal(len(msi["removed"]["registry"]), 1, "MSI registry entries removed")
    check_nsis_machine(cli)
    check_msi_machine(cli)

    purgeon_folder = None  # Purgeon's folder in local application data, which holds the sets
    for result in results:
        undo_set = result["undo_set"]
        if not expect(undo_set and os.path.isdir(unix_path(undo_set)), f"no undo set: {undo_set!r}"):
            return
        parent = undo_set.rstrip("\\").rsplit("\\", 1)[0]
        expect(parent.lower().endswith(r"\programdata\purgeon\undo"),
               f"undo set outside the default folder: {undo_set}")
        purgeon_folder = os.path.relpath(os.path.dirname(unix_path(parent)), drive_c())
        # Wine keeps no access rights, so no set can be kept from others:
        # purgeon-cli says so when it writes one and restores it only when trusted.
        code, out, err = wine(cli, "restore", undo_set, "--json", "--trust-set")
        expect_equal(code, 0, f"purgeon-cli restore {undo_set} ({err.strip()})")
        if code == 0:
            restored = json.loads(out.decode("utf-8"))
            expect_equal((restored["refused"], restored["failed"]), ([], []), "restore refused, failed")

    # Everything Purgeon took is back as it was; what differs from before the
    # uninstall is what the uninstallers took themselves, the undo sets and
    # the uninstallers' temporary files.
    after = snapshot()
    changes = differences(before, after)
    unexpected = [(what, path) for what, path in changes
                  if not removed_by_the_uninstallers(what, path)
                  and not (what == "file new" and (path.startswith(purgeon_folder + "/")
                                                   or re.match(r"users/[^/]+/Temp/", path)))]
    expect_equal(unexpected, [], "changes left after the restore")
    for key in (UNINSTALL + r"\PurgeonUninstallSampleNsis", UNINSTALL + "\\" + MSI_CODE):
        expect(("key gone", r"HKEY_LOCAL_MACHINE\Software\Wow6432Node" + key[len("SOFTWARE"):]) in changes,
               f"the uninstallers did not take {key}")


CASES = {"nsis": check_nsis, "msi": check_msi, "folder": check_folder, "quiet": check_quiet,
         "nsis-machine": check_nsis_machine, "msi-machine": check_msi_machine,
         "folder-machine": check_folder_machine}


if __name__ == "__main__":
    sys.exit(main(CASES))
