#!/usr/bin/env python3
"""Uninstalls one of the samples that e2e/uninstall.sh installed with
`purgeon-cli uninstall ... --yes --json` and checks the machine afterwards.

    check_uninstall.py PURGEON-CLI CASE

CASE is nsis (the NSIS program, through its own uninstaller), msi (the Windows
Installer package, through msiexec) or folder (the portable program, by its
folder). Each checks that the program and its traces are gone, that what its
own uninstaller left behind was removed by Purgeon and nothing else, and that
its sibling (same publisher, names beginning alike, values in the same Run
key) is untouched. The registry is read with `wine reg query`, the files
through the prefix's drive, both independently of Purgeon. Exit code 0 when
the case holds, 1 otherwise.
"""

import json
import os
import sys

# What the checkers share is in e2e/common.py.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
from common import (CLASSES, INSTALLER_PRODUCTS, LAYERS, RUN, SHARED_DLLS, UNINSTALL,  # noqa: E402
                    expect, expect_equal, key_exists, main, packed_guid, value_exists, wine)

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


def check_nsis(cli):
    sample, sibling = "Purgeon Uninstall Sample NSIS", "Purgeon Uninstall Sample NSIS Extra"
    folder, sibling_folder = PROGRAM_FILES_32 + "\\" + sample, PROGRAM_FILES_32 + "\\" + sibling
    key, sibling_key = UNINSTALL + r"\PurgeonUninstallSampleNsis", UNINSTALL + r"\PurgeonUninstallSampleNsisExtra"
    clsid = CLASSES + r"\CLSID\{9C3F6A1E-2B47-4E8D-A5C0-7D1B3E9F2A64}"
    sibling_clsid = CLASSES + r"\CLSID\{5E0B8C2A-7F31-4D6A-9B84-2C6E1F0A3D59}"
    programs = listed(cli)
    if not expect(sample in programs and sibling in programs, f"the samples are not listed: {sorted(programs)}"):
        return
    expect(key_exists("HKLM", clsid, 32), "the sample's COM class was not registered")

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


def check_msi(cli):
    sample, sibling = "Purgeon Uninstall Sample MSI", "Purgeon Uninstall Sample MSI Extra"
    code, sibling_code = "{2F7A9C14-6B3E-4D58-8A1F-C0E2D4B6F813}", "{E3B5D7F9-1A2C-4E6B-8D0F-3A5C7E9B1D24}"
    folder, sibling_folder = PROGRAM_FILES_32 + "\\" + sample, PROGRAM_FILES_32 + "\\" + sibling
    programs = listed(cli)
    if not expect(sample in programs and sibling in programs, f"the samples are not listed: {sorted(programs)}"):
        return
    for product in (code, sibling_code):
        expect(in_any_view(key_exists, "HKLM", USER_DATA + "\\" + packed_guid(product)),
               f"no Installer data for {product}")

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
    sample, sibling = "Purgeon Uninstall Sample Folder", "Purgeon Uninstall Sample Folder Extra"
    folder, sibling_folder = "C:\\" + sample, "C:\\" + sibling
    expect(os.path.exists(unix_path(folder + r"\tool.exe")), "the sample was not installed")

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


CASES = {"nsis": check_nsis, "msi": check_msi, "folder": check_folder}


if __name__ == "__main__":
    sys.exit(main(CASES))
