#!/usr/bin/python3
"""Checks that every #include follows the project's layering.

    check-includes.py [ROOT]      checks the tree at ROOT (default: the project)
    check-includes.py --self-test checks that a forbidden include is caught

The layers, lowest first (docs/architecture.md, "Layering"):
    platform     our layers in place of the operating system, in their own order
    foundation   common/ and the type libraries
    vaultclient  the vault client's components
    servers      the system's servers (they use the vault client, never the reverse)
    explorer     the explorer program
A file may include a header of its own folder, of a folder below it in the
table FOLDER_RANK, or of a folder of the same rank; a folder's tests/ may also
use the test-support folders (TEST_SUPPORT), which sit above what they test. Each header is attributed to the
folder whose include/ directory holds it; includes that no include/ directory
holds (system headers, private headers beside a source) are not checked.
Exits 1, naming file, line and the forbidden edge, when an include breaks the rule.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

# Folder -> rank. A folder may include folders of the same or a lower rank.
# The platform layers have an order among themselves: the operating-system
# layer first, the component runtime on it, compound files and the UI on that.
FOLDER_RANK = {
    "platform/winapi": 0,
    "platform/testsupport": 1,
    "platform/com": 2,
    "platform/com/testing": 3,
    "platform/storage": 3,
    "platform/ui": 3,
    "platform/ui/testing": 4,
    "common": 10,
    "typelibs/bellquist": 10,
    "typelibs/coravent": 11,  # Coravent's records use Bellquist's
    "typelibs/dunmorrow": 10,
    "typelibs/registration": 12,
    "typelibs/testing": 12,
    "vaultclient/vaultdb": 20,
    "vaultclient/tesspur": 20,
    "vaultclient/vennacle": 21,
    "vaultclient/castavy": 21,  # the reference dialog: below the tree component and the unlock command
    "vaultclient/vaultserver": 22,
    "vaultclient/messagetexts": 22,
    "vaultclient/pruvane": 22,
    "vaultclient/gallowick": 22,
    "vaultclient/tavrosk": 22,
    "vaultclient/admin": 22,
    "vaultclient/oxnvault": 22,
    "vaultclient/brevanne": 22,  # the vault object and the client library answer its data provider
    "vaultclient/yandrel": 22,
    "vaultclient/viewserver": 22,
    "vaultclient/orlumb": 22,
    "vaultclient/itemops": 23,  # works through the client library and the vault's interface
    "vaultclient/hastrel": 24,  # its tree items answer the reference dialog's row interfaces
    "itemstore": 30,
    "itemstore/progress": 31,
    "login/table": 30,
    "login": 31,
    "itemgen": 32,
    "itemmanager": 33,
    "explorer": 40,
}

# Test support sits above the layer it tests: every folder's tests/ may use it.
TEST_SUPPORT = {"platform/testsupport", "platform/com/testing", "platform/ui/testing", "typelibs/testing"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")
SKIPPED_DIRS = {".git", ".cache"}


def folder_of(path):
    """The folder of FOLDER_RANK that holds `path` (relative, '/'), longest match."""
    best = None
    for folder in FOLDER_RANK:
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def header_owners(root):
    """Header path as included -> the folder whose include/ directory holds it."""
    owners = {}
    for folder in FOLDER_RANK:
        for include_dir in (os.path.join(root, folder, "include"),):
            if not os.path.isdir(include_dir):
                continue
            for dirpath, _, files in os.walk(include_dir):
                for name in files:
                    full = os.path.join(dirpath, name)
                    owners[os.path.relpath(full, include_dir).replace(os.sep, "/")] = folder
    return owners


def check(root):
    owners = header_owners(root)
    problems = []
    for dirpath, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if d not in SKIPPED_DIRS and not d.startswith("build")]
        for name in files:
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            full = os.path.join(dirpath, name)
            relative = os.path.relpath(full, root).replace(os.sep, "/")
            source_folder = folder_of(relative)
            if source_folder is None:
                continue
            with open(full, encoding="utf-8", errors="replace") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    target = owners.get(match.group(1))
                    if target is None or target == source_folder:
                        continue
                    if target in TEST_SUPPORT and "/tests/" in "/" + relative:
                        continue
                    if FOLDER_RANK[target] > FOLDER_RANK[source_folder]:
                        problems.append(f"{relative}:{number}: {source_folder} may not include "
                                        f"{target} (\"{match.group(1)}\"): {target} is a layer above")
    return problems


def self_test():
    """A tree with one forbidden include must fail the check; one without must pass."""
    with tempfile.TemporaryDirectory() as root:
        def write(path, text):
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as out:
                out.write(text)
        write("common/include/common/registry.h", '#include "winapi/types.h"\n')
        write("platform/winapi/include/winapi/types.h", "\n")
        write("itemstore/include/itemstore/item_object.h", '#include "common/registry.h"\n')
        if check(root):
            print("self-test: a tree that keeps the layering was refused", file=sys.stderr)
            return 1
        write("vaultclient/vennacle/src/sp_mgr.cpp", '#include "itemstore/item_object.h"\n')
        problems = check(root)
        if len(problems) != 1 or "vaultclient/vennacle may not include itemstore" not in problems[0]:
            print(f"self-test: the forbidden include was not reported as such: {problems}", file=sys.stderr)
            return 1
        # The program itself exits 1 on it.
        result = subprocess.run([sys.executable, os.path.abspath(__file__), root], capture_output=True)
        if result.returncode != 1:
            print("self-test: the check did not fail on a forbidden include", file=sys.stderr)
            return 1
    return 0


def main(argv):
    if len(argv) > 1 and argv[1] == "--self-test":
        return self_test()
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    problems = check(root)
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"{len(problems)} include(s) break the layering (see docs/architecture.md)", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
