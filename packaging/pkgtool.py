#!/usr/bin/env python3
"""Small steps of scripts/package that need exact bytes, with the standard library only.

  pkgtool.py version EXE                     the file version of a PE's version resource, e.g. 1.9.0.0
  pkgtool.py uuid NAMESPACE TEXT             a name-based (v5) UUID in upper case, for codes that must
                                             stay the same from build to build
  pkgtool.py pin-msi MSI EPOCH               fixes what wixl stamps per run: the package code (derived
                                             from the package's own bytes) and the summary's times
  pkgtool.py zip OUT EPOCH FILE=NAME...      a zip with fixed times, modes and order
"""
import hashlib
import struct
import sys
import time
import uuid
import zipfile


# --- PE version resource ---------------------------------------------------------------------------

RT_VERSION = 16
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD


def _sections(pe):
    e_lfanew = struct.unpack_from("<I", pe, 0x3C)[0]
    if pe[e_lfanew:e_lfanew + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    count = struct.unpack_from("<H", pe, e_lfanew + 6)[0]
    optional_size = struct.unpack_from("<H", pe, e_lfanew + 20)[0]
    optional = e_lfanew + 24
    magic = struct.unpack_from("<H", pe, optional)[0]
    data_dirs = optional + (112 if magic == 0x20B else 96)
    rsrc_rva = struct.unpack_from("<I", pe, data_dirs + 2 * 8)[0]
    table = optional + optional_size
    sections = []
    for i in range(count):
        virtual_size, rva, raw_size, raw_ptr = struct.unpack_from("<IIII", pe, table + i * 40 + 8)
        sections.append((rva, max(virtual_size, raw_size), raw_ptr))
    return rsrc_rva, sections


def _rva_to_offset(rva, sections):
    for start, size, raw in sections:
        if start <= rva < start + size:
            return raw + rva - start
    raise ValueError("address outside every section")


def pe_file_version(pe):
    rsrc_rva, sections = _sections(pe)
    if rsrc_rva == 0:
        raise ValueError("no resources")
    base = _rva_to_offset(rsrc_rva, sections)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", pe, directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", pe, directory + 16 + i * 8)
            yield name, target

    def first_leaf(target):
        # Any name and any language will do: the program carries one version resource.
        while target & 0x80000000:
            target = next(entries(base + (target & 0x7FFFFFFF)))[1]
        return target

    for name, target in entries(base):
        if name == RT_VERSION:
            data_rva, size = struct.unpack_from("<II", pe, base + first_leaf(target))
            start = _rva_to_offset(data_rva, sections)
            data = pe[start:start + size]
            # VS_VERSIONINFO: header, the key "VS_VERSION_INFO", padding to 32 bits, VS_FIXEDFILEINFO.
            fixed = (6 + len("VS_VERSION_INFO\0") * 2 + 3) & ~3
            signature, _, ms, ls = struct.unpack_from("<IIII", data, fixed)
            if signature != FIXED_FILE_INFO_SIGNATURE:
                raise ValueError("version resource without fixed file information")
            return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    raise ValueError("no version resource")


# --- MSI summary information, patched in place in the compound file ------------------------------

FREE_SECT, END_OF_CHAIN = 0xFFFFFFFF, 0xFFFFFFFE
PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM = 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64
SUMMARY_STREAM = "\x05SummaryInformation"


class CompoundFile:
    """Just enough of the compound file format to find a stream's bytes and rewrite them in place."""

    def __init__(self, data):
        if data[:8] != bytes.fromhex("D0CF11E0A1B11AE1"):
            raise ValueError("not a compound file")
        self.data = data
        self.sector_size = 1 << struct.unpack_from("<H", data, 0x1E)[0]
        self.mini_size = 1 << struct.unpack_from("<H", data, 0x20)[0]
        fat_count, first_dir = struct.unpack_from("<II", data, 0x2C)
        self.mini_cutoff, first_minifat, _, first_difat, difat_count = struct.unpack_from("<IIIII", data, 0x38)
        fat_sectors = list(struct.unpack_from("<109I", data, 0x4C))
        sector = first_difat
        for _ in range(difat_count):
            per = self.sector_size // 4
            values = struct.unpack_from("<%dI" % per, data, self._offset(sector))
            fat_sectors.extend(values[:-1])
            sector = values[-1]
        self.fat = []
        for s in fat_sectors[:fat_count]:
            self.fat.extend(struct.unpack_from("<%dI" % (self.sector_size // 4), data, self._offset(s)))
        self.minifat = []
        for s in self._chain(first_minifat):
            self.minifat.extend(struct.unpack_from("<%dI" % (self.sector_size // 4), data, self._offset(s)))
        self.entries = {}
        root = None
        for s in self._chain(first_dir):
            for i in range(self.sector_size // 128):
                at = self._offset(s) + i * 128
                entry = data[at:at + 128]
                name_len = struct.unpack_from("<H", entry, 0x40)[0]
                kind = entry[0x42]
                if kind == 0:
                    continue
                name = entry[:max(name_len - 2, 0)].decode("utf-16-le")
                start, size = struct.unpack_from("<IQ", entry, 0x74)
                if self.sector_size == 512:
                    size &= 0xFFFFFFFF
                if kind == 5:
                    root = (start, size)
                self.entries.setdefault(name, (start, size))
        self.mini_stream = list(self._chain(root[0])) if root else []

    def _offset(self, sector):
        return (sector + 1) * self.sector_size

    def _chain(self, sector):
        seen = set()
        while sector not in (END_OF_CHAIN, FREE_SECT):
            if sector in seen:
                raise ValueError("loop in a sector chain")
            seen.add(sector)
            yield sector
            sector = self.fat[sector]

    def stream_offsets(self, name):
        """File offsets of every byte of a stream, in order."""
        start, size = self.entries[name]
        offsets = []
        if size < self.mini_cutoff:
            sector = start
            while sector not in (END_OF_CHAIN, FREE_SECT) and len(offsets) < size:
                at = sector * self.mini_size
                big = self.mini_stream[at // self.sector_size]
                base = self._offset(big) + at % self.sector_size
                offsets.extend(range(base, base + self.mini_size))
                sector = self.minifat[sector]
        else:
            for sector in self._chain(start):
                base = self._offset(sector)
                offsets.extend(range(base, base + self.sector_size))
        if len(offsets) < size:
            raise ValueError("stream %r is shorter than its size" % name)
        return offsets[:size]


def _summary_properties(stream):
    """(pid, type, value offset) of each property of the summary's first property set."""
    set_offset = struct.unpack_from("<I", stream, 28 + 16)[0]
    count = struct.unpack_from("<I", stream, set_offset + 4)[0]
    for i in range(count):
        pid, offset = struct.unpack_from("<II", stream, set_offset + 8 + i * 8)
        at = set_offset + offset
        yield pid, struct.unpack_from("<H", stream, at)[0], at + 4


def pin_msi(path, epoch):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    cfb = CompoundFile(bytes(data))
    offsets = cfb.stream_offsets(SUMMARY_STREAM)
    stream = bytearray(data[o] for o in offsets)
    filetime = struct.pack("<Q", epoch * 10_000_000 + 116_444_736_000_000_000)
    revision = None
    for pid, vt, at in _summary_properties(stream):
        if pid in (PID_CREATE_DTM, PID_LASTSAVE_DTM) and vt == VT_FILETIME:
            stream[at:at + 8] = filetime
        elif pid == PID_REVNUMBER and vt == VT_LPSTR:
            length = struct.unpack_from("<I", stream, at)[0]
            if length < 39:
                raise ValueError("package code too short to replace in place")
            revision = (at + 4, length)
    if revision is None:
        raise ValueError("no package code in the summary information")
    at, length = revision
    # The package code names this exact package: derive it from the bytes with the code blanked.
    stream[at:at + length] = b"{00000000-0000-0000-0000-000000000000}".ljust(length, b"\0")
    for o, b in zip(offsets, stream):
        data[o] = b
    code = "{%s}" % str(uuid.uuid5(uuid.NAMESPACE_OID, hashlib.sha256(data).hexdigest())).upper()
    stream[at:at + length] = code.encode("ascii").ljust(length, b"\0")
    for o, b in zip(offsets, stream):
        data[o] = b
    with open(path, "wb") as f:
        f.write(data)
    return code


# --- zip ---------------------------------------------------------------------------------------------

def write_zip(out, epoch, members):
    # Zip times are local, in two-second steps, from 1980 on; the same number gives the same bytes anywhere.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(out, "w") as z:
        for source, name in sorted(members, key=lambda m: m[1]):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = (0o100755 if name.lower().endswith(".exe") else 0o100644) << 16
            with open(source, "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)


def main(argv):
    if len(argv) >= 2 and argv[0] == "version":
        with open(argv[1], "rb") as f:
            print(pe_file_version(f.read()))
    elif len(argv) == 3 and argv[0] == "uuid":
        print(str(uuid.uuid5(uuid.UUID(argv[1]), argv[2])).upper())
    elif len(argv) == 3 and argv[0] == "pin-msi":
        print(pin_msi(argv[1], int(argv[2])))
    elif len(argv) >= 4 and argv[0] == "zip":
        members = [tuple(m.split("=", 1)) for m in argv[3:]]
        write_zip(argv[1], int(argv[2]), members)
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
