#!/usr/bin/env python3
"""Writes the hostile ZIP packages that the package limits are measured against.

    bench/hostile_packages.py OUTDIR [--small]

makes, in OUTDIR:
  shared.zip   1,000,000 entries (zip64) that all point at one local header of a small
               notification (about 57 MB)
  nested.zip   one deflated member inner.zip holding 4,000,000 entries that share one local
               header (about 600 KB; inner.zip is about 200 MB once inflated)
  folders.zip  3,900 entries whose names are 32,700 folders deep (names of 65,405 bytes)
  deep.zip     one member 3,000 folders deep and one ordinary member beside it
  within.zip   just within the limits where they cost most: 31,000 entries of distinct names of
               1,000 bytes in 60 folders, sharing one local header (a central directory just
               under 32 MiB; the listing's memory limit ends it after some 8,000 items)

--small makes the same shapes a hundred times smaller, for trying the script out. Nothing here
is committed: the files are made where they are measured (bench/check.sh, or by hand with
/usr/bin/time -v build/src/tenvor-cli convert -o OUT OUTDIR/shared.zip).
"""

import argparse
import os
import struct
import zlib

NOTIFICATION = (
    '<?xml version="1.0" encoding="UTF-8"?>\n'
    "<N7130001><_共通部分><事業所整理記号>01-イロハ</事業所整理記号></_共通部分>"
    "<_被保険者><被保険者整理番号>000123</被保険者整理番号></_被保険者></N7130001>\n"
).encode("utf-8")

UTF8_FLAG = 0x0800


def local_header(name, method, crc, compressed, size):
    return (
        struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, UTF8_FLAG, method, 0, 0x21, crc, compressed, size, len(name), 0)
        + name
    )


def central_record(name, method, crc, compressed, size, offset):
    return (
        struct.pack(
            "<IHHHHHHIIIHHHHHII",
            0x02014B50, 45, 20, UTF8_FLAG, method, 0, 0x21, crc, compressed, size, len(name), 0, 0, 0, 0, 0, offset,
        )
        + name
    )


def end_records(entries, directory_offset, directory_bytes):
    """The zip64 end record and locator, then the classic end record (saturated fields)."""
    zip64_at = directory_offset + directory_bytes
    zip64 = struct.pack(
        "<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, entries, entries, directory_bytes, directory_offset
    )
    locator = struct.pack("<IIQI", 0x07064B50, 0, zip64_at, 1)
    classic = struct.pack(
        "<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, min(directory_bytes, 0xFFFFFFFF),
        min(directory_offset, 0xFFFFFFFF), 0,
    )
    return zip64 + locator + classic


def shared_entries(write, count, name, data):
    """An archive of count entries of one name sharing one stored local header, written in parts."""
    crc = zlib.crc32(data)
    header = local_header(name, 0, crc, len(data), len(data))
    write(header + data)
    directory_offset = len(header) + len(data)
    record = central_record(name, 0, crc, len(data), len(data), 0)
    block = record * 10_000
    left = count
    while left > 0:
        take = min(left, 10_000)
        write(block if take == 10_000 else record * take)
        left -= take
    write(end_records(count, directory_offset, len(record) * count))


def write_shared(path, count):
    with open(path, "wb") as out:
        shared_entries(out.write, count, b"7130001.xml", NOTIFICATION)


def write_nested(path, count):
    """The outer archive: its local header is written again once the inner one is deflated."""
    name = b"inner.zip"
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    state = {"crc": 0, "size": 0}
    with open(path, "wb") as out:
        out.write(local_header(name, 8, 0, 0, 0))

        def write(chunk):
            state["crc"] = zlib.crc32(chunk, state["crc"])
            state["size"] += len(chunk)
            out.write(compressor.compress(chunk))

        shared_entries(write, count, b"7130001.xml", NOTIFICATION)
        out.write(compressor.flush())
        compressed = out.tell() - len(local_header(name, 8, 0, 0, 0))
        directory_offset = out.tell()
        record = central_record(name, 8, state["crc"], compressed, state["size"], 0)
        out.write(record)
        out.write(end_records(1, directory_offset, len(record)))
        out.seek(0)
        out.write(local_header(name, 8, state["crc"], compressed, state["size"]))


def write_members(path, members):
    """A plain archive of stored members (name, data)."""
    with open(path, "wb") as out:
        records = []
        for name, data in members:
            offset = out.tell()
            crc = zlib.crc32(data)
            out.write(local_header(name, 0, crc, len(data), len(data)) + data)
            records.append(central_record(name, 0, crc, len(data), len(data), offset))
        directory_offset = out.tell()
        directory = b"".join(records)
        out.write(directory)
        out.write(end_records(len(records), directory_offset, len(directory)))


def write_folders(path, count, depth):
    members = [(b"a/" * depth + b"%d.xml" % i, NOTIFICATION) for i in range(count)]
    write_members(path, members)


def write_deep(path, depth):
    write_members(path, [(b"d/" * depth + b"7130001.xml", NOTIFICATION), (b"7130002.xml", NOTIFICATION)])


def write_within(path, count):
    name_of = lambda i: b"".join(b"%014d/" % (i * 100 + k) for k in range(60)) + b"%036d.xml" % i
    crc = zlib.crc32(NOTIFICATION)
    with open(path, "wb") as out:
        header = local_header(b"7130001.xml", 0, crc, len(NOTIFICATION), len(NOTIFICATION))
        out.write(header + NOTIFICATION)
        directory_offset = out.tell()
        for i in range(count):
            name = name_of(i)
            out.write(central_record(name, 0, crc, len(NOTIFICATION), len(NOTIFICATION), 0))
        directory_bytes = out.tell() - directory_offset
        out.write(end_records(count, directory_offset, directory_bytes))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("outdir")
    parser.add_argument("--small", action="store_true", help="the same shapes a hundred times smaller")
    args = parser.parse_args()
    scale = 100 if args.small else 1
    os.makedirs(args.outdir, exist_ok=True)
    write_shared(os.path.join(args.outdir, "shared.zip"), 1_000_000 // scale)
    write_nested(os.path.join(args.outdir, "nested.zip"), 4_000_000 // scale)
    write_folders(os.path.join(args.outdir, "folders.zip"), 3_900 // scale, 32_700 // scale)
    write_deep(os.path.join(args.outdir, "deep.zip"), 3_000 // scale)
    write_within(os.path.join(args.outdir, "within.zip"), 31_000 // scale)


if __name__ == "__main__":
    main()
