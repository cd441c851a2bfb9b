"""Lists a compound file with olefile and copies out every stream.

usage: olefile_extract.py FILE OUTDIR

Writes OUTDIR/listing.txt, one element a line, tab-separated:
    format  <major version>  <sector size>         (first line)
    storage 0       <path>
    stream  <size>  <path>  <content file name>
paths are UTF-8 with "/" between names. Fails (exit 1) on any defect olefile
notices, however small: a file we write must be clean, not merely readable.
"""
import os
import sys

import olefile


def main(path, outdir):
    ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
    if ole.parsing_issues:
        for kind, message in ole.parsing_issues:
            print(f"olefile: {kind.__name__}: {message}", file=sys.stderr)
        return 1
    os.makedirs(outdir, exist_ok=True)
    lines = [f"format\t{ole.dll_version}\t{ole.sector_size}"]
    for number, names in enumerate(ole.listdir(streams=True, storages=True)):
        joined = "/".join(names)
        kind = ole.get_type(names)
        if kind == olefile.STGTY_STORAGE:
            lines.append(f"storage\t0\t{joined}")
        elif kind == olefile.STGTY_STREAM:
            data = ole.openstream(names).read()
            size = ole.get_size(names)
            if len(data) != size:
                print(f"olefile: {joined}: read {len(data)} bytes of {size}", file=sys.stderr)
                return 1
            content = f"{number}.bin"
            with open(os.path.join(outdir, content), "wb") as out:
                out.write(data)
            lines.append(f"stream\t{size}\t{joined}\t{content}")
        else:
            print(f"olefile: {joined}: unexpected element type {kind}", file=sys.stderr)
            return 1
    ole.close()
    with open(os.path.join(outdir, "listing.txt"), "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
