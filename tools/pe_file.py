"""The two things a release needs from a PE file's headers.

  python3 tools/pe_file.py stamp EXE
    Writes a time stamp made from the file's content (the first four bytes
    of the SHA-256 of the file with stamp and checksum zeroed) into the COFF
    header and then the PE checksum (every link runs it). Like the reproducible
    mode of Microsoft's linkers: the stamp stays what crash dumps and symbol
    stores take it for, one value per distinct program, yet the same
    sources give the same bytes on any day and in any folder; a commit's
    id or time in it would change the file with every commit, README
    included.
  python3 tools/pe_file.py compare A B
    Exits 0 when the two files are the same; otherwise names each differing
    range: offset, PE header field, data directory or section.
  python3 tools/pe_file.py hardening EXE
    Exits 0 when the program has its protections (every link runs it):
    ASLR (DYNAMIC_BASE) with the relocations that let it move, DEP
    (NX_COMPAT), high-entropy addresses (HIGH_ENTROPY_VA) in a 64-bit file,
    no section both writable and executable, and the stack protector's
    failure routine linked in; otherwise names what is missing.
"""
import hashlib
import struct
import sys

# Optional header fields in order, (name, size in PE32, size in PE32+).
OPTIONAL_FIELDS = [
    ("Magic", 2, 2), ("MajorLinkerVersion", 1, 1), ("MinorLinkerVersion", 1, 1),
    ("SizeOfCode", 4, 4), ("SizeOfInitializedData", 4, 4), ("SizeOfUninitializedData", 4, 4),
    ("AddressOfEntryPoint", 4, 4), ("BaseOfCode", 4, 4), ("BaseOfData", 4, 0),
    ("ImageBase", 4, 8), ("SectionAlignment", 4, 4), ("FileAlignment", 4, 4),
    ("MajorOperatingSystemVersion", 2, 2), ("MinorOperatingSystemVersion", 2, 2),
    ("MajorImageVersion", 2, 2), ("MinorImageVersion", 2, 2),
    ("MajorSubsystemVersion", 2, 2), ("MinorSubsystemVersion", 2, 2),
    ("Win32VersionValue", 4, 4), ("SizeOfImage", 4, 4), ("SizeOfHeaders", 4, 4),
    ("CheckSum", 4, 4), ("Subsystem", 2, 2), ("DllCharacteristics", 2, 2),
    ("SizeOfStackReserve", 4, 8), ("SizeOfStackCommit", 4, 8),
    ("SizeOfHeapReserve", 4, 8), ("SizeOfHeapCommit", 4, 8),
    ("LoaderFlags", 4, 4), ("NumberOfRvaAndSizes", 4, 4),
]
COFF_FIELDS = [("Machine", 2), ("NumberOfSections", 2), ("TimeDateStamp", 4),
               ("PointerToSymbolTable", 4), ("NumberOfSymbols", 4),
               ("SizeOfOptionalHeader", 2), ("Characteristics", 2)]
DLL_CHARACTERISTICS = {"HIGH_ENTROPY_VA": 0x20, "DYNAMIC_BASE": 0x40, "NX_COMPAT": 0x100}
SECTION_EXECUTE, SECTION_WRITE = 0x20000000, 0x80000000
# What libssp's __stack_chk_fail writes before it ends the program: the
# file is stripped, so the routine is known by its text.
STACK_CHECK_FAILURE_TEXT = b"*** stack smashing detected ***"
DIRECTORIES = ["export", "import", "resource", "exception", "certificate", "base relocation",
               "debug", "architecture", "global pointer", "TLS", "load config", "bound import",
               "import address", "delay import", "CLR runtime", "reserved"]


class Layout:
    """Where the headers' parts lie: a list of (start, end, name)."""

    def __init__(self, data):
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.parts = [(0, 0x40, "DOS header"), (0x40, pe, "DOS stub"), (pe, pe + 4, "PE signature")]
        at = pe + 4
        for name, size in COFF_FIELDS:
            self.parts.append((at, at + size, "COFF header " + name))
            at += size
        self.stamp = pe + 8
        sections = struct.unpack_from("<H", data, pe + 6)[0]
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = at
        self.plus = struct.unpack_from("<H", data, optional)[0] == 0x20B
        self.fields = {}  # offset of each optional header field
        for name, size32, size64 in OPTIONAL_FIELDS:
            size = size64 if self.plus else size32
            if size:
                self.parts.append((at, at + size, "optional header " + name))
                self.fields[name] = at
                at += size
        self.checksum = self.fields["CheckSum"]
        self.directories = {}  # (address, size) of each data directory
        for name in DIRECTORIES:
            if at + 8 <= optional + optional_size:
                self.parts.append((at, at + 8, "data directory entry: " + name))
                self.directories[name] = struct.unpack_from("<II", data, at)
                at += 8
        self.sections = {}  # characteristics by name
        table = optional + optional_size
        for index in range(sections):
            header = table + 40 * index
            name = data[header:header + 8].rstrip(b"\0").decode("ascii", "replace")
            raw_size, raw_start = struct.unpack_from("<II", data, header + 16)
            self.sections[name] = struct.unpack_from("<I", data, header + 36)[0]
            self.parts.append((header, header + 40, "section header %s" % name))
            self.parts.append((raw_start, raw_start + raw_size, "section %s" % name))

    def place(self, offset):
        for start, end, name in self.parts:
            if start <= offset < end:
                return "%s +0x%x" % (name, offset - start) if name.startswith("section ") \
                    else name
        return "outside the headers and sections (certificate table or appended data)"


def checksum(data, field):
    """The PE checksum: 16-bit words added with their carries, the field
    itself taken as zero, plus the file length."""
    padded = bytes(data[:field]) + b"\0\0\0\0" + bytes(data[field + 4:])
    if len(padded) % 2:
        padded += b"\0"
    total = sum(struct.unpack("<%dH" % (len(padded) // 2), padded))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def stamp(path):
    data = bytearray(open(path, "rb").read())
    # Authenticode pads the file to 8 bytes before its certificate table,
    # and removing a signature keeps that padding: only a file of whole
    # 8-byte units comes back from osslsigncode remove-signature as it was.
    if len(data) % 8:
        print("%s: %d bytes, not a multiple of 8" % (path, len(data)), file=sys.stderr)
        return 1
    layout = Layout(data)
    data[layout.stamp:layout.stamp + 4] = bytes(4)
    data[layout.checksum:layout.checksum + 4] = bytes(4)
    value = int.from_bytes(hashlib.sha256(data).digest()[:4], "little")
    struct.pack_into("<I", data, layout.stamp, value)
    struct.pack_into("<I", data, layout.checksum, checksum(data, layout.checksum))
    open(path, "wb").write(data)
    return 0


def differing_ranges(a, b):
    """(start, end) of each run of differing bytes; runs fewer than 8 bytes
    apart are one."""
    ranges = []
    for offset in range(min(len(a), len(b))):
        if a[offset] != b[offset]:
            if ranges and offset - ranges[-1][1] < 8:
                ranges[-1][1] = offset + 1
            else:
                ranges.append([offset, offset + 1])
    return ranges


def compare(path_a, path_b):
    a, b = open(path_a, "rb").read(), open(path_b, "rb").read()
    if a == b:
        print("same: %s and %s (%d bytes, sha256 %s)" %
              (path_a, path_b, len(a), hashlib.sha256(a).hexdigest()))
        return 0
    print("DIFFERENT: %s and %s" % (path_a, path_b))
    if len(a) != len(b):
        print("  lengths %d and %d" % (len(a), len(b)))
    layout = Layout(a)
    ranges = differing_ranges(a, b)
    for start, end in ranges[:20]:
        first, last = layout.place(start), layout.place(end - 1)
        same_part = first.split(" +0x")[0] == last.split(" +0x")[0]
        print("  0x%06x-0x%06x (%d bytes) in %s: %s / %s" %
              (start, end - 1, end - start, first if same_part else first + " to " + last,
               a[start:min(end, start + 8)].hex(), b[start:min(end, start + 8)].hex()))
    if len(ranges) > 20:
        print("  ... %d ranges in all" % len(ranges))
    return 1


def hardening(path):
    data = open(path, "rb").read()
    layout = Layout(data)
    flags = struct.unpack_from("<H", data, layout.fields["DllCharacteristics"])[0]
    wanted = ["DYNAMIC_BASE", "NX_COMPAT"] + (["HIGH_ENTROPY_VA"] if layout.plus else [])
    missing = [name for name in wanted if not flags & DLL_CHARACTERISTICS[name]]
    if ".reloc" not in layout.sections or not layout.directories["base relocation"][1]:
        missing.append("a .reloc section (without it the loader cannot move the program)")
    missing += ["section %s both writable and executable" % name
                for name, characteristics in layout.sections.items()
                if characteristics & SECTION_EXECUTE and characteristics & SECTION_WRITE]
    if STACK_CHECK_FAILURE_TEXT not in data:
        missing.append("the stack protector's failure routine (-fstack-protector-strong)")
    if missing:
        print("%s: FAIL hardening: %s" % (path, "; ".join(missing)))
        return 1
    print("%s: OK %s, .reloc, no writable code, stack protector" % (path, ", ".join(wanted)))
    return 0


def main(argv):
    if len(argv) == 3 and argv[1] == "stamp":
        return stamp(argv[2])
    if len(argv) == 4 and argv[1] == "compare":
        return compare(argv[2], argv[3])
    if len(argv) == 3 and argv[1] == "hardening":
        return hardening(argv[2])
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
