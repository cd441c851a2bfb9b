"""Makes a compound file of a folder tree with "gsf createole".

usage: gsf_create.py TREE FILE

Every file of TREE becomes a stream and every folder a storage, named as in
TREE (gsf takes the names relative to the working folder).
"""
import os
import subprocess
import sys


def main(tree, path):
    entries = sorted(os.listdir(tree))
    subprocess.run(["gsf", "createole", os.path.abspath(path), *entries], cwd=tree, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
