#!/usr/bin/env python3
"""floors_check.py [ROOT]: fails when a source file includes a project header from a folder its
floor may not include from. The floors are the table of the README's "Layout" section: a folder
(first column) includes from itself and from the folders named in its last column ("anything",
or "nothing" of the project). A file in a folder without a row fails too."""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.MULTILINE)
TICKED = re.compile(r"`([^`]+/)`")


def read_floors(readme):
    """{folder: allowed folders, or None for anything} from the Layout section's table."""
    floors = {}
    in_layout = False
    with open(readme, encoding="utf-8") as text:
        for line in text:
            if line.startswith("## "):
                in_layout = line.strip() == "## Layout"
                continue
            if not in_layout or not line.startswith("| `"):
                continue
            cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
            folder = TICKED.fullmatch(cells[0]).group(1)
            allowed = cells[-1]
            floors[folder] = None if allowed == "anything" else TICKED.findall(allowed)
    if not floors:
        sys.exit(f"{readme}: no table in a '## Layout' section")
    return floors


def floor_of(path, floors):
    """The longest folder of the table that holds path, or None."""
    holders = [folder for folder in floors if path.startswith(folder)]
    return max(holders, key=len) if holders else None


def source_files(root):
    for folder, subfolders, files in os.walk(root):
        # Build trees (anywhere), the build folders at the top (build-windeps holds the Windows
        # gateway's libraries, which ./run windows-deps builds) and hidden folders hold no
        # source of the project.
        subfolders[:] = [
            name
            for name in subfolders
            if not name.startswith(".")
            and not (folder == root and name.startswith("build"))
            and not os.path.exists(os.path.join(folder, name, "CMakeCache.txt"))
        ]
        for name in files:
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def project_header(root, including, included):
    """The included file's path from root when it is one of the project's files, else None."""
    for base in ("", os.path.dirname(including)):
        candidate = os.path.normpath(os.path.join(base, included)).replace(os.sep, "/")
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(__file__) + "/..")
    floors = read_floors(os.path.join(root, "README.md"))
    faults = []
    for path in sorted(source_files(root)):
        floor = floor_of(path, floors)
        if floor is None:
            faults.append(f"{path}: its folder has no row in the README's Layout table")
            continue
        allowed = floors[floor]
        if allowed is None:
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            included_paths = INCLUDE.findall(source.read())
        for included in included_paths:
            header = project_header(root, path, included)
            if header is None or header.startswith(floor):
                continue
            if not any(header.startswith(folder) for folder in allowed):
                faults.append(f"{path}: includes {header}, above or beside its floor {floor}")
    for fault in faults:
        print(fault)
    if faults:
        return 1
    print(f"floors kept: {len(floors)} floors")
    return 0


if __name__ == "__main__":
    sys.exit(main())
