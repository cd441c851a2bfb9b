"""Overwrites one stream of a compound file in place with olefile.

usage: olefile_overwrite.py FILE STREAM_PATH DATA_FILE

STREAM_PATH is UTF-8 with "/" between names; DATA_FILE must hold exactly as
many bytes as the stream (olefile cannot resize a stream).
"""
import sys

import olefile


def main(path, stream, data_file):
    with open(data_file, "rb") as source:
        data = source.read()
    ole = olefile.OleFileIO(path, write_mode=True)
    ole.write_stream(stream.split("/"), data)
    ole.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
