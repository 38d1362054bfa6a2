"""The installer built from the sample folder: all three programs carry a
SHA-256 signature that verifies against the throwaway CA and no other, and
one changed byte breaks it; the embedded archive holds exactly the folder
plus our uninstaller in the asked number of solid blocks; the version
information carries the folder's AppVerCode and the build's file version.
The installer built from a vendor's archive embeds it unchanged and takes
its AppVerCode; only VLSetup.exe is signed then."""
import os
import shutil
import subprocess
import tempfile

from vlharness import expect, run_tests
from shipping import (ARCHIVE, ARCHIVE_OUT, ARCHIVE_VER_CODE, BIN_DIR, CA_DIR, FOLDER, FOLDER_BLOCKS,
                      FOLDER_FILE_VERSION, FOLDER_VER_CODE, SHIP_DIR, SHIP_SETUP, SOURCE_DIR, embedded_payload,
                      folder_entries, make_ca, run, version_info)


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


def test_blocks():
    """--blocks N: the programs in one solid block, the data split by size
    over the others (the sample folder has one big file and four small)."""
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        for blocks in (1, 2, 4):
            out = os.path.join(tmp, "%d.7z" % blocks)
            r = run(["cmake", "-DSEVENZIP=7zz", "-DSTAGE=" + os.path.join(tmp, "stage"), "-DFILES=" + FOLDER,
                     "-DPROGRAMS=" + os.path.join(BIN_DIR, "payload", "VLUninstall.exe"), "-DOUT=" + out,
                     "-DBLOCKS=%d" % blocks, "-P", os.path.join(SOURCE_DIR, "cmake", "pack-payload.cmake")])
            head = run(["7zz", "l", "-slt", out]).stdout.partition("----------")[0]
            if r.returncode != 0 or "Blocks = %d\n" % blocks not in head:
                failures.append("%d blocks asked: exit %d, %s\n%s" % (blocks, r.returncode, head, r.stdout))
    expect(not failures, "\n".join(failures))


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


def test_archive_build():
    setup = os.path.join(ARCHIVE_OUT, "VLSetup.exe")
    with tempfile.TemporaryDirectory() as tmp:
        with open(ARCHIVE, "rb") as a, open(embedded_payload(setup, os.path.join(tmp, "p.7z")), "rb") as b:
            expect(a.read() == b.read(), "the embedded archive differs from the one given with --payload")
    r = verify(setup, os.path.join(CA_DIR, "ca.pem"))
    expect(r.returncode == 0, "%s: signature does not verify:\n%s" % (setup, r.stdout))
    info = version_info(setup)
    expect(info["strings"]["080404b0"]["ProductVersion"] == str(ARCHIVE_VER_CODE),
           "product version: expected %d, got %r" % (ARCHIVE_VER_CODE, info["strings"]["080404b0"]["ProductVersion"]))


def test_a_signed_vellomar_keeps_its_signature():
    """A folder's Vellomar.exe signed by its vendor keeps that signature; the
    installer itself is signed over whatever it had."""
    ca = os.path.join(CA_DIR, "ca.pem")
    pfx, password = os.path.join(CA_DIR, "cs.pfx"), os.path.join(CA_DIR, "password")
    other_dir = os.path.join(SHIP_DIR, "other-ca")
    other_ca, other_pfx, other_password = make_ca(other_dir, "Other")
    sign = lambda exe, cert, pw, keep: run(
        ["cmake", "-DFILE=" + exe, "-DSIGNTOOL=osslsigncode", "-DCERT=" + cert, "-DPASSWORD_FILE=" + pw,
         "-DDESCRIPTION=Vellomar", "-DKEEP_SIGNED=" + keep, "-P", os.path.join(SOURCE_DIR, "cmake", "sign.cmake")])
    with tempfile.TemporaryDirectory() as tmp:
        for keep, want_ca in (("ON", other_ca), ("OFF", ca)):
            exe = os.path.join(tmp, "Vellomar-%s.exe" % keep)
            shutil.copyfile(os.path.join(BIN_DIR, "payload", "Vellomar.exe"), exe)
            for cert, pw in ((other_pfx, other_password), (pfx, password)):
                r = sign(exe, cert, pw, keep)
                expect(r.returncode == 0, "sign.cmake failed:\n" + r.stdout)
            expect(verify(exe, want_ca).returncode == 0,
                   "KEEP_SIGNED=%s: expected the signature of %s" % (keep, os.path.basename(os.path.dirname(want_ca))))


run_tests([test_archive_build, test_signatures, test_archive_is_the_folder_with_our_uninstaller, test_blocks,
           test_version_information_of_the_folder_build, test_a_signed_vellomar_keeps_its_signature])
