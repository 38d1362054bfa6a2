"""The fixture of the shipping tests: a throwaway certificate authority and the
sample folder, built with build.sh --payload-dir, --blocks, --sign and
--file-version into a tree of its own (only the installer, no tests). The
same tree first builds a vendor's archive (--payload) signed, into an output
folder of its own."""
import os
import shutil
import subprocess

from vlharness import expect, run_tests
from shipping import (ARCHIVE, ARCHIVE_OUT, ARCHIVE_VER_CODE, BIN_DIR, BUILD_SH, CA_DIR, FOLDER, FOLDER_BLOCKS,
                      FOLDER_FILE_VERSION, SHIP_DIR, SHIP_OUT, SHIP_SETUP, SHIP_TREE, make_ca, make_folder, run)


def make_archive():
    """The sample folder with our programs and another version code, as 7z."""
    stage = os.path.join(SHIP_DIR, "vendor")
    shutil.rmtree(stage, ignore_errors=True)
    shutil.copytree(FOLDER, stage)
    shutil.copyfile(os.path.join(BIN_DIR, "payload", "VLUninstall.exe"), os.path.join(stage, "VLUninstall.exe"))
    with open(os.path.join(stage, "config", "version.ini"), "wb") as f:
        f.write(b"[VERSION]\r\nAppVerCode=%d\r\n" % ARCHIVE_VER_CODE)
    if os.path.exists(ARCHIVE):
        os.remove(ARCHIVE)
    subprocess.run(["7zz", "a", "-t7z", ARCHIVE] + sorted(os.listdir(stage)), cwd=stage,
                   stdout=subprocess.DEVNULL, check=True)


def test_build_signed_folder_installer():
    make_folder()
    _, pfx, password = make_ca(CA_DIR, "Shipping")
    make_archive()
    for out in (SHIP_OUT, ARCHIVE_OUT):
        shutil.rmtree(out, ignore_errors=True)
    r = run([BUILD_SH, "--payload", ARCHIVE, "--sign", pfx, "--sign-password-file", password,
             "--collect-host", "127.0.0.1", "--installer-only", "--build-dir", SHIP_TREE, "--out", ARCHIVE_OUT])
    expect(r.returncode == 0, "build.sh --payload failed (exit %d):\n%s" % (r.returncode, r.stdout))
    r = run([BUILD_SH, "--payload-dir", FOLDER, "--blocks", str(FOLDER_BLOCKS),
             "--sign", pfx, "--sign-password-file", password, "--file-version", FOLDER_FILE_VERSION,
             "--collect-host", "127.0.0.1", "--installer-only", "--build-dir", SHIP_TREE, "--out", SHIP_OUT])
    expect(r.returncode == 0, "build.sh --payload-dir failed (exit %d):\n%s" % (r.returncode, r.stdout))
    expect(os.path.exists(SHIP_SETUP), "no installer at " + SHIP_SETUP)


run_tests([test_build_signed_folder_installer])
