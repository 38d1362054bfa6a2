"""The installer built from the sample folder: all three programs carry a
SHA-256 signature that verifies against the throwaway CA and no other, and
one changed byte breaks it; the embedded archive holds exactly the folder
plus our uninstaller in the asked number of solid blocks; the version
information carries the folder's AppVerCode and the build's file version."""
import os
import shutil
import subprocess
import tempfile

from vlharness import expect, run_tests
from shipping import (CA_DIR, FOLDER_BLOCKS, FOLDER_FILE_VERSION, FOLDER_VER_CODE, SHIP_DIR, SHIP_SETUP,
                      embedded_payload, folder_entries, make_ca, run, version_info)


def programs(tmp):
    """VLSetup.exe and the two programs unpacked from the archive it carries."""
    archive = embedded_payload(SHIP_SETUP, os.path.join(tmp, "payload.7z"))
    subprocess.run(["7zz", "x", "-o" + os.path.join(tmp, "x"), archive, "Vellomar.exe", "VLUninstall.exe"],
                   stdout=subprocess.DEVNULL, check=True)
    return [SHIP_SETUP, os.path.join(tmp, "x", "Vellomar.exe"), os.path.join(tmp, "x", "VLUninstall.exe")]


def verify(exe, ca):
    return run(["osslsigncode", "verify", "-CAfile", ca, "-in", exe])


def test_signatures():
    ca = os.path.join(CA_DIR, "ca.pem")
    other_ca, _, _ = make_ca(os.path.join(SHIP_DIR, "other-ca"), "Other")
    with tempfile.TemporaryDirectory() as tmp:
        for exe in programs(tmp):
            r = verify(exe, ca)
            expect(r.returncode == 0, "%s: signature does not verify against the test CA:\n%s" % (exe, r.stdout))
            expect("Message digest algorithm  : SHA256" in r.stdout, "%s: not a SHA-256 signature:\n%s" % (exe, r.stdout))
            expect(verify(exe, other_ca).returncode != 0, exe + ": verifies against a CA that never issued its certificate")
            # One byte of the signed image changed, in the middle of the file.
            damaged = os.path.join(tmp, "damaged-" + os.path.basename(exe))
            shutil.copyfile(exe, damaged)
            with open(damaged, "r+b") as f:
                f.seek(os.path.getsize(damaged) // 2)
                b = f.read(1)
                f.seek(-1, 1)
                f.write(bytes([b[0] ^ 0x01]))
            r = verify(damaged, ca)
            expect(r.returncode != 0, "%s with one byte changed still verifies:\n%s" % (exe, r.stdout))


def test_archive_is_the_folder_with_our_uninstaller():
    with tempfile.TemporaryDirectory() as tmp:
        archive = embedded_payload(SHIP_SETUP, os.path.join(tmp, "payload.7z"))
        listing = run(["7zz", "l", "-slt", archive]).stdout
        head, _, body = listing.partition("----------")
        entries, blocks = set(), set()
        for item in body.split("\n\n"):
            fields = dict(l.split(" = ", 1) for l in item.splitlines() if " = " in l)
            if "Path" in fields:
                entries.add(fields["Path"])
                if fields.get("Block"):
                    blocks.add(fields["Block"])
        want = folder_entries() | {"VLUninstall.exe"}
        expect(entries == want, "archive entries: missing %r, extra %r" % (sorted(want - entries), sorted(entries - want)))
        expect("Blocks = %d" % FOLDER_BLOCKS in head and len(blocks) == FOLDER_BLOCKS,
               "expected %d solid blocks, got %r" % (FOLDER_BLOCKS, sorted(blocks)))
        expect("BCJ" in head and "LZMA" in head and "Solid = +" in head, "archive methods:\n" + head)


def test_version_information_of_the_folder_build():
    with tempfile.TemporaryDirectory() as tmp:
        setup, _, uninstaller = programs(tmp)
        for exe in (setup, uninstaller):
            info = version_info(exe)
            strings = info["strings"]["080404b0"]
            expect(strings["ProductVersion"] == str(FOLDER_VER_CODE) and info["product"] == (FOLDER_VER_CODE, 0, 0, 0),
                   "%s product version: expected %d, got %r / %r" % (exe, FOLDER_VER_CODE, strings["ProductVersion"], info["product"]))
            want_file = tuple(int(x) for x in FOLDER_FILE_VERSION.split("."))
            expect(strings["FileVersion"] == FOLDER_FILE_VERSION and info["file"] == want_file,
                   "%s file version: expected %s, got %r / %r" % (exe, FOLDER_FILE_VERSION, strings["FileVersion"], info["file"]))


run_tests([test_signatures, test_archive_is_the_folder_with_our_uninstaller,
           test_version_information_of_the_folder_build])
