"""Lists a compound file with the gsf program and copies out every stream.

usage: gsf_extract.py FILE OUTDIR

Writes OUTDIR/listing.txt in the format of olefile_extract.py, without the
format line. gsf lists a storage that has no children as a file of size 0,
so such an element appears here as an empty stream.
"""
import os
import re
import subprocess
import sys

# "d                                0 Sub" or "f  2026-12-10 14:15:01        5000 Sub/b.bin"
LINE = re.compile(r"^([df]) +(?:\S+ \S+ +)?(\d+) (.*)$")


def main(path, outdir):
    listing = subprocess.run(["gsf", "list", path], check=True, capture_output=True).stdout.decode("utf-8")
    os.makedirs(outdir, exist_ok=True)
    lines = []
    for number, text in enumerate(listing.splitlines()[1:]):  # the first line names the file
        match = LINE.match(text)
        if not match:
            print(f"gsf: cannot read the listing line {text!r}", file=sys.stderr)
            return 1
        kind, size, name = match.group(1), int(match.group(2)), match.group(3)
        if name == "*root*":
            continue
        if kind == "d":
            lines.append(f"storage\t0\t{name}")
            continue
        data = subprocess.run(["gsf", "cat", path, name], check=True, capture_output=True).stdout
        if len(data) != size:
            print(f"gsf: {name}: read {len(data)} bytes of {size}", file=sys.stderr)
            return 1
        content = f"{number}.bin"
        with open(os.path.join(outdir, content), "wb") as out:
            out.write(data)
        lines.append(f"stream\t{size}\t{name}\t{content}")
    with open(os.path.join(outdir, "listing.txt"), "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
