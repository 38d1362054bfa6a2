"""The product version is the payload's AppVerCode, read as the installer's
report reads it: section and key in any letter case, the first value in
section [VERSION], the digits a value begins with, UTF-16 and UTF-8 files
with a byte-order mark. A file without a usable code stops the build with a
message, as does a code that does not fit a version field."""
import os
import tempfile

from vlharness import expect, run_tests
from shipping import SOURCE_DIR, run

CASES = [  # (file bytes, the code or the words of the refusal)
    (b"[VERSION]\r\nAppVerCode=1207\r\n", "1207"),
    (b"[Other]\nAppVerCode=5\n[ version ]\n  appvercode = 0042 \n", "42"),
    (b"[VERSION]\nAppVerCode=12abc\nAppVerCode=13\n", "12"),
    (b"[VERSION]\nAppVerCode=65535\n", "65535"),
    ("\ufeff[VERSION]\r\nAppVerCode=77\r\n".encode("utf-16le"), "77"),
    (b"\xef\xbb\xbf[VERSION]\nAppVerCode=78\n", "78"),
    (b"[Other]\nAppVerCode=5\n", "has no AppVerCode"),
    (b"[VERSION]\nAppVersion=1.2.7\n", "has no AppVerCode"),
    (b"[VERSION]\nAppVerCode=\n", "has no AppVerCode"),
    (b"[VERSION]\nAppVerCode=65536\n", "does not fit a version field"),
    (b"[VERSION]\nAppVerCode=99999999999999999999\n", "does not fit a version field"),
]


def test_app_ver_code():
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        ini = os.path.join(tmp, "version.ini")
        script = os.path.join(tmp, "print.cmake")
        with open(script, "w") as f:
            f.write("include(%s/cmake/app-ver-code.cmake)\nvl_app_ver_code(${INI} code)\nmessage(\"AppVerCode=${code}\")\n"
                    % SOURCE_DIR)
        for data, want in CASES:
            with open(ini, "wb") as f:
                f.write(data)
            r = run(["cmake", "-DINI=" + ini, "-P", script])
            if want.isdigit():
                ok = r.returncode == 0 and "AppVerCode=%s\n" % want in r.stdout
            else:
                ok = r.returncode != 0 and want in " ".join(r.stdout.split())   # CMake wraps its messages
            if not ok:
                failures.append("%r: expected %r, got exit %d:\n%s" % (data, want, r.returncode, r.stdout.strip()))
    expect(not failures, "\n".join(failures))


run_tests([test_app_ver_code])
