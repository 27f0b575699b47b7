"""What the end-to-end checkers (e2e/*/check_*.py) share: failures gathered
rather than raised, so that one run reports all of them; programs run in the
prefix named by WINEPREFIX; the registry read with `wine reg query`,
independently of Purgeon; and the checkers' command line.

A checker puts this folder on sys.path from its own location and imports
from here; nothing is installed.
"""

import os
import re
import subprocess
import sys
import tempfile

# Registry paths as Windows names them.
UNINSTALL = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
RUN = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
SHARED_DLLS = r"SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs"
CLASSES = r"SOFTWARE\Classes"
INSTALLER_PRODUCTS = r"SOFTWARE\Classes\Installer\Products"
LAYERS = r"Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers"

failures = []

# The 64-bit test build runs where no 32-bit code does (scripts/wine-mode.sh):
# its samples' setups and Windows Installer are 64-bit programs.
MODE64 = os.environ.get("PURGEON_WINE_MODE") == "64"


def skipped(what, reason):
    """Says that one part of a case was not checked here, and why, in the
    form the test command lists after a run."""
    print(f"[  SKIPPED ] {what}: {reason}")


def expect(condition, message):
    if not condition:
        failures.append(message)
    return condition


def expect_equal(actual, expected, what):
    return expect(actual == expected, f"{what}: got {actual!r}, expected {expected!r}")


def wine(*args, stdin=b"", timeout=300):
    """Runs a program in the prefix: (exit code, standard output as bytes,
    standard error as text). The output goes to files, not pipes: a process
    the program starts that lives on (Wine starts its desktop shell on
    demand) would keep a pipe open long after the program has ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run(["wine", *args], input=stdin, stdout=out, stderr=err, timeout=timeout)
        out.seek(0)
        err.seek(0)
        return done.returncode, out.read(), err.read().decode("utf-8", "replace")


def utf16_order(text):
    """Sort key: by UTF-16 code unit, as Purgeon sorts."""
    return text.encode("utf-16-be")


def packed_guid(guid):
    """A product or component code as Windows Installer names its keys."""
    parts = guid.strip("{}").split("-")
    head = "".join(part[::-1] for part in parts[:3])
    tail = "".join(pair[1] + pair[0] for pair in re.findall("..", parts[3] + parts[4]))
    return head + tail


ROOT_NAMES = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER", "HKU": "HKEY_USERS"}


def reg_query(root, path, view, *options):
    """(values, sub-key names) of a key as `wine reg query` shows it in view
    32 or 64, or None when the key (or the value asked for) does not exist."""
    key = f"{root}\\{path}" if path else root
    code, out, _ = wine("reg", "query", key, *options, f"/reg:{view}")
    if code != 0:
        return None
    values, subkeys = {}, []
    # Lines "    Name    REG_TYPE    data", and sub-keys as full paths (the
    # key's own line only when it has values); reg writes in the OEM code page.
    prefix = (ROOT_NAMES[root] + ("\\" + path if path else "") + "\\").lower()
    for line in out.decode("cp437", "replace").splitlines():
        line = line.rstrip("\r")
        match = re.match(r"^    (.*?)    (REG_[A-Z_]+)    ?(.*)$", line)
        if match:
            values[match.group(1)] = match.group(3)
        elif line.lower().startswith(prefix):
            subkeys.append(line[len(prefix):])
    return values, subkeys


def reg_values(root, path, view):
    """The values of a key in view 32 or 64, or None when it does not exist."""
    found = reg_query(root, path, view)
    return found[0] if found else None


def key_exists(root, path, view):
    return reg_query(root, path, view) is not None


def value_exists(root, path, name, view):
    """Whether reg finds the value (its exit code decides)."""
    return reg_query(root, path, view, "/v", name) is not None


def main(cases, setup=None):
    """check_*.py PURGEON-CLI CASE: runs the case and reports every failure.
    Each case is called with PURGEON-CLI, or with what `setup` makes of it.
    Exit code 0 when the case holds, 1 otherwise, 2 for a usage error."""
    if len(sys.argv) != 3 or sys.argv[2] not in cases:
        print(f"usage: {sys.argv[0]} PURGEON-CLI {{{'|'.join(cases)}}}", file=sys.stderr)
        return 2
    cli = sys.argv[1]
    cases[sys.argv[2]](setup(cli) if setup else cli)
    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    if not failures:
        print(f"{sys.argv[2]}: ok")
    return 1 if failures else 0
