"""A picture of the prefix's machine, to tell what changed between two
moments: every folder and file of drive C: with its bytes' digest, its
permission bits (Wine keeps the read-only attribute there) and its DOS
attributes, and the registry as the real registry editor exports it
(HKLM\\Software with both views, since the 64-bit view holds Wow6432Node,
and HKCU\\Software). All of it is read independently of Purgeon.
"""

import hashlib
import os
import re
import shutil
import stat
import tempfile

from common import wine

REGISTRY_KEYS = (r"HKEY_LOCAL_MACHINE\Software", r"HKEY_CURRENT_USER\Software")


def drive_c():
    return os.path.join(os.environ["WINEPREFIX"], "drive_c")


def files_snapshot():
    """{path relative to drive C: with "/" between names: description}; a
    folder's path ends in "/"."""
    root, found = drive_c(), {}
    for folder, folders, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        relative = "" if relative == "." else relative + "/"
        found[relative] = "folder"
        for name in folders:
            if os.path.islink(os.path.join(folder, name)):
                found[relative + name] = "link to " + os.readlink(os.path.join(folder, name))
        for name in files:
            path = os.path.join(folder, name)
            if os.path.islink(path):
                found[relative + name] = "link to " + os.readlink(path)
                continue
            with open(path, "rb") as data:
                digest = hashlib.sha256(data.read()).hexdigest()
            try:
                dos = os.getxattr(path, "user.DOSATTRIB").decode("ascii", "replace")
            except OSError:
                dos = ""
            mode = stat.S_IMODE(os.lstat(path).st_mode) & 0o222
            found[relative + name] = f"{digest} write={mode:o} dos={dos}"
    return found


def parse_reg(text):
    """{key: {value name as written: data as written}} of a .reg export,
    continuation lines joined."""
    keys, key, pending = {}, None, ""
    for line in text.splitlines():
        if pending:
            line, pending = pending + line.strip(), ""
        if key is not None and not line.startswith("[") and line.endswith("\\"):
            pending = line[:-1]
            continue
        if line.startswith("[") and line.endswith("]"):
            key = line[1:-1]
            keys[key] = {}
        elif key is not None and line:
            match = re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line)
            if match:
                keys[key][match.group(1)] = match.group(2)
    return keys


def registry_snapshot():
    """{key: {value: data}} of REGISTRY_KEYS, through `reg export`. The
    export is written on drive C: (the prefix reaches no other folder the
    checker can read) and taken away at once."""
    keys = {}
    for number, key in enumerate(REGISTRY_KEYS):
        name = f"purgeon-snapshot-{os.getpid()}-{number}.reg"
        code, _, err = wine("reg", "export", key, "C:\\" + name, "/reg:64", "/y")
        if code != 0:
            raise RuntimeError(f"reg export {key} failed: {err.strip()}")
        with tempfile.TemporaryDirectory() as kept:
            moved = shutil.move(os.path.join(drive_c(), name), os.path.join(kept, name))
            with open(moved, encoding="utf-16") as export:
                keys.update(parse_reg(export.read()))
    return keys


def snapshot():
    # The registry first: its exports pass through drive C:.
    registry = registry_snapshot()
    return {"files": files_snapshot(), "registry": registry}


def differences(before, after):
    """What changed: a list of (what, path) with what one of "file gone",
    "file new", "file changed", "key gone", "key new", "value gone",
    "value new", "value changed"; a value's path is "KEY|NAME"."""
    changes = []
    a, b = before["files"], after["files"]
    for path in sorted(set(a) | set(b)):
        if path not in b:
            changes.append(("file gone", path))
        elif path not in a:
            changes.append(("file new", path))
        elif a[path] != b[path]:
            changes.append(("file changed", path))
    a, b = before["registry"], after["registry"]
    for key in sorted(set(a) | set(b)):
        if key not in b:
            changes.append(("key gone", key))
        elif key not in a:
            changes.append(("key new", key))
        else:
            for value in sorted(set(a[key]) | set(b[key])):
                if value not in b[key]:
                    changes.append(("value gone", key + "|" + value))
                elif value not in a[key]:
                    changes.append(("value new", key + "|" + value))
                elif a[key][value] != b[key][value]:
                    changes.append(("value changed", key + "|" + value))
    return changes
