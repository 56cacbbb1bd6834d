#!/usr/bin/env python3
"""Checks the version resource of a Windows program, as Windows reads it.

Reads the program's RT_VERSION resource from the PE file itself (standard
library only, no Windows tools) and checks that its fixed file and product
versions and its strings FileVersion and ProductVersion are VERSION, that
OriginalFilename is the program's own file name, and that FileDescription
and ProductName are given.

Usage: check-version.py PROGRAM.exe VERSION
"""

import os
import struct
import sys

RT_VERSION = 16
FIXED_INFO_SIGNATURE = 0xFEEF04BD
RESOURCE_DIRECTORY_INDEX = 2


class Fault(Exception):
    pass


def unpack(data, offset, layout):
    try:
        return struct.unpack_from("<" + layout, data, offset)
    except struct.error:
        raise Fault("truncated at offset %#x" % offset) from None


def resource_section(data):
    """The bytes of the resource section, and the RVA they start at."""
    if data[:2] != b"MZ":
        raise Fault("not a PE file")
    (pe_offset,) = unpack(data, 0x3C, "I")
    if data[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise Fault("not a PE file")
    coff = pe_offset + 4
    section_count, optional_size = unpack(data, coff + 2, "H12xH")
    optional = coff + 20
    (magic,) = unpack(data, optional, "H")
    directories = optional + {0x10B: 96, 0x20B: 112}.get(magic, 0)
    if directories == optional:
        raise Fault("unknown optional header %#x" % magic)
    rva, size = unpack(data, directories + 8 * RESOURCE_DIRECTORY_INDEX, "II")
    if size == 0:
        raise Fault("no resources")
    for index in range(section_count):
        header = optional + optional_size + 40 * index
        virtual_size, address, raw_size, raw_offset = unpack(data, header + 8, "IIII")
        if address <= rva < address + max(virtual_size, raw_size):
            start = raw_offset + rva - address
            return data[start:start + size], rva
    raise Fault("the resource directory lies in no section")


def first_entry(section, directory, wanted_id=None):
    """The offset that the directory entry of `wanted_id` (or its first
    entry) points to, and whether it is a subdirectory."""
    named, numbered = unpack(section, directory + 12, "HH")
    for index in range(named + numbered):
        name, target = unpack(section, directory + 16 + 8 * index, "II")
        if wanted_id is None or (not name & 0x80000000 and name == wanted_id):
            return target & 0x7FFFFFFF, bool(target & 0x80000000)
    return None, False


def version_resource(data):
    """The bytes of the first RT_VERSION resource."""
    section, section_rva = resource_section(data)
    offset, is_directory = first_entry(section, 0, RT_VERSION)
    if offset is None:
        raise Fault("no version resource")
    for _ in range(2):  # name, then language
        if not is_directory:
            raise Fault("malformed resource directory")
        offset, is_directory = first_entry(section, offset)
        if offset is None:
            raise Fault("empty resource directory")
    rva, size = unpack(section, offset, "II")
    start = rva - section_rva
    return section[start:start + size]


def align(offset):
    return (offset + 3) & ~3


def read_block(data, offset):
    """One block of VS_VERSIONINFO: its key, value bytes and children, each
    (key, value, children), as the blocks are laid out in UTF-16."""
    length, value_length, value_type = unpack(data, offset, "HHH")
    end = offset + length
    if length < 6 or end > len(data):
        raise Fault("malformed version block at %#x" % offset)
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
        if key_end >= end:
            raise Fault("unterminated key at %#x" % offset)
    key = data[offset + 6:key_end].decode("utf-16-le")
    value_start = align(key_end + 2)
    value_size = value_length * 2 if value_type == 1 else value_length
    value = data[value_start:value_start + value_size]
    children = []
    child = align(value_start + value_size)
    while child < end:
        block = read_block(data, child)
        children.append(block[:3])
        child = align(block[3])
    return key, value, children, end


def version_info(data):
    """The fixed file and product versions, and the strings of the first
    string table."""
    key, fixed, children, _ = read_block(data, 0)
    if key != "VS_VERSION_INFO":
        raise Fault("the version resource starts with %r" % key)
    signature, _, file_ms, file_ls, product_ms, product_ls = unpack(fixed, 0, "6I")
    if signature != FIXED_INFO_SIGNATURE:
        raise Fault("no fixed file information")
    strings = {}
    for child_key, _, tables in children:
        if child_key == "StringFileInfo" and tables:
            for name, text, _ in tables[0][2]:
                strings[name] = text.decode("utf-16-le").rstrip("\0")
    return (file_ms, file_ls), (product_ms, product_ls), strings


def numeric(version):
    """VERSION as the two 32-bit numbers of a fixed version, four parts
    of 16 bits with the missing ones 0."""
    parts = [int(part) for part in version.split(".")] + [0, 0, 0]
    return (parts[0] << 16 | parts[1], parts[2] << 16 | parts[3])


def dotted(pair):
    ms, ls = pair
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def check(program, version):
    """The faults of the version resource of `program`; none when it is
    as expected."""
    with open(program, "rb") as file:
        data = file.read()
    file_version, product_version, strings = version_info(version_resource(data))
    expected = {
        "FileVersion": version,
        "ProductVersion": version,
        "OriginalFilename": os.path.basename(program),
    }
    faults = []
    for name, fixed in (("file", file_version), ("product", product_version)):
        if fixed != numeric(version):
            faults.append("fixed %s version %s, not %s" %
                          (name, dotted(fixed), dotted(numeric(version))))
    for name, text in expected.items():
        if strings.get(name) != text:
            faults.append("%s %r, not %r" % (name, strings.get(name), text))
    for name in ("FileDescription", "ProductName"):
        if not strings.get(name):
            faults.append("no %s" % name)
    return faults, strings


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: check-version.py PROGRAM.exe VERSION\n")
        return 2
    program, version = sys.argv[1:]
    try:
        faults, strings = check(program, version)
    except (Fault, OSError) as error:
        print("%s: %s" % (program, error))
        return 1
    for fault in faults:
        print("%s: %s" % (program, fault))
    if faults:
        return 1
    print("%s: version %s, \"%s\" of %s, originally %s" %
          (program, strings["FileVersion"], strings["FileDescription"],
           strings["ProductName"], strings["OriginalFilename"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
