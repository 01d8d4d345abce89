#!/usr/bin/env python3
"""Checks a compiled Quorrel.chm the way the program and its users rely on it.

    check_chm.py Quorrel.chm

The program opens the help file at five named pages and at one anchor; a
missing page or anchor shows the user an error page instead of help. This
script lists and unpacks the file with chmls (from the same fp-utils package
as chmcmd) and checks:
  - the five pages the program names are inside, and the anchor
    "Quorrel_GeneratePassword" is an id or name in Passwords.html;
  - the project settings: title "Quorrel Help", default topic Introduction.html;
  - every link of every page, of the table of contents and of the index leads
    to a file inside the help file and, when it names an anchor, to an anchor
    that the target page defines;
  - every page appears in the table of contents.
It prints every fault it finds and exits 1 when there is one.
"""

import os
import re
import subprocess
import sys
import tempfile
from html.parser import HTMLParser
from urllib.parse import unquote, urlsplit

PROGRAM_TOPICS = ["Introduction.html", "Passwords.html", "Categories.html",
                  "Preferences.html", "Records.html"]
GENERATOR_TOPIC = ("Passwords.html", "Quorrel_GeneratePassword")
TITLE = "Quorrel Help"
DEFAULT_TOPIC = "Introduction.html"


class PageScan(HTMLParser):
    """Collects the anchors a page defines and the local links it makes."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.anchors = set()
        self.links = []          # (attribute or param, target)
        self._param_name = None

    def handle_starttag(self, tag, attrs):
        attrs = {k.lower(): (v or "") for k, v in attrs}
        for key in ("id", "name"):
            if key in attrs and tag != "param" and tag != "meta":
                self.anchors.add(attrs[key])
        for key in ("href", "src"):
            if key in attrs:
                self.links.append((f"{tag} {key}", attrs[key]))
        # Table of contents and index: <param name="Local" value="...">.
        if tag == "param" and attrs.get("name", "").lower() == "local":
            self.links.append(("param Local", attrs.get("value", "")))


def chmls(*args):
    run = subprocess.run(["chmls", *args], capture_output=True, text=True,
                         errors="replace")
    if run.returncode != 0:
        sys.exit(f"chmls {' '.join(args)} failed:\n{run.stdout}{run.stderr}")
    return run.stdout


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: check_chm.py Quorrel.chm")
    chm = os.path.abspath(sys.argv[1])
    if not os.path.isfile(chm) or os.path.getsize(chm) == 0:
        sys.exit(f"{chm}: missing or empty")
    faults = []

    names = {line.strip()[1:] for line in chmls("-n", "list", chm).splitlines()
             if line.startswith("/") and not line.startswith("/#")
             and not line.startswith("/$") and line.strip() != "/"}
    for topic in PROGRAM_TOPICS:
        if topic not in names:
            faults.append(f"{topic}: not in the help file")

    system = chmls("printsystem", chm)
    title = re.search(r"Title from \[options\]\s*:(.*)", system)
    default = re.search(r"Default topic from \[options\]\s*:(.*)", system)
    # chmls prints the stored strings with their terminating NUL.
    if not title or title.group(1).strip("\x00 \t") != TITLE:
        faults.append(f"title is not {TITLE!r}")
    if not default or default.group(1).strip("\x00 \t") != DEFAULT_TOPIC:
        faults.append(f"default topic is not {DEFAULT_TOPIC}")

    with tempfile.TemporaryDirectory() as out:
        chmls("extractall", chm, out)
        scans = {}
        for name in sorted(names):
            if name.lower().endswith((".html", ".htm", ".hhc", ".hhk")):
                scan = PageScan()
                with open(os.path.join(out, name), encoding="utf-8",
                          errors="replace") as f:
                    scan.feed(f.read())
                scans[name] = scan

    page, anchor = GENERATOR_TOPIC
    if page in scans and anchor not in scans[page].anchors:
        faults.append(f"{page}: no element with id or name {anchor!r}")

    in_contents = set()
    for name, scan in scans.items():
        for where, link in scan.links:
            parts = urlsplit(link)
            if parts.scheme or link.startswith("//"):
                continue      # a web address, opened by the browser
            target = unquote(parts.path) or name
            if target not in names:
                faults.append(f"{name}: {where} {link!r}: no file {target!r}")
                continue
            if name.endswith(".hhc"):
                in_contents.add(target)
            if parts.fragment and target in scans and \
                    parts.fragment not in scans[target].anchors:
                faults.append(f"{name}: {where} {link!r}: no anchor "
                              f"{parts.fragment!r} in {target}")
    for name in scans:
        if name.endswith((".html", ".htm")) and name not in in_contents:
            faults.append(f"{name}: not in the table of contents")

    for fault in faults:
        print(f"FAULT {fault}")
    pages = sum(1 for n in scans if n.endswith((".html", ".htm")))
    links = sum(len(s.links) for s in scans.values())
    print(f"{chm}: {pages} pages, {links} links checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
