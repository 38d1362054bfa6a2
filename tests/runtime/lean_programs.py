"""The shipped programs stay lean: none of them may link the pieces of the
C/C++ runtime that the lean build exists to keep out. Reads the "archive
member included" part of each program's link map.
With no throw support linked, nothing in a shipped program can throw, which
is what keeps any exception from unwinding through a window procedure.
Usage: lean_programs.py <program.exe.map>..."""
import re
import sys

# (archive, member pattern, what it is)
FORBIDDEN = [
    (r"libgcc_eh\.a", r".*", "the exception unwinder"),
    (r"lib(win)?pthread\.a", r".*", "the POSIX thread library (std::mutex, std::thread, thread_local)"),
    (r"libstdc\+\+\.a", r"eh_.*|vterminate\.o|cp-demangle\.o|functexcept\.o|guard\.o|new_op.*|del_op.*",
     "the C++ runtime's exceptions, terminate handler or throwing allocation"),
    (r"libstdc\+\+\.a", r".*(locale|ios|stream|string-inst|thread|mutex|random).*",
     "iostreams, locales, prebuilt strings or threads of the C++ runtime"),
    (r"libmingwex\.a", r".*pformat.*", "MinGW's C99 printf (use CString::Format or write the digits)"),
]


def included_members(path):
    with open(path, errors="replace") as f:
        text = f.read()
    part = text.split("Archive member included", 1)[-1].split("\nDiscarded input sections", 1)[0]
    for m in re.finditer(r"^(\S+\.a)\(([^)]+)\)\s*\n?\s*(\S.*)?$", part, re.M):
        yield m.group(1).rsplit("/", 1)[-1], m.group(2), (m.group(3) or "").strip()


def main(maps):
    failures = 0
    for path in maps:
        for archive, member, reason in included_members(path):
            for a, pattern, what in FORBIDDEN:
                if re.fullmatch(a, archive) and re.fullmatch(pattern, member):
                    print("%s: links %s(%s), %s; pulled in by %s" % (path, archive, member, what, reason))
                    failures += 1
    if failures == 0:
        print("lean: %d programs checked" % len(maps))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
