#!/usr/bin/env python3
"""Installs the build into a temporary prefix and checks what a desktop needs of it."""
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

cmake, build = sys.argv[1], sys.argv[2]
with tempfile.TemporaryDirectory() as prefix:
    subprocess.run([cmake, "--install", build, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    root = Path(prefix)
    failures = []
    for wanted in ["bin/lumisk", "lib/libFormwell.so", "lib/libLumiskPlatform.so",
                   "share/lumisk/Templates", "share/applications/lumisk.desktop"]:
        if not (root / wanted).exists():
            failures.append("missing " + wanted)
    interfaces = root / "share/dbus-1/interfaces"
    for name in ["com.varnsoft.Lumisk", "com.varnsoft.Lumisk.Catalog",
                 "com.varnsoft.Lumisk.CatalogEntry"]:
        path = interfaces / (name + ".xml")
        if not path.exists():
            failures.append("missing " + str(path.relative_to(root)))
            continue
        node = ET.parse(path).getroot()
        if [i.get("name") for i in node.findall("interface")] != [name]:
            failures.append(path.name + " does not describe " + name)
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)
