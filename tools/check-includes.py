#!/usr/bin/env python3
"""Fails on an include that goes against the direction of the layers.

The system's code is built in layers; each builds on the ones listed after
"on" (and on everything those build on), and never on one above it or beside
it:

    Platform                 on nothing of ours
    Network/HTTP             on Platform
    JSON codec               on Platform          (Network/Protocol/QDJ*)
    Database                 on Network/HTTP, JSON codec
    Network/Protocol         on Database
    Classes/Frame            on Network/Protocol
    Classes/Library          on Classes/Frame
    Classes/Login            on Classes/Frame
    Classes/Sync             on Classes/Frame
    Classes/Customer         on Classes/Frame
    Classes/Catalog          on Classes/Library
    Classes/QuoteOrder       on Classes/Catalog, Classes/Customer
    App                      on every layer      (the composition root)

Where a lower layer needs something a higher one provides (a screen, a
cache to empty at log-out), the higher one installs it through a factory or
a service slot the lower one declares. Tests, benchmarks, fuzz targets and
tools may include anything. Prints each offending file:line.
"""

import os
import re
import sys

# (name, path pattern, layers it builds on directly), lowest first. The first
# pattern that matches a path names its layer.
LAYERS = [
    ("Platform", r"Platform/", []),
    ("Network/HTTP", r"Network/HTTP/", ["Platform"]),
    ("JSON codec", r"Network/Protocol/QDJ[^/]*$", ["Platform"]),
    ("Database", r"Database/", ["Network/HTTP", "JSON codec"]),
    ("Network/Protocol", r"Network/Protocol/", ["Database"]),
    ("Classes/Frame", r"Classes/Frame/", ["Network/Protocol"]),
    ("Classes/Library", r"Classes/Library/", ["Classes/Frame"]),
    ("Classes/Login", r"Classes/Login/", ["Classes/Frame"]),
    ("Classes/Sync", r"Classes/Sync/", ["Classes/Frame"]),
    ("Classes/Customer", r"Classes/Customer/", ["Classes/Frame"]),
    ("Classes/Catalog", r"Classes/Catalog/", ["Classes/Library"]),
    ("Classes/QuoteOrder", r"Classes/QuoteOrder/", ["Classes/Catalog", "Classes/Customer"]),
    ("App", r"App/", None),  # builds on every layer
]

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(path):
    for name, pattern, _ in LAYERS:
        if re.match(pattern, path):
            return name
    return None


def allowed_layers():
    direct = {name: deps for name, _, deps in LAYERS}
    everything = [name for name, _, _ in LAYERS]
    allowed = {}

    def below(name, seen):
        deps = direct[name]
        if deps is None:
            return set(everything)
        out = set()
        for dep in deps:
            if dep in seen:
                raise SystemExit(f"check-includes: the layer list has a cycle through {dep}")
            out.add(dep)
            out |= below(dep, seen | {dep})
        return out

    for name in everything:
        allowed[name] = below(name, {name}) | {name}
    return allowed


def resolve(root, including, target):
    """The include's path from the root: as written, or relative to the including file."""
    if layer_of(target) is not None and os.path.exists(os.path.join(root, target)):
        return target
    beside = os.path.normpath(os.path.join(os.path.dirname(including), target))
    if os.path.exists(os.path.join(root, beside)):
        return beside
    return target


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    allowed = allowed_layers()
    faults = []
    for top in ("Platform", "Network", "Database", "Classes", "App"):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for file in sorted(files):
                if not file.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.relpath(os.path.join(folder, file), root)
                own = layer_of(path)
                if own is None:
                    faults.append(f"{path}:1: the file belongs to no layer; add its folder to tools/check-includes.py")
                    continue
                with open(os.path.join(root, path), encoding="utf-8", errors="replace") as text:
                    for number, line in enumerate(text, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target = resolve(root, path, match.group(1))
                        other = layer_of(target)
                        if other is not None and other not in allowed[own]:
                            faults.append(f"{path}:{number}: {own} may not include {match.group(1)} ({other})")
    for fault in faults:
        print(fault)
    if faults:
        print(f"check-includes: includes against the layer order (see the top of {os.path.relpath(__file__, root)})")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
