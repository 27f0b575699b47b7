#!/usr/bin/env python3
"""Checks purgeon-cli's inventory against the sample programs that
e2e/inventory.sh installs, and against Wine's own list of programs.

    check_inventory.py PURGEON-CLI CASE

Runs `purgeon-cli list --json`, and where a case needs it `wine reg query`
(what the registry holds, read independently of Purgeon) and
`wine uninstaller --list` (the programs Windows' own list shows), all in the
prefix named by WINEPREFIX. The expected values are the ones the installer
sources in this folder write. Exit code 0 when the case holds, 1 otherwise.
"""

import json
import os
import re
import sys

# What the checkers share is in e2e/common.py.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
from common import (INSTALLER_PRODUCTS, MODE64, UNINSTALL, expect, expect_equal, failures,  # noqa: E402
                    main, packed_guid, reg_values, skipped, utf16_order, wine)

USER_DATA = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products"
PROGRAM_FILES_32 = r"C:\Program Files (x86)"
PROGRAM_FILES_64 = r"C:\Program Files"
SAMPLE_MSI_CODE = "{6B1D3F0E-5A4C-4B7E-9C21-0E5F1A2B3C4D}"
COMPONENT_MSI_CODE = "{9A8B7C6D-5E4F-4A3B-8C2D-1E0F9A8B7C6D}"
FIELDS = {
    "name": str, "publisher": str, "version": str, "install_location": str,
    "uninstall_string": str, "display_icon": str, "icon_index": int, "registry_key": str,
    "is64bit": bool,
}
# Entries of the samples that Windows' list shows but the inventory hides on
# purpose: an update (ReleaseType "Update") is not a program of its own.
HIDDEN_BY_RELEASE_TYPE = {"purgeon sample hidden update"}


def name_key(name):
    """The inventory's merge key: trimmed (code <= 32), ASCII letters lowered."""
    trimmed = name.strip("".join(chr(c) for c in range(33)))
    return "".join(c.lower() if "A" <= c <= "Z" else c for c in trimmed)


def inventory(cli):
    """purgeon-cli list --json, checked for form; programs by merge key."""
    code, out, err = wine(cli, "list", "--json")
    if not expect_equal(code, 0, f"purgeon-cli exit code (stderr: {err.strip()})"):
        return {}
    programs = json.loads(out.decode("utf-8"))  # a parse error fails the test
    expect(isinstance(programs, list), "the JSON output is not an array")
    by_key = {}
    for program in programs:
        expect_equal(set(program), set(FIELDS), "keys of a program")
        for field, kind in FIELDS.items():
            expect(isinstance(program.get(field), kind),
                   f"{field} of {program.get('name')!r} is not {kind.__name__}")
        key = name_key(program["name"])
        expect(key not in by_key, f"{program['name']!r} listed twice")
        by_key[key] = program
    keys = [name_key(p["name"]) for p in programs]
    expect(keys == sorted(keys, key=utf16_order), f"not in name order: {keys}")
    return by_key


def program(programs, name):
    found = programs.get(name_key(name))
    expect(found is not None, f"{name!r} is not listed")
    return found


def expect_record(record, expected):
    if record is None:
        return  # already reported as not listed
    for field, value in expected.items():
        expect_equal(record.get(field), value, f"{expected.get('name', record.get('name'))}: {field}")


def check_machine(programs):
    folder = PROGRAM_FILES_32 + "\\Purgeon Sample Machine\\"
    key = UNINSTALL + "\\PurgeonSampleMachine"
    expect(reg_values("HKLM", key, 32) is not None, "the machine entry is not in the 32-bit view")
    expect(reg_values("HKLM", key, 64) is None, "the machine entry is in the 64-bit view")
    expect_record(program(programs, "Purgeon Sample Machine"), {
        "name": "Purgeon Sample Machine", "publisher": "Purgeon Samples Zürich", "version": "1.4.2",
        "install_location": folder, "uninstall_string": f'"{folder}uninst.exe"',
        "display_icon": folder + "uninst.exe", "icon_index": 0,
        "registry_key": "HKLM|" + key, "is64bit": False,
    })


def check_user(programs):
    key = UNINSTALL + "\\PurgeonSampleUser"
    values = reg_values("HKCU", key, 32)
    if not expect(values is not None, "the per-user entry is missing from HKCU"):
        return
    record = program(programs, "Purgeon Sample User")
    folder = values.get("InstallLocation", "") + "\\"
    expect(re.fullmatch(r"C:\\users\\[^\\]+\\AppData\\Local\\Purgeon Sample User\\", folder, re.I),
           f"unexpected per-user folder {folder!r}")
    expect_record(record, {
        "name": "Purgeon Sample User", "publisher": "Purgeon Samples", "version": "0.9",
        "install_location": folder, "uninstall_string": f'"{folder}uninst.exe"',
        "display_icon": folder + "uninst.exe", "icon_index": 65535,  # no index in the source
        "registry_key": "HKCU|" + key, "is64bit": False,
    })


def check_native64(programs):
    key = UNINSTALL + "\\PurgeonSampleNative64"
    expect(reg_values("HKLM", key, 64) is not None, "the 64-bit entry is not in the 64-bit view")
    expect(reg_values("HKLM", key, 32) is None, "the 64-bit entry is in the 32-bit view")
    folder = PROGRAM_FILES_64 + "\\Purgeon Sample Native64\\"
    record = program(programs, "Purgeon Sample Native64")
    expect_record(record, {
        "name": "Purgeon Sample Native64", "publisher": "Purgeon Samples", "version": "6.4",
        # No InstallLocation: the folder comes from the uninstall command.
        "install_location": folder, "uninstall_string": f'"{folder}uninst.exe" /S',
        "icon_index": 65535, "registry_key": "HKLM|" + key, "is64bit": True,
    })
    # No icon anywhere: the system's msiexec.exe stands in.
    if record:
        expect(re.fullmatch(r"C:\\windows\\system32\\msiexec\.exe", record["display_icon"], re.I),
               f"display_icon {record['display_icon']!r}")


def check_duplicate(programs):
    key = UNINSTALL + "\\PurgeonSampleTwice"
    expect(reg_values("HKLM", key, 32) is not None, "the machine entry of the duplicate is missing")
    expect(reg_values("HKCU", key + ".User", 32) is not None,
           "the user entry of the duplicate is missing")
    folder = PROGRAM_FILES_32 + "\\Purgeon Sample Twice\\"
    # One record: the first entry's (HKLM, 32-bit pass) name, version,
    # publisher and key, the uninstall command of the second (HKCU).
    expect_record(program(programs, "Purgeon Sample Twice"), {
        "name": "Purgeon Sample Twice", "publisher": "Purgeon Samples", "version": "2.0",
        "install_location": folder, "uninstall_string": f'"{folder}uninst.exe"',
        "registry_key": "HKLM|" + key, "is64bit": False,
    })


def check_hidden(programs):
    key = UNINSTALL + "\\PurgeonSampleHidden"
    component = reg_values("HKLM", key, 32) or {}
    update = reg_values("HKLM", key + ".Update", 32) or {}
    expect_equal(component.get("SystemComponent"), "0x1", "SystemComponent of the hidden entry")
    expect_equal(update.get("ReleaseType"), " Update ", "ReleaseType of the update entry")
    for name in ("Purgeon Sample Hidden Component", "Purgeon Sample Hidden Update"):
        expect(name_key(name) not in programs, f"{name!r} is listed")


def check_msi(programs):
    key = UNINSTALL + "\\" + SAMPLE_MSI_CODE
    values = reg_values("HKLM", key, 32) or reg_values("HKLM", key, 64)
    if not expect(values is not None, "msiexec wrote no Uninstall entry"):
        return
    product_key = INSTALLER_PRODUCTS + "\\" + packed_guid(SAMPLE_MSI_CODE)
    product = reg_values("HKLM", product_key, 32) or {}
    if MODE64:
        # Windows shares Classes\Installer between the views; Wine does not,
        # and its 64-bit msiexec registers the product in the 64-bit view only.
        skipped("inventory.msi.product_icon", "the product icon a 32-bit msiexec registers in "
                "the 32-bit view: Wine keeps the 64-bit msiexec's out of it, and only the 64-bit "
                "test build runs here")
        product = {}
        expect(reg_values("HKLM", product_key, 64), "msiexec registered no product")
    else:
        expect(product.get("ProductIcon"), "msiexec registered no ProductIcon")
    record = program(programs, "Purgeon Sample MSI")
    expect_record(record, {
        "name": "Purgeon Sample MSI", "publisher": "Purgeon Samples MSI", "version": "3.1.4",
        "install_location": values.get("InstallLocation", ""),
        "uninstall_string": values.get("UninstallString"),
        "registry_key": "HKLM|" + key,
        "is64bit": reg_values("HKLM", key, 32) is None,
    })
    if record:
        expect(SAMPLE_MSI_CODE in record["uninstall_string"], "uninstall_string names no product code")
        # No DisplayIcon in the entry: the icon comes from the product's ProductIcon.
        if "DisplayIcon" not in values and not MODE64:
            expect_equal(record["display_icon"], product.get("ProductIcon"), "display_icon")


def check_msi_component(programs):
    code = COMPONENT_MSI_CODE
    entry_path = UNINSTALL + "\\" + code
    entry = reg_values("HKLM", entry_path, 32) or reg_values("HKLM", entry_path, 64) or {}
    expect_equal(entry.get("SystemComponent"), "0x1", "SystemComponent of the component package")
    properties_path = USER_DATA + "\\" + packed_guid(code) + "\\InstallProperties"
    in_32bit_view = reg_values("HKLM", properties_path, 32)
    properties = in_32bit_view or reg_values("HKLM", properties_path, 64)
    if not expect(properties is not None, "msiexec wrote no InstallProperties"):
        return
    # Hidden in the Uninstall key, listed from the Windows Installer data,
    # with no registry path, in the view that holds that data.
    expect_record(program(programs, "Purgeon Sample MSI Component"), {
        "name": "Purgeon Sample MSI Component", "publisher": "Purgeon Samples MSI", "version": "1.0.7",
        "uninstall_string": properties.get("UninstallString"), "registry_key": "",
        "is64bit": in_32bit_view is None,
    })


def check_matches_wine(programs):
    """Every program Wine's own list shows is listed, and every program listed
    that Wine's list does not show is one found only in the Windows Installer
    data."""
    code, out, err = wine("uninstaller", "--list")
    if not expect_equal(code, 0, f"wine uninstaller --list ({err.strip()})"):
        return
    shown = set()
    for line in out.decode("utf-8", "replace").splitlines():
        if "|||" in line:
            shown.add(name_key(line.rstrip("\r").split("|||", 1)[1]))
    expect(shown, "Wine's list is empty: the samples were not installed")
    for key in sorted(shown - set(programs) - HIDDEN_BY_RELEASE_TYPE):
        failures.append(f"Wine lists {key!r}, purgeon-cli does not")
    for key in sorted(set(programs) - shown):
        expect_equal(programs[key]["registry_key"], "",
                     f"{programs[key]['name']!r} is listed but not in Wine's list; registry_key")


CASES = {
    "machine": check_machine,
    "user": check_user,
    "native64": check_native64,
    "duplicate": check_duplicate,
    "hidden": check_hidden,
    "msi": check_msi,
    "msi_component": check_msi_component,
    "matches_wine": check_matches_wine,
}


if __name__ == "__main__":
    sys.exit(main(CASES, setup=inventory))
