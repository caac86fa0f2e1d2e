#!/usr/bin/env python3
"""floors_check.py [ROOT]: fails when a source file includes a project header from a folder its
floor may not include from, or a system header its floor may not use. The floors are the table of
the README's "Layout" section: a folder (first column) includes from itself and from the folders
named in its last column ("anything", or "nothing" of the project); a folder with a row of its own
inside another is a floor of its own, which the other names like any floor. Where the column
"System headers" says "none", a file includes only the C++ standard library (headers without a
suffix) and the libraries of LIBRARIES. A file in a folder without a row fails too."""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.MULTILINE)
TICKED = re.compile(r"`([^`]+/)`")
# The libraries a floor without system headers may use besides the C++ standard library: the
# same on every system the project builds for.
LIBRARIES = ("sqlite3.h", "mosquitto.h", "httplib.h", "openssl/", "nlohmann/")


def read_floors(readme):
    """{folder: (allowed folders or None for anything, whether system headers are allowed)} from
    the Layout section's table."""
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
            system_headers = len(cells) < 4 or cells[2] != "none"
            floors[folder] = (None if allowed == "anything" else TICKED.findall(allowed),
                              system_headers)
    if not floors:
        sys.exit(f"{readme}: no table in a '## Layout' section")
    return floors


def floor_of(path, floors):
    """The longest folder of the table that holds path, or None."""
    holders = [folder for folder in floors if path.startswith(folder)]
    return max(holders, key=len) if holders else None


def source_files(root):
    for folder, subfolders, files in os.walk(root):
        # Build trees (anywhere), the build folders at the top (build*/, as .gitignore has it:
        # build-windeps/ holds other projects' headers) and hidden folders hold no source of the
        # project.
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


def portable(included):
    """Whether a header that is none of the project's is the C++ standard library's or one of
    LIBRARIES."""
    return "." not in included or included.startswith(LIBRARIES)


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(__file__) + "/..")
    floors = read_floors(os.path.join(root, "README.md"))
    faults = []
    for path in sorted(source_files(root)):
        floor = floor_of(path, floors)
        if floor is None:
            faults.append(f"{path}: its folder has no row in the README's Layout table")
            continue
        allowed, system_headers = floors[floor]
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            included_paths = INCLUDE.findall(source.read())
        for included in included_paths:
            header = project_header(root, path, included)
            if header is None:
                if not system_headers and not portable(included):
                    faults.append(f"{path}: includes <{included}>, a system header its floor "
                                  f"{floor} may not use")
                continue
            if allowed is None or floor_of(header, floors) == floor:
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
