"""Makes the fuzz seed corpus of the compound-file reader (seeds/).

usage: make_seeds.py SEED_WRITER SEEDS_FOLDER

- files we write (SEED_WRITER, the storage_seed_writer program),
- a file the gsf program makes from a small folder tree,
- copies of our version 3 file with one kind of damage each: the shapes a
  reader must refuse or survive, so that the fuzzer starts next to them.

tools/fuzz-storage.sh --make-seeds runs it; the seeds are kept in the
sources, so run it again only when they should change.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

FREE, END_OF_CHAIN, FAT_SECTOR = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD
ENTRY_SIZE = 128


class CompoundFile:
    """Just enough of the layout to damage one structure at a time."""

    def __init__(self, data):
        self.data = bytearray(data)
        self.sector_size = 1 << struct.unpack_from("<H", self.data, 0x1E)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def set_u32(self, offset, value):
        struct.pack_into("<I", self.data, offset, value)

    def sector_offset(self, sector):
        return (sector + 1) * self.sector_size

    def fat_entry_offset(self, sector):
        per_sector = self.sector_size // 4
        fat_sector = self.u32(0x4C + 4 * (sector // per_sector))  # header's table of FAT sectors
        return self.sector_offset(fat_sector) + 4 * (sector % per_sector)

    def entry_offset(self, index):
        """Entries of the first directory sector only."""
        return self.sector_offset(self.u32(0x30)) + index * ENTRY_SIZE

    def find_entry(self, name):
        for index in range(self.sector_size // ENTRY_SIZE):
            offset = self.entry_offset(index)
            length = struct.unpack_from("<H", self.data, offset + 64)[0]
            if length >= 2 and self.data[offset:offset + length - 2].decode("utf-16-le") == name:
                return index
        raise KeyError(name)


def damaged_copies(data):
    """(name, bytes) for each kind of damage, all made from one good file."""
    def variant(change):
        cf = CompoundFile(data)
        change(cf)
        return bytes(cf.data)

    def fat_self_loop(cf):  # the directory's chain points to itself
        first = cf.u32(0x30)
        cf.set_u32(cf.fat_entry_offset(first), first)

    def fat_out_of_range(cf):  # a regular stream's chain leaves the file
        start = cf.u32(cf.entry_offset(cf.find_entry("Regular")) + 116)
        cf.set_u32(cf.fat_entry_offset(start), 0x00FFFFFF)

    def fat_long_loop(cf):  # the last sector of a chain points back to its first
        start = cf.u32(cf.entry_offset(cf.find_entry("Regular")) + 116)
        sector = start
        while cf.u32(cf.fat_entry_offset(sector)) < FAT_SECTOR:
            sector = cf.u32(cf.fat_entry_offset(sector))
        cf.set_u32(cf.fat_entry_offset(sector), start)

    def mini_fat_loop(cf):  # the first mini sector of the small-stream table loops
        cf.set_u32(cf.sector_offset(cf.u32(0x3C)), 0)

    def directory_cycle(cf):  # a storage that holds its own parent
        items = cf.find_entry("Items")
        child = cf.u32(cf.entry_offset(items) + 76)
        cf.set_u32(cf.entry_offset(child) + 76, 0)

    def sibling_cycle(cf):  # an element that is its own left sibling
        index = cf.find_entry("Regular")
        cf.set_u32(cf.entry_offset(index) + 68, index)

    def size_too_large(cf):  # a stream declares far more bytes than its chain holds
        offset = cf.entry_offset(cf.find_entry("Regular")) + 120
        struct.pack_into("<Q", cf.data, offset, 0x7FFFFFF0)

    def size_too_small(cf):  # below the cut-off: read from the mini stream instead
        struct.pack_into("<Q", cf.data, cf.entry_offset(cf.find_entry("Regular")) + 120, 100)

    def sector_count_overflow(cf):  # counts of table sectors near 2^32
        cf.set_u32(0x2C, 0xFFFFFFFF)
        cf.set_u32(0x48, 0xFFFFFFFE)

    def version3_big_sectors(cf):  # version 3 may only have 512-byte sectors
        struct.pack_into("<H", cf.data, 0x1E, 12)

    def byte_order(cf):
        struct.pack_into("<H", cf.data, 0x1C, 0xFEFE)

    def name_too_long(cf):  # a name length of 33 units, no terminator
        index = cf.find_entry("Small")
        offset = cf.entry_offset(index)
        cf.data[offset:offset + 64] = "A".encode("utf-16-le") * 32
        struct.pack_into("<H", cf.data, offset + 64, 66)

    def shared_sector(cf):  # two streams on one chain
        regular = cf.entry_offset(cf.find_entry("Regular")) + 116
        data = cf.entry_offset(cf.find_entry("Small")) + 116
        cf.set_u32(data, cf.u32(regular))
        struct.pack_into("<Q", cf.data, data + 4, 5000)

    yield "truncated-half.cfb", data[: len(data) // 2]
    yield "truncated-header.cfb", data[:300]
    yield "zeroed-header.cfb", bytes(512) + data[512:]
    for change in (fat_self_loop, fat_out_of_range, fat_long_loop, mini_fat_loop, directory_cycle,
                   sibling_cycle, size_too_large, size_too_small, sector_count_overflow,
                   version3_big_sectors, byte_order, name_too_long, shared_sector):
        yield change.__name__.replace("_", "-") + ".cfb", variant(change)


def main(seed_writer, seeds):
    os.makedirs(seeds, exist_ok=True)
    subprocess.run([seed_writer, seeds], check=True)

    with tempfile.TemporaryDirectory() as tree:
        os.makedirs(os.path.join(tree, "Folder", "Nested"))
        with open(os.path.join(tree, "Folder", "Nested", "leaf"), "wb") as out:
            out.write(bytes(range(256)) * 20)
        with open(os.path.join(tree, "Small"), "wb") as out:
            out.write(b"small stream")
        subprocess.run(["gsf", "createole", os.path.abspath(os.path.join(seeds, "gsf-v3.cfb")), "Folder", "Small"],
                       cwd=tree, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    with open(os.path.join(seeds, "written-v3.cfb"), "rb") as source:
        good = source.read()
    for name, data in damaged_copies(good):
        with open(os.path.join(seeds, "damaged-" + name), "wb") as out:
            out.write(data)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or not shutil.which("gsf"):
        print(__doc__.strip().splitlines()[2], "(needs the gsf program)", file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1], sys.argv[2]))
