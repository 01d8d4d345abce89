#!/usr/bin/env python3
"""The MSI under Wine, in a prefix made afresh: a silent install puts the files,
the Start-menu shortcut and the Apps & Features entry in place; the installed
program's first start fills the data folder; a later version replaces this
one; a silent uninstall removes the program and leaves the user's data alone.

Usage: install_test.py --prefix DIR --msi MSI --version VERSION --upgrade-msi MSI --driver EXE --built DIR
"""
import argparse
import filecmp
import glob
import os
import re
import shutil
import subprocess
import sys

SHIPPED = ["Quorrel.exe", "Quorrel.chm", "quorrel-cli.exe"] + [
    f"icon_{n}.bmp" for n in ("dollar", "ccard1", "person", "mail", "appliance", "air1", "phone1",
                              "world", "combolock", "computer1", "phone2", "disk")]
PRODUCT = "Quorrel Desktop Edition"

problems = []


def check(condition, text):
    if not condition:
        problems.append(text)
        print("FAILED:", text)
    return condition


def wine(*args, check_exit=True):
    result = subprocess.run(["wine", *args], capture_output=True, text=True)
    subprocess.run(["wineserver", "-w"])
    if check_exit:
        check(result.returncode == 0, f"wine {' '.join(args)} exited {result.returncode}: {result.stderr[-500:]}")
    return result


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def uninstall_entries(prefix):
    """Apps & Features entries of the product: {key: {value name: text}} from the registry file."""
    with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as f:
        text = f.read()
    entries = {}
    for block in text.split("\n\n"):
        head = re.match(r"\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\([^\]]+)\]", block)
        if not head:
            continue
        values = dict(re.findall(r'^"([^"]+)"="((?:[^"\\]|\\.)*)"', block, re.M))
        if values.get("DisplayName") == PRODUCT:
            entries[head.group(1)] = values
    return entries


def product_icons(prefix):
    with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as f:
        return re.findall(r'"ProductIcon"="([^"]+)"', f.read())


def host_path(prefix, windows):
    """A C:\\ path of the prefix as a host path."""
    return os.path.join(prefix, "drive_c", *windows[3:].replace("\\\\", "\\").split("\\"))


def find_shortcuts(prefix):
    found = []
    for root, _, files in os.walk(os.path.join(prefix, "drive_c")):
        found += [os.path.join(root, f) for f in files if f == "Quorrel.lnk"]
    return found


def main():
    parser = argparse.ArgumentParser()
    for option in ("--prefix", "--msi", "--version", "--upgrade-msi", "--driver", "--built"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()

    prefix = os.path.abspath(args.prefix)
    shutil.rmtree(prefix, ignore_errors=True)
    os.environ.update(WINEPREFIX=prefix, WINEDEBUG="-all",
                      # No add-on downloads, and no menu entries on the host's desktop.
                      WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")
    subprocess.run(["wineboot", "-i"], capture_output=True)
    subprocess.run(["wineserver", "-w"])

    program_folder = os.path.join(prefix, "drive_c", "Program Files", "Quorrel")

    # Silent install: the files, byte for byte, the shortcut, the Apps & Features entry.
    wine("msiexec", "/i", windows_path(args.msi), "/qn")
    for name in SHIPPED:
        installed = os.path.join(program_folder, name)
        check(os.path.isfile(installed) and filecmp.cmp(installed, os.path.join(args.built, name), shallow=False),
              f"{name} is not installed as built")
    installed_names = sorted(os.listdir(program_folder)) if os.path.isdir(program_folder) else []
    check(installed_names == sorted(SHIPPED), f"the program folder holds {installed_names}")
    shortcuts = find_shortcuts(prefix)
    check(len(shortcuts) == 1, f"one Start-menu shortcut expected, found {shortcuts}")
    check(all("Start Menu" + os.sep + "Programs" in s for s in shortcuts), f"shortcut outside the Start menu: {shortcuts}")
    entries = uninstall_entries(prefix)
    check(len(entries) == 1, f"one Apps & Features entry expected, found {len(entries)}")
    for entry in entries.values():
        check(entry.get("DisplayVersion") == args.version, f"DisplayVersion {entry.get('DisplayVersion')}")
        check(entry.get("Publisher") == "The Quorrel Developers", f"Publisher {entry.get('Publisher')}")
    icons = product_icons(prefix)
    check(len(icons) == 1 and os.path.isfile(host_path(prefix, icons[0])), f"product icon {icons}")

    # First start of the installed program, through the driver in the same prefix.
    if shortcuts:
        lnk = "C:\\" + os.path.relpath(shortcuts[0], os.path.join(prefix, "drive_c")).replace("/", "\\")
        result = subprocess.run(["wine", args.driver, "C:\\Program Files\\Quorrel\\Quorrel.exe", lnk],
                                capture_output=True, text=True, timeout=180)
        subprocess.run(["wineserver", "-w"])
        print(result.stdout[-3000:])
        check(result.returncode == 0, "the installed program's first start failed")
    # Wine names the user's folder after the account that runs it.
    data_folders = glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Roaming", "Quorrel"))
    if not check(len(data_folders) == 1, f"one data folder expected, found {data_folders}"):
        return 1
    data_folder = data_folders[0]
    database = os.path.join(data_folder, "QuorrelDPC.qrb")
    if not check(os.path.isfile(database), "no database after the first start"):
        return 1
    with open(database, "rb") as f:
        database_bytes = f.read()

    # The program's own files beside the database: a backup and a journal left by a crash.
    kept = {"QuorrelDPC.qrb.bak1": b"backup", "QuorrelDPC.qrb-journal": b"journal"}
    for name, content in kept.items():
        with open(os.path.join(data_folder, name), "wb") as f:
            f.write(content)

    # A later version replaces this one: still one entry, now of the new version.
    wine("msiexec", "/i", windows_path(args.upgrade_msi), "/qn")
    entries = uninstall_entries(prefix)
    versions = sorted(e.get("DisplayVersion") for e in entries.values())
    check(versions == ["2.3.99.0"], f"after the upgrade the entries are {versions}")
    check(all(os.path.isfile(os.path.join(program_folder, n)) for n in SHIPPED), "files missing after the upgrade")

    # Silent uninstall: the program goes, the user's data stays as it was.
    wine("msiexec", "/x", windows_path(args.upgrade_msi), "/qn")
    check(not os.path.exists(program_folder), f"{program_folder} is still there")
    check(find_shortcuts(prefix) == [], "the shortcut is still there")
    check(uninstall_entries(prefix) == {}, "the Apps & Features entry is still there")
    kept["QuorrelDPC.qrb"] = database_bytes
    for name, content in kept.items():
        path = os.path.join(data_folder, name)
        check(os.path.isfile(path) and open(path, "rb").read() == content, f"the uninstall touched {name}")
    check(all(os.path.isfile(os.path.join(data_folder, n)) for n in SHIPPED if n.startswith("icon_")),
          "the uninstall removed icons from the data folder")

    print(f"{len(problems)} failed" if problems else "installer: install, first start, upgrade, uninstall all as expected")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
