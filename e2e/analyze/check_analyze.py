#!/usr/bin/env python3
"""Checks `purgeon-cli analyze` against the sample programs that
e2e/analyze.sh installs.

    check_analyze.py PURGEON-CLI CASE

Every expected trace is first looked up with `wine reg query` (what the
registry holds, in which view, read independently of Purgeon), so that a
check never trusts an expectation the installers did not make true. Then the
analysis must report exactly the expected folders, files and registry
entries, in its order: nothing is missing, and nothing else is there, in
particular nothing of the second program beside each sample whose folder name
begins with the same letters. All in the prefix named by WINEPREFIX.
Exit code 0 when the case holds, 1 otherwise.
"""

import json
import os
import sys

# What the checkers share is in e2e/common.py.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
import common  # noqa: E402
from common import (CLASSES, LAYERS, ROOT_NAMES, RUN, SHARED_DLLS, UNINSTALL, expect, failures,  # noqa: E402
                    main, packed_guid, reg_query, utf16_order, wine)

USER_DATA = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\UserData"
PROGRAM_FILES_32 = "C:\\Program Files (x86)\\"
PROGRAM_FILES_64 = "C:\\Program Files\\"

# The identities e2e/analyze.sh gives the samples.
NSIS_GUID = {"": "{7A3E1C50-94B2-4D6F-8E1A-2C4B6D8F0A1%s}", "Two": "{7A3E1C50-94B2-4D6F-8E1A-2C4B6D8F0A2%s}"}
MSI64_GUID = {"": "{6C0E5A31-2B7D-4E19-A4F8-3D5B7C9E1F0%s}", "Two": "{6C0E5A31-2B7D-4E19-A4F8-3D5B7C9E1F1%s}"}
MSI32_GUID = "{4F1C2B3A-6D5E-4B7A-9C8D-0E1F2A3B4C2%s}"  # e2e/analyze/msi32.wxs

# What the custom uninstall wizard says of a folder it refuses.
REFUSED = ("As %s directory is highly associated with Windows system and files,\n we do not "
           "recommend to scan this directory to avoid any risk of damaging your system "
           "performance and stability. \nPlease select the appropriate directory where the "
           "program has been installed.")


def expect_equal(actual, expected, what):
    """common.expect_equal; two lists that differ are reported by what is
    missing and what is unexpected, as the analysis reports long lists."""
    if actual == expected or not (isinstance(actual, list) and isinstance(expected, list)):
        return common.expect_equal(actual, expected, what)
    missing = [x for x in expected if x not in actual]
    extra = [x for x in actual if x not in expected]
    failures.append(f"{what}:\n  missing {missing}\n  unexpected {extra}\n  got {actual}")
    return False


def entry_exists(entry, view):
    """Whether a registry entry in the analysis' notation (ROOT|key or
    ROOT|key|value) exists in the given view, by `wine reg query`."""
    pieces = entry.split("|")
    if pieces[0] not in ROOT_NAMES or len(pieces) not in (2, 3):
        return False
    if len(pieces) == 2:
        return reg_query(pieces[0], pieces[1], view) is not None
    found = reg_query(pieces[0], pieces[1], view, "/v", pieces[2])
    return found is not None and pieces[2] in found[0]


def expect_entries_in_view(entries, view, what):
    for entry in entries:
        expect(entry_exists(entry, view), f"{what}: {entry} is not in the {view}-bit view")


def analyze(cli, *args):
    """purgeon-cli analyze ... --json, checked for form."""
    code, out, err = wine(cli, "analyze", *args, "--json")
    if not expect_equal(code, 0, f"analyze {args} exit code (stderr: {err.strip()})"):
        return {"program": "", "folders": [], "files": [], "registry": []}
    result = json.loads(out.decode("utf-8"))  # a parse error fails the test
    expect_equal(sorted(result), ["files", "folders", "program", "registry"], "keys of the result")
    for key in ("folders", "files"):
        expect_equal(result[key], sorted(result[key], key=utf16_order), f"{key} in code-unit order")
    expect_equal(result["registry"], sorted(result["registry"], key=utf16_order), "registry in code-unit order")
    return result


def listed(cli, name):
    code, out, _ = wine(cli, "list", "--json")
    if not expect_equal(code, 0, "purgeon-cli list exit code"):
        return {}
    for program in json.loads(out.decode("utf-8")):
        if program["name"] == name:
            return program
    failures.append(f"{name!r} is not listed")
    return {}


def expect_result(result, folders, files, registry, what):
    expect_equal(result["folders"], sorted(folders, key=utf16_order), f"{what}: folders")
    expect_equal(result["files"], sorted(files, key=utf16_order), f"{what}: files")
    expect_equal(result["registry"], sorted(registry, key=utf16_order), f"{what}: registry")


def expect_nothing_of(result, marks, what):
    """No found path or entry names any of `marks` (letter case ignored)."""
    for item in result["folders"] + result["files"] + result["registry"]:
        for mark in marks:
            expect(mark.lower() not in item.lower(), f"{what}: {item} belongs to another program")


def user_hives_with(path, value):
    """The HKEY_USERS hives whose `path` holds `value`."""
    found = reg_query("HKU", "", 64)
    hives = found[1] if found else []
    return [h for h in hives if entry_exists(f"HKU|{h}\\{path}|{value}", 64)]


def nsis_traces(suffix):
    """The registry entries the NSIS sample writes (com_sample.nsi), in the
    analysis' notation, and its install folder."""
    folder = PROGRAM_FILES_32 + "Purgeon Analyze Sample" + suffix + "\\"
    guid = NSIS_GUID[suffix]
    hklm = [
        f"HKLM|{UNINSTALL}\\PurgeonAnalyzeSample{suffix}",
        f"HKLM|{CLASSES}\\PurgeonAnalyzeSample{suffix}.Document",
        f"HKLM|{CLASSES}\\.pasample{suffix}",
        f"HKLM|{CLASSES}\\TypeLib\\{guid % 2}",
        f"HKLM|{CLASSES}\\CLSID\\{guid % 1}",
        f"HKLM|{CLASSES}\\PurgeonAnalyzeSample{suffix}.Object.1",
        f"HKLM|{CLASSES}\\Interface\\{guid % 3}",
        f"HKLM|{RUN}|PurgeonAnalyzeSample{suffix}",
        f"HKLM|{SHARED_DLLS}|{folder}plugins\\server.dll",
    ]
    hkcu = [f"HKCU|{RUN}|PurgeonAnalyzeSample{suffix}User"]
    return folder, hklm, hkcu


def check_nsis(cli):
    folder, hklm, hkcu = nsis_traces("")
    # The installer is 32-bit: its machine-wide entries are in the 32-bit view.
    expect_entries_in_view(hklm, 32, "NSIS sample")
    expect_entries_in_view(hkcu, 32, "NSIS sample")
    expect(not entry_exists(hklm[0], 64), "the NSIS sample's Uninstall key is in the 64-bit view")
    hives = user_hives_with(LAYERS, folder + "app.exe")
    expect(hives, "the compatibility layer of the NSIS sample is in no user hive")
    layers = [f"HKU|{h}\\{LAYERS}|{folder}app.exe" for h in hives]
    # The second program's traces are there to be found.
    _, two_hklm, two_hkcu = nsis_traces("Two")
    expect_entries_in_view(two_hklm + two_hkcu, 32, "NSIS SampleTwo")

    expect_equal(listed(cli, "Purgeon Analyze Sample").get("install_location"), folder, "install_location")
    result = analyze(cli, "--program", "purgeon analyze SAMPLE ")
    expect_equal(result["program"], "Purgeon Analyze Sample", "program")
    expect_result(
        result,
        [folder, folder + "Linked", folder + "data", folder + "data\\cache", folder + "plugins"],
        [folder + name for name in
         ("app.exe", "app.tlb", "uninst.exe", "plugins\\server.dll", "data\\cache\\state.bin")],
        hklm + hkcu + layers, "NSIS sample")
    expect_nothing_of(result, ["SampleTwo", NSIS_GUID["Two"].split("%")[0]], "NSIS sample")


def check_link(cli):
    """The folder link inside the NSIS sample's folder is recorded, and what
    it leads to is not, though Wine lists the target through it."""
    folder = PROGRAM_FILES_32 + "Purgeon Analyze Sample\\"
    link = folder + "Linked"
    code, out, _ = wine("cmd", "/c", "dir", "/b", "/s", link)
    through = out.decode("cp437", "replace")
    expect(code == 0 and "keep.txt" in through and "keep2.txt" in through,
           f"Wine does not list the link's target through it: {through!r}")
    for args in (["--program", "Purgeon Analyze Sample"], ["--folder", folder[:-1]]):
        result = analyze(cli, *args)
        expect(link in result["folders"], f"analyze {args}: the link is not recorded")
        for path in result["folders"] + result["files"]:
            expect(not path.lower().startswith(link.lower() + "\\"),
                   f"analyze {args}: walked through the link: {path}")
            expect("outside" not in path.lower(), f"analyze {args}: reached the target: {path}")
        expect(any(p.endswith("\\state.bin") for p in result["files"]),
               f"analyze {args}: the install folder was not walked")


def msi_keys(code, components, view):
    """The UserData product and component keys of a product, from the
    registry, in the analysis' notation: (sid, product entry, component
    entries) or None when the view holds no such product."""
    found = reg_query("HKLM", USER_DATA, view)
    for sid in (found[1] if found else []):
        product = f"{USER_DATA}\\{sid}\\Products\\{packed_guid(code)}"
        if reg_query("HKLM", product, view) is not None:
            return (f"HKLM|{product}",
                    [f"HKLM|{USER_DATA}\\{sid}\\Components\\{packed_guid(c)}" for c in components])
    return None


def check_msi64(cli):
    name = "Purgeon Analyze Sample MSI64"
    folder = PROGRAM_FILES_64 + name + "\\"
    guid = MSI64_GUID[""]
    code = guid % 1
    record = listed(cli, name)
    expect_equal(record.get("is64bit"), True, "is64bit of the x64 package")
    expect_equal(record.get("install_location"), folder, "install_location of the x64 package")
    # Windows Installer's records of the product are in the 64-bit view.
    keys = msi_keys(code, [guid % 3, guid % 4], 64)
    if not expect(keys is not None, "no UserData product of the x64 package in the 64-bit view"):
        return
    product, components = keys
    expect_entries_in_view([product] + components, 64, "x64 package")
    own = [f"HKLM|{UNINSTALL}\\{code}", f"HKLM|{RUN}|PurgeonAnalyzeSampleMSI64",
           f"HKLM|{CLASSES}\\CLSID\\{guid % 5}"]
    expect_entries_in_view(own, 64, "x64 package")
    expect(not entry_exists(own[1], 32), "the x64 package's Run value is in the 32-bit view")
    # The second package's records are there to be found.
    two = MSI64_GUID["Two"]
    two_keys = msi_keys(two % 1, [two % 3, two % 4], 64)
    expect(two_keys is not None, "no UserData product of the second x64 package")

    result = analyze(cli, "--program", name)
    expect_result(result, [folder, folder + "docs"], [folder + "sample64.exe", folder + "docs\\readme.txt"],
                  own + [product] + components, "x64 package")
    expect_nothing_of(result, ["MSI64Two", two.split("%")[0]] + [packed_guid(two % n) for n in (1, 3, 4)],
                      "x64 package")


def check_msi32(cli):
    """A 32-bit package: found like any 32-bit program, but Windows
    Installer's records of it are only in the 64-bit view, which the
    analysis of a 32-bit program (default view) does not search."""
    name = "Purgeon Analyze Sample MSI32"
    folder = PROGRAM_FILES_32 + name + "\\"
    code = MSI32_GUID % 1
    record = listed(cli, name)
    expect_equal(record.get("is64bit"), False, "is64bit of the x86 package")
    expect_equal(record.get("install_location"), folder, "install_location of the x86 package")
    own = [f"HKLM|{UNINSTALL}\\{code}", f"HKLM|{RUN}|PurgeonAnalyzeSampleMSI32",
           f"HKLM|{CLASSES}\\PurgeonAnalyzeSampleMSI32.File", f"HKLM|{CLASSES}\\.pamsi32"]
    expect_entries_in_view(own, 32, "x86 package")
    expect(not entry_exists(own[0], 64), "the x86 package's Uninstall key is in the 64-bit view")
    in64 = msi_keys(code, [MSI32_GUID % 3, MSI32_GUID % 4], 64)
    in32 = msi_keys(code, [MSI32_GUID % 3, MSI32_GUID % 4], 32)
    expect(in64 is not None, "no UserData product of the x86 package in the 64-bit view")
    expect(in32 is None, "a UserData product of the x86 package in the 32-bit view")
    if in64:
        print(f"x86 package: Windows Installer keeps {in64[0]} and {len(in64[1])} components "
              "in the 64-bit view only; the 32-bit program is analysed in the default view")

    result = analyze(cli, "--program", name)
    expect_result(result, [folder, folder + "docs"], [folder + "sample32.exe", folder + "docs\\readme.txt"],
                  own, "x86 package")


def check_refused(cli):
    """Folders the custom uninstall wizard refuses get its message and exit
    code 3; so does a program that is not installed."""
    for folder in ("C:\\windows", "C:\\windows\\system32", "C:\\", "C:\\Program Files (x86)", " c:\\WINDOWS\\Temp ",
                   # Other spellings, the native program files and their common
                   # files, and folders that hold a user's own: Wine's real ones.
                   "C:/", "C:\\\\", "C:\\Program Files", "C:\\Program Files\\Common Files", "C:\\users",
                   "C:\\ProgramData"):
        code, out, err = wine(cli, "analyze", "--folder", folder, "--json")
        expect_equal(code, 3, f"exit code for {folder!r}")
        expect_equal(out, b"", f"standard output for {folder!r}")
        # The C runtime writes line ends as CR LF.
        expect_equal(err.replace("\r\n", "\n"),
                     REFUSED % folder.strip() + "\n", f"message for {folder!r}")
    code, out, err = wine(cli, "analyze", "--program", "Purgeon Analyze Nothing")
    expect_equal(code, 3, "exit code for a program that is not installed")
    expect_equal(err.replace("\r\n", "\n"),
                 'purgeon-cli: no installed program is named "Purgeon Analyze Nothing"\n',
                 "message for a program that is not installed")


def check_protected(cli):
    """An Uninstall entry whose folder is another spelling of the drive root,
    or the native Program Files of a 64-bit entry: the analysis lists nothing
    below it and ties nothing to it, though every sample lies below."""
    entries = [
        # (name, view, the value that gives its folder, that value)
        ("Purgeon Analyze Bad Root", 32, "UninstallString", "C:\\\\uninst.exe"),
        ("Purgeon Analyze Bad Slash", 32, "InstallLocation", "C:/"),
        ("Purgeon Analyze Bad Native", 64, "InstallLocation", "C:\\Program Files"),
    ]
    try:
        for name, view, value, data in entries:
            key = f"HKLM\\{UNINSTALL}\\{name}"
            for field, text in (("DisplayName", name), (value, data)):
                code = wine("reg", "add", key, "/v", field, "/d", text, "/f", f"/reg:{view}")[0]
                expect_equal(code, 0, f"reg add {name} {field}")
            if value != "UninstallString":
                wine("reg", "add", key, "/v", "UninstallString", "/d", "C:\\none\\uninst.exe", "/f",
                     f"/reg:{view}")
        for name, view, _, _ in entries:
            result = analyze(cli, "--program", name)
            expect_result(result, [], [], [f"HKLM|{UNINSTALL}\\{name}"], name)
    finally:
        for name, view, _, _ in entries:
            wine("reg", "delete", f"HKLM\\{UNINSTALL}\\{name}", "/f", f"/reg:{view}")


CASES = {
    "nsis": check_nsis,
    "link": check_link,
    "msi64": check_msi64,
    "msi32": check_msi32,
    "refused": check_refused,
    "protected": check_protected,
}


if __name__ == "__main__":
    sys.exit(main(CASES))
