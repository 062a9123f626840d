#!/usr/bin/env python3
"""The include check on small trees: it passes a tree whose includes go down
and fails, naming file and line, on one that goes up or sideways."""

import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "check-includes.py")

# A tree that keeps the order: each layer includes one below it.
CLEAN = {
    "Platform/Foundation/Value.h": "",
    "Platform/UIKit/UIView.h": '#include "Platform/Foundation/Value.h"\n',
    "Network/HTTP/Request.h": '#include "Platform/Foundation/Value.h"\n',
    "Network/Protocol/QDJsonParser.h": '#include "Platform/Foundation/Value.h"\n',
    "Database/Model.h": '#include "Network/Protocol/QDJsonParser.h"\n#include <vector>\n',
    "Network/Protocol/LoginMode.h": '#include "Database/Model.h"\n',
    "Classes/Frame/Base.h": '#include "Network/Protocol/LoginMode.h"\n#include "Platform/UIKit/UIView.h"\n',
    "Classes/Library/Grid.h": '#include "Classes/Frame/Base.h"\n',
    "Classes/Customer/List.h": '#include "Classes/Frame/Base.h"\n',
    "Classes/Catalog/Tile.h": '#include "Classes/Library/Grid.h"\n',
    "Classes/QuoteOrder/Order.h": '#include "Classes/Catalog/Tile.h"\n#include "Classes/Customer/List.h"\n',
    "App/main.cpp": '#include "Classes/QuoteOrder/Order.h"\n#include "Classes/Frame/Base.h"\n',
    "tests/Anything.cpp": '#include "App/main.cpp"\n#include "Classes/QuoteOrder/Order.h"\n',
}

# Each case adds one file to the clean tree; None means the check passes.
CASES = [
    ("a lower layer includes a higher one", "Database/Up.cpp", '\n#include "Classes/Frame/Base.h"\n', "Database/Up.cpp:2"),
    ("the data layer includes the session", "Database/Session.cpp", '#include "Network/Protocol/LoginMode.h"\n',
     "Database/Session.cpp:1"),
    ("the JSON codec includes the data layer", "Network/Protocol/QDJsonWriter.cpp", '#include "Database/Model.h"\n',
     "Network/Protocol/QDJsonWriter.cpp:1"),
    ("Platform includes system code", "Platform/Foundation/Bad.cpp", '#include "Network/HTTP/Request.h"\n',
     "Platform/Foundation/Bad.cpp:1"),
    ("a screen includes a sibling it does not build on", "Classes/Catalog/Pick.cpp",
     '#include "Classes/Customer/List.h"\n', "Classes/Catalog/Pick.cpp:1"),
    ("the frame includes a screen", "Classes/Frame/Tabs.cpp", '#include "Classes/Library/Grid.h"\n',
     "Classes/Frame/Tabs.cpp:1"),
    ("an include relative to the file", "Database/Relative.cpp", '#include "../Classes/Frame/Base.h"\n',
     "Database/Relative.cpp:1"),
    ("a folder of no layer", "Classes/Unlisted/Screen.cpp", '#include "Classes/Frame/Base.h"\n',
     "Classes/Unlisted/Screen.cpp:1"),
    ("a screen includes the frame and the data layer", "Classes/Customer/Edit.cpp",
     '#include "Classes/Frame/Base.h"\n#include "Database/Model.h"\n', None),
    ("a protocol file includes the codec beside it", "Network/Protocol/Sync.cpp",
     '#include "Network/Protocol/QDJsonParser.h"\n', None),
    ("a test includes the composition root", "tests/More.cpp", '#include "App/main.cpp"\n', None),
]


def run(tree):
    with tempfile.TemporaryDirectory() as root:
        for path, text in tree.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w", encoding="utf-8") as out:
                out.write(text)
        return subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)


class CheckIncludesTest(unittest.TestCase):
    def test_the_clean_tree_passes(self):
        result = run(CLEAN)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout, "")

    def test_cases(self):
        for name, path, text, fault in CASES:
            with self.subTest(name):
                result = run({**CLEAN, path: text})
                if fault is None:
                    self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                else:
                    self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
                    lines = [line for line in result.stdout.splitlines() if line.startswith(fault + ":")]
                    self.assertEqual(len(lines), 1, result.stdout)
                    # Only the added file is named.
                    named = {line.split(":")[0] for line in result.stdout.splitlines() if ":" in line and "/" in line.split(":")[0]}
                    self.assertEqual(named, {path}, result.stdout)


if __name__ == "__main__":
    unittest.main()
