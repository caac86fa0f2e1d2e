#!/usr/bin/env python3
"""The floors check itself, on small trees of its own: a README with a Layout table and a few
sources, one wrong include at a time."""

import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "floors_check.py")

README = """# A project

## Layout

| Folder | What lives there | System headers | Includes from |
|---|---|---|---|
| `core/` | the ground | none | nothing |
| `service/rooms/` | a room | none | `core/` |
| `service/posix/` | the room's system calls | POSIX | `core/` |
| `service/` | the root | none | `core/` `service/rooms/` |

## After
"""

RIGHT = {
    "core/word.h": "#include <string>\n",
    "service/rooms/room.h": '#include <sqlite3.h>\n#include "core/word.h"\n',
    "service/rooms/room.cpp": '#include "service/rooms/room.h"\n',
    "service/posix/calls.cpp": '#include <unistd.h>\n#include "core/word.h"\n',
    "service/root.cpp": '#include "service/rooms/room.h"\n#include <nlohmann/json.hpp>\n',
}


class FloorsCheck(unittest.TestCase):
    def check(self, changes):
        """The check's exit status and output on the right tree with changes (path: text)."""
        with tempfile.TemporaryDirectory() as root:
            for path, text in {"README.md": README, **RIGHT, **changes}.items():
                os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(root, path), "w", encoding="utf-8") as file:
                    file.write(text)
            run = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
            return run.returncode, run.stdout

    def test_a_tree_that_keeps_its_floors_passes(self):
        self.assertEqual(self.check({}), (0, "floors kept: 4 floors\n"))

    def test_an_include_from_above_or_beside_fails_naming_it(self):
        cases = {
            # The ground includes a room above it.
            "core/word.h": '#include "service/rooms/room.h"\n',
            # A room includes the root above it: its parent's folder is not its own.
            "service/rooms/room.cpp": '#include "service/rooms/room.h"\n#include "service/x.h"\n',
            # The root does not name the system's folder.
            "service/root.cpp": '#include "service/posix/calls.h"\n',
        }
        for path, text in cases.items():
            with self.subTest(path):
                status, output = self.check(
                    {path: text, "service/x.h": "", "service/posix/calls.h": ""})
                self.assertEqual(status, 1)
                self.assertIn(f"{path}: includes ", output)
                self.assertIn("above or beside its floor", output)

    def test_a_system_header_fails_only_where_the_floor_has_none(self):
        for header in ("poll.h", "sys/socket.h", "systemd/sd-daemon.h", "malloc.h", "windows.h"):
            with self.subTest(header):
                status, output = self.check(
                    {"service/rooms/room.cpp": f"#include <{header}>\n"})
                self.assertEqual(status, 1)
                self.assertIn(f"service/rooms/room.cpp: includes <{header}>", output)
        self.assertEqual(
            self.check({"service/posix/calls.cpp": "#include <sys/socket.h>\n"})[0], 0)

    def test_a_folder_without_a_row_fails_but_build_folders_hold_no_source(self):
        status, output = self.check({"elsewhere/file.cpp": "\n"})
        self.assertEqual(status, 1)
        self.assertIn("elsewhere/file.cpp: its folder has no row", output)
        built = {"build/CMakeCache.txt": "", "build/x/unity.cpp": '#include "core/x.h"\n',
                 "build-windeps/openssl/include/ssl.h": "#include <windows.h>\n",
                 ".cache/file.h": "\n"}
        self.assertEqual(self.check(built)[0], 0)


if __name__ == "__main__":
    unittest.main()
