"""Source rules the compiler cannot check, run over the project's C++ files:

  wide-printf-%s  A C runtime wide printf-family call (swprintf, vswprintf,
                  _snwprintf, wprintf, ...) whose format holds %s. MinGW's C99
                  printf reads it as a narrow string, so the text comes out
                  garbled; format with AfxFormat or CString::Format instead
                  (afx/afxformat.h). The format may be a literal or a named
                  constant defined in the same file. %ls and %hs say what they
                  mean and pass; wsprintfW is user32's and always wide.
  null-member     A GetSafeHwnd/GetSafeHdc/GetSafeHandle call through a
                  pointer: a member call promises the compiler a non-null
                  pointer, and it then drops the caller's later null checks.
                  Use SafeHwnd(p), SafeHdc(p), SafeHandle(p).

    source_rules.py ROOT [DIR...]   checks ROOT/DIR for every DIR
    source_rules.py --self-test     checks the rules against a table of cases
Exits 1 and prints file:line: rule: text for every violation."""
import os
import re
import sys

# swprintf, vswprintf, _snwprintf, _vsnwprintf, wprintf, fwprintf, _scwprintf,
# __mingw_swprintf...; not wsprintfW (user32's).
WIDE_PRINTF = re.compile(r"(?<![\w.>])(?:std::)?(_*(?:mingw_)?v?(?:s|sn|f|sc)?wprintf(?:_s)?)\s*\(")
# A conversion with no length modifier ending in s or S: the ambiguous one.
AMBIGUOUS_S = re.compile(r"%[-+ #0]*(?:\d+|\*)?(?:\.(?:\d+|\*))?[sS]")
NULL_MEMBER = re.compile(r"->\s*GetSafe(?:Hwnd|Hdc|Handle)\s*\(")
WIDE_LITERAL = re.compile(r'L"((?:[^"\\]|\\.)*)"')


def call_arguments(text, start):
    """The text between the parenthesis at start and its partner."""
    depth, i, in_str = 0, start, None
    while i < len(text):
        ch = text[i]
        if in_str:
            if ch == "\\":
                i += 1
            elif ch == in_str:
                in_str = None
        elif ch in "\"'":
            in_str = ch
        elif ch == "(":
            depth += 1
        elif ch == ")":
            depth -= 1
            if depth == 0:
                return text[start + 1:i]
        i += 1
    return text[start + 1:]


def named_formats(text):
    """Wide string constants of the file: name -> text."""
    found = {}
    for m in re.finditer(r"(\w+)\s*(?:\[\s*\])?\s*=\s*((?:L\"(?:[^\"\\]|\\.)*\"\s*)+)", text):
        found[m.group(1)] = "".join(WIDE_LITERAL.findall(m.group(2)))
    return found


def violations(text):
    """(line, rule, snippet) for each rule broken in one file's text."""
    out = []
    constants = named_formats(text)
    for m in WIDE_PRINTF.finditer(text):
        args = call_arguments(text, m.end() - 1)
        formats = ["".join(WIDE_LITERAL.findall(args))]
        formats += [constants[w] for w in re.findall(r"\b(\w+)\b", args) if w in constants]
        if any(AMBIGUOUS_S.search(f) for f in formats):
            line = text.count("\n", 0, m.start()) + 1
            out.append((line, "wide-printf-%s", text[m.start():m.end() + len(args) + 1].replace("\n", " ")))
    for m in NULL_MEMBER.finditer(text):
        line = text.count("\n", 0, m.start()) + 1
        out.append((line, "null-member", text[text.rfind("\n", 0, m.start()) + 1:text.find("\n", m.end())].strip()))
    return out


def check_tree(root, dirs):
    failed = False
    for d in dirs:
        for base, subdirs, files in os.walk(os.path.join(root, d)):
            subdirs[:] = [s for s in subdirs if not s.startswith(".")]
            for f in sorted(files):
                if not f.endswith((".cpp", ".h", ".cpp.in", ".h.in")):
                    continue
                path = os.path.join(base, f)
                with open(path, encoding="utf-8", errors="replace") as fh:
                    text = fh.read()
                for line, rule, snippet in violations(text):
                    failed = True
                    print("%s:%d: %s: %s" % (os.path.relpath(path, root), line, rule, snippet))
    return failed


SELF_TEST = [
    # (source, rules expected)
    ('swprintf(buf, n, L"版本号：%s", code);', ["wide-printf-%s"]),
    ('const wchar_t kFmt[] = L"版本号：%s";\nswprintf(buf.data(), buf.size(), kFmt, code);', ["wide-printf-%s"]),
    ('std::swprintf(buf, 16, L"%-10s|", s);', ["wide-printf-%s"]),
    ('_snwprintf(buf, 16, L"%S", s);', ["wide-printf-%s"]),
    ('vswprintf(buf, n, L"%.*s", args);', ["wide-printf-%s"]),
    ('fwprintf(stderr, L"%s\\n", s);', ["wide-printf-%s"]),
    ('swprintf(szRange, 64, L"Range: bytes=%d-\\r\\n", n);', []),
    ('swprintf(buf, n, L"%ls and %hs", w, a);', []),
    ('wsprintfW(szName, L"\\\\%s.lnk", name);', []),
    ('snprintf(buf, n, "%s", narrow);', []),
    ('std::wstring s = AfxFormat(L"%s", code);', []),
    ('str.Format(L"%s", code);', []),
    ('_vsnwprintf(&out[0], out.size(), pszFormat, args);', []),
    ('::PostMessageW(pMainWnd->GetSafeHwnd(), WM_QUIT, 0, 0);', ["null-member"]),
    ('Gdiplus::Graphics g(pDC->GetSafeHdc());', ["null-member"]),
    ('HGDIOBJ h = pFont -> GetSafeHandle();', ["null-member"]),
    ('Gdiplus::Graphics g(dc.GetSafeHdc()); HWND h = SafeHwnd(pWnd);', []),
]


def self_test():
    failed = False
    for source, expected in SELF_TEST:
        got = [rule for _, rule, _ in violations(source)]
        if got != expected:
            failed = True
            print("self-test: %r: expected %r, got %r" % (source, expected, got))
    print("self-test: %d cases, %s" % (len(SELF_TEST), "FAILED" if failed else "passed"))
    return failed


if __name__ == "__main__":
    if sys.argv[1:] == ["--self-test"]:
        sys.exit(1 if self_test() else 0)
    root, dirs = sys.argv[1], sys.argv[2:]
    sys.exit(1 if check_tree(root, dirs) else 0)
