"""Size benchmark (run by scripts/bench.sh): the three shipped programs of the
i686 build, with targets, and where their bytes come from.

  - VLSetup.exe minus its embedded payload (target: at most 200 KB, pictures
    and dialogs included);
  - Vellomar.exe and VLUninstall.exe (target: at most 64 KB each).

The breakdown reads the link map each program leaves beside itself
(cmake/lean.cmake): bytes per output section, and the largest inputs (our
libraries by source file, system libraries by archive) over the sections
that take file space. Section sizes are before the file's 512-byte alignment,
so they add up to a little less than the file. Run `scripts/bench.sh size`.
"""
import collections
import os
import re
import sys

KB = 1024
TARGETS = {"VLSetup.exe": 200 * KB, "Vellomar.exe": 64 * KB, "VLUninstall.exe": 64 * KB}
# Sections that take space in the file; .bss and debug sections do not (the
# programs are stripped).
FILE_SECTIONS = (".text", ".rdata", ".data", ".eh_frame", ".idata", ".rsrc", ".reloc", ".CRT", ".tls", ".pdata", ".xdata")
TOP = 12
# Run-time archives: counted as one input each, whatever members they give.
RUNTIME_ARCHIVE = re.compile(r"lib(stdc\+\+|supc\+\+|gcc|gcc_eh|mingw32|mingwex|msvcrt|pthread|moldname)\.a$")

BIN = os.environ["VL_BIN_DIR"]
OUT = os.environ["VL_OUT_DIR"]


def parse_map(path):
    """{(input, section): bytes} from a GNU ld map of a PE program."""
    sizes = collections.Counter()
    section = None
    pending = None
    in_map = False
    with open(path, errors="replace") as f:
        for line in f:
            if line.startswith("Linker script and memory map"):
                in_map = True
                continue
            if not in_map:
                continue
            m = re.match(r"^(\.\S+)(\s+0x[0-9a-f]+\s+0x[0-9a-f]+)?\s*$", line) or \
                re.match(r"^(\.\S+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+\s", line)
            if m:
                section = m.group(1)
                pending = None
                continue
            m = re.match(r"^ (\S+)\s*$", line)
            if m:
                pending = m.group(1)   # a long input-section name; its figures follow
                continue
            m = re.match(r"^ (\S+)?\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
            name = (m.group(1) if m else None) or pending
            pending = None
            if not m or not name or name == "*fill*" or section not in FILE_SECTIONS:
                continue
            sizes[(input_name(m.group(3).strip()), section)] += int(m.group(2), 16)
    return sizes


def input_name(path):
    base = os.path.basename(path)
    if base == "dll stuff":
        return "base relocations"
    if base.endswith(".res"):
        return "resources (%s)" % base
    m = re.match(r"(.*\.a)\((.*)\)$", base)
    if not m:
        return base
    archive, member = m.groups()
    if RUNTIME_ARCHIVE.search(archive) or not member.endswith(".obj"):
        return archive   # the C/C++ runtime or an import library
    return "%s(%s)" % (archive, member[:-len(".obj")])


def report(exe, map_path, minus=0, minus_label=None):
    size = os.path.getsize(exe) - minus
    name = os.path.basename(exe)
    target = TARGETS[name]
    label = "%s minus %s" % (name, minus_label) if minus_label else name
    print("%-32s %8d bytes = %6.1f KB (target <= %d KB): %s"
          % (label, size, size / KB, target // KB, "met" if size <= target else "NOT met, %.1f KB over" % ((size - target) / KB)))
    if not os.path.exists(map_path):
        print("    no link map at %s" % map_path)
        return
    sizes = parse_map(map_path)
    by_section = collections.Counter()
    by_input = collections.Counter()
    for (inp, sec), n in sizes.items():
        by_section[sec] += n
        by_input[inp] += n
    if minus:
        by_section[".rsrc"] -= minus
        for inp in list(by_input):
            if inp.startswith("resources"):
                by_input[inp] -= minus
    print("    sections: " + ", ".join("%s %.1f" % (s, n / KB) for s, n in by_section.most_common() if n > 0) + " (KB)")
    print("    largest inputs (KB):")
    for inp, n in by_input.most_common(TOP):
        print("      %6.1f  %s" % (n / KB, inp))


def main():
    if os.environ.get("VL_ARCH", "i686") != "i686":
        print("WARNING: this is the %s build; the targets are for the i686 build" % os.environ["VL_ARCH"])
    setup = os.path.join(OUT, "VLSetup.exe")
    payload = os.path.join(BIN, "payload.7z")
    report(setup, setup + ".map", os.path.getsize(payload), "payload")
    for name in ("Vellomar.exe", "VLUninstall.exe"):
        exe = os.path.join(BIN, "payload", name)
        report(exe, exe + ".map")


if __name__ == "__main__":
    sys.exit(main())
