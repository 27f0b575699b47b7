#!/usr/bin/env python3
"""Checks of e2e/undo.sh: purgeon-cli's undo sets under Wine.

    check_undo.py PURGEON-CLI CASE

Cases:
  tampered  a set changed in every way a program of the user's could change
            one (files added to its tree for System32 and another program's
            folder, a folder of its tree replaced by a link to System32, a
            record entry outside the starting folders, Run values, a
            debugger and a value on the root key added to its .reg files) is
            restored with --trust-set: drive C: and the registry then differ
            from before only by what the removal took
  full      a set on a small full volume (a tmpfs mapped as drive S:): the
            message names the full volume, the file that did not fit is whole
            where it was, no partial copy is in the set, and the rest is restored
  together  two removals of one program started together: one takes it all,
            the other reports nothing removed, and the sets restore every file
  killed    a removal killed (kill -9) midway: its set, marked stopped midway,
            restores every file that went, byte for byte
"""

import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

# What the checkers share is in e2e/common.py.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
from common import expect, expect_equal, main, skipped, wine  # noqa: E402
from snapshot import differences, drive_c, snapshot  # noqa: E402

RUN = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"


def unix_path(windows_path):
    """A path on drive C: or on another drive of the prefix, as Linux names it."""
    drive = windows_path[0].lower()
    base = drive_c() if drive == "c" else os.path.realpath(
        os.path.join(os.environ["WINEPREFIX"], "dosdevices", drive + ":"))
    return os.path.join(base, *[p for p in windows_path[3:].split("\\") if p])


def make_program(name, files=None):
    """C:\\NAME with a few files (or `files`: relative name -> bytes) and a
    Run value naming its program; returns {relative name: bytes}."""
    files = files or {"app.exe": b"MZ app", "readme.txt": b"read me",
                      "data\\settings.ini": b"[s]\r\nx=1\r\n"}
    root = unix_path("C:\\" + name)
    for relative, data in files.items():
        path = os.path.join(root, *relative.split("\\"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)
    wine("reg", "add", RUN, "/v", name, "/d", f"C:\\{name}\\app.exe", "/f", "/reg:32")
    return files


def uninstall(cli, name, undo_dir, *extra):
    code, out, err = wine(cli, "uninstall", "--folder", "C:\\" + name, "--yes", "--json",
                          "--undo-dir", undo_dir, *extra)
    try:
        result = json.loads(out.decode("utf-8")) if out.strip() else None
    except ValueError:
        result = None
    return code, result, err


def reg_file(set_folder, view):
    return os.path.join(unix_path(set_folder), f"registry-{view}.reg")


def append_reg(path, text):
    old = ""
    if os.path.exists(path):
        with open(path, "rb") as f:
            old = f.read().decode("utf-16")
    if not old:
        old = "\ufeffWindows Registry Editor Version 5.00\r\n\r\n"
    with open(path, "wb") as f:
        f.write(old.encode("utf-16-le") if old.startswith("\ufeff") else
                ("\ufeff" + old).encode("utf-16-le"))
        f.write(text.encode("utf-16-le"))


def check_tampered(cli):
    name = "PurgeonUndoTamper"
    make_program(name)
    code, result, err = uninstall(cli, name, r"C:\PurgeonUndoSets")
    if not expect_equal(code, 0, f"uninstall ({err.strip()})") or not result:
        return
    set_folder = result["undo_set"]
    tree = os.path.join(unix_path(set_folder), "files", "C")
    before = snapshot()

    # Files for places the removal never took.
    for relative in (["windows", "system32", "purgeon-evil.dll"],
                     ["Program Files (x86)", "Common Files", "purgeon-evil.dll"]):
        path = os.path.join(tree, *relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(b"evil")
    # A folder of the tree replaced by a link to System32.
    data = os.path.join(tree, name, "data")
    os.rename(data, data + "-moved")
    os.symlink(os.path.join(drive_c(), "windows", "system32"), data)
    # A record entry outside the starting folders, its file in the tree.
    evil2 = os.path.join(tree, "windows", "purgeon-evil2.dll")
    with open(evil2, "wb") as f:
        f.write(b"evil2")
    record_path = os.path.join(unix_path(set_folder), "manifest.json")
    with open(record_path, encoding="utf-8") as f:
        record = json.load(f)
    record["items"].append({"from": r"C:\windows\purgeon-evil2.dll", "kind": "file",
                            "attributes": 32, "size": 5,
                            "sha256": hashlib.sha256(b"evil2").hexdigest()})
    with open(record_path, "w", encoding="utf-8") as f:
        json.dump(record, f)
    # Registry sections the removal never saved.
    evil = ("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
            "\"PurgeonEvil\"=\"evil.exe\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
            "\"PurgeonEvil\"=\"evil.exe\"\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\"
            "Image File Execution Options\\notepad.exe]\r\n\"Debugger\"=\"evil.exe\"\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\]\r\n\"PurgeonEvil\"=\"x\"\r\n\r\n")
    for view in ("64", "32"):
        append_reg(reg_file(set_folder, view), evil)

    code, out, err = wine(cli, "restore", set_folder, "--json", "--trust-set")
    expect_equal(code, 1, f"restore of a tampered set ({err.strip()})")
    report = json.loads(out.decode("utf-8")) if out.strip() else {}
    for kind in ("ignored", "denied", "damaged"):
        expect(report.get(kind), f"restore reported nothing {kind}: {report}")
    expect(any(p.lower() == f"c:\\{name}\\app.exe".lower() for p in report.get("restored", [])),
           f"app.exe not restored: {report.get('restored')}")

    after = snapshot()
    os.remove(data)
    os.rename(data + "-moved", data)
    allowed_prefixes = (name.lower() + "/", "purgeonundosets/")
    for what, path in differences(before, after):
        if what.startswith("file") and path.lower().startswith(allowed_prefixes):
            continue
        if what == "value new" and path.lower().endswith("\\run|\"" + name.lower() + "\""):
            continue
        if what == "key new" and path.lower().endswith("\\" + name.lower()):
            continue
        expect(False, f"the restore changed what the removal never took: {what} {path}")


def check_full(cli):
    if os.geteuid() != 0:
        skipped("undo.full", "mounting a small volume needs root")
        return
    mount = tempfile.mkdtemp(prefix="purgeon-full-")
    drive = os.path.join(os.environ["WINEPREFIX"], "dosdevices", "s:")
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", mount]).returncode != 0:
        skipped("undo.full", "a tmpfs cannot be mounted here")
        os.rmdir(mount)
        return
    try:
        if os.path.lexists(drive):
            os.remove(drive)
        os.symlink(mount, drive)
        name = "PurgeonUndoFull"
        files = {"app.exe": b"MZ app", "readme.txt": b"read me",
                 "big.bin": bytes(range(256)) * 2048}  # 512 KiB: more than the volume holds
        make_program(name, files)
        code, result, err = uninstall(cli, name, r"S:\Sets")
        expect("volume is full" in err, f"no word of the full volume: {err.strip()}")
        big = unix_path(f"C:\\{name}\\big.bin")
        expect(os.path.exists(big) and open(big, "rb").read() == files["big.bin"],
               "the file that did not fit is not whole where it was")
        # Nothing partial in the set: every file there is as its record has it.
        sets = os.path.join(mount, "Sets")
        for set_name in os.listdir(sets) if os.path.isdir(sets) else []:
            record_path = os.path.join(sets, set_name, "manifest.json")
            with open(record_path, encoding="utf-8") as f:
                record = json.load(f)  # whole: it parses
            sizes = {i["from"].lower(): i.get("size") for i in record["items"] if i["kind"] == "file"}
            for folder, _, names in os.walk(os.path.join(sets, set_name, "files")):
                for one in names:
                    path = os.path.join(folder, one)
                    original = "c:\\" + "\\".join(os.path.relpath(path, os.path.join(
                        sets, set_name, "files", "C")).split(os.sep))
                    expect_equal(os.path.getsize(path), sizes.get(original.lower()),
                                 f"size of {original} in the set")
        if result and result.get("undo_set"):
            code, out, err = wine(cli, "restore", result["undo_set"], "--json", "--trust-set")
            expect_equal(code, 0, f"restore ({err.strip()})")
            for relative, data in files.items():
                path = unix_path(f"C:\\{name}\\{relative}")
                expect(os.path.exists(path) and open(path, "rb").read() == data,
                       f"{relative} not back as it was")
    finally:
        if os.path.lexists(drive):
            os.remove(drive)
        subprocess.run(["umount", mount])
        os.rmdir(mount)


def check_together(cli):
    name = "PurgeonUndoTogether"
    files = {f"part{n // 50}\\file{n}.dat": (f"file {n}\r\n" * 50).encode() for n in range(300)}
    files["app.exe"] = b"MZ app"
    make_program(name, files)
    undo_dir = r"C:\PurgeonUndoSetsTogether"
    runs = []
    for _ in range(2):
        out, err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
        process = subprocess.Popen(["wine", cli, "uninstall", "--folder", "C:\\" + name, "--yes",
                                    "--json", "--undo-dir", undo_dir],
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        runs.append((process, out, err))
    removed = []
    for process, out, err in runs:
        code = process.wait(timeout=240)
        out.seek(0)
        err.seek(0)
        text = out.read().decode("utf-8")
        expect(code in (0, 1), f"exit code {code}: {err.read().decode('utf-8', 'replace')}")
        result = json.loads(text) if text.strip() else {}
        removed.append(set(p.lower() for p in result.get("removed", {}).get("files", [])))
    expect(not (removed[0] & removed[1]), "both runs report the same files removed")
    expect(not os.path.exists(unix_path("C:\\" + name)), "the program's folder stayed")
    for set_name in sorted(os.listdir(unix_path(undo_dir))):
        code, _, err = wine(cli, "restore", undo_dir + "\\" + set_name, "--trust-set")
        expect_equal(code, 0, f"restore {set_name} ({err.strip()})")
    for relative, data in files.items():
        path = unix_path(f"C:\\{name}\\{relative}")
        if not expect(os.path.exists(path), f"{relative} lost"):
            continue
        expect(open(path, "rb").read() == data, f"{relative} changed")


def check_killed(cli):
    name = "PurgeonUndoKilled"
    files = {f"part{n // 100}\\file{n}.dat": (f"file {n}\r\n" * 200).encode() for n in range(3000)}
    files["app.exe"] = b"MZ app"
    make_program(name, files)
    undo_dir = r"C:\PurgeonUndoSetsKilled"
    sets = unix_path(undo_dir)
    # Across volumes every file is copied, checked and deleted one by one:
    # slow enough to be stopped midway. Drive D: is a folder of the work tree.
    work = tempfile.mkdtemp(prefix="purgeon-killed-", dir=os.environ.get("TMPDIR", "/tmp"))
    drive = os.path.join(os.environ["WINEPREFIX"], "dosdevices", "d:")
    if os.path.lexists(drive):
        os.remove(drive)
    os.symlink(work, drive)
    undo_dir = r"D:\Sets"
    sets = os.path.join(work, "Sets")
    try:
        process = subprocess.Popen(["wine", cli, "uninstall", "--folder", "C:\\" + name, "--yes",
                                    "--undo-dir", undo_dir], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Killed once a good part of the files is in the set.
        taken = 0
        for _ in range(600):
            taken = sum(len(names) for _, _, names in os.walk(sets)) if os.path.isdir(sets) else 0
            if taken > 200 or process.poll() is not None:
                break
            time.sleep(0.05)
        killed = subprocess.run(["pkill", "-9", "-f", "purgeon-cli.exe uninstall --folder C:." +
                                 name]).returncode == 0
        process.wait(timeout=60)
        if not expect(killed and taken > 200, f"not killed midway ({taken} files in the set)"):
            return
        code, out, err = wine(cli, "undo-list", "--undo-dir", undo_dir)
        expect("stopped midway" in out.decode("utf-8", "replace"),
               f"undo-list does not say stopped midway: {out!r}")
        for set_name in sorted(os.listdir(sets)):
            # A file killed between its copy and the deletion of its original
            # is in both places: the restore leaves the original (exit code 1).
            code, _, err = wine(cli, "restore", undo_dir + "\\" + set_name, "--trust-set")
            expect(code in (0, 1), f"restore {set_name}: exit code {code} ({err.strip()})")
        for relative, data in files.items():
            path = unix_path(f"C:\\{name}\\{relative}")
            if not expect(os.path.exists(path), f"{relative} lost"):
                continue
            expect(open(path, "rb").read() == data, f"{relative} changed")
    finally:
        os.remove(drive)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main({"tampered": check_tampered, "full": check_full, "together": check_together,
                   "killed": check_killed}))
