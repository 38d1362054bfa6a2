"""A full disk under the extraction worker: a 48 KB tmpfs, mounted for the
test and mapped as a Wine drive letter, first as the install folder's drive
(the default payload needs some 90 KB: code 6 with the path of the file that
did not fit, nothing written anywhere but the install folder, the temporary
archive deleted), then, filled up, as the temporary folder (code 2, nothing
installed). The worker runs in extract_driver.exe. Mounting needs root; the
mount and the drive letter are removed in every case."""
import os
import shutil
import subprocess

from vlharness import *
from tmpfs_drive import TmpfsDrive, listing

PREFIX = os.environ["WINEPREFIX"]
DRIVE_C = os.path.join(PREFIX, "drive_c")
WORK = bin_path("full-disk")
C_WORK = os.path.join(DRIVE_C, "vl-full-disk")
DRIVER = bin_path("tests", "engine", "extract_driver.exe")
TEMPLATE = bin_path("tests", "engine", "extract_template.dll")
PAYLOAD = bin_path("payload.7z")
TMPFS_KB = 48
INSTALL_ERR_STAGE, INSTALL_ERR_WRITE = 2, 6


def run_driver(folder, temp=None):
    """(final code, path of codes 5 and 6) of one worker run."""
    out_path = os.path.join(C_WORK, "driver.out")
    cmd = [WINE, DRIVER, "Z:" + TEMPLATE.replace("/", "\\"), "Z:" + PAYLOAD.replace("/", "\\"),
           "C:\\vl-full-disk\\payload.dll", folder] + ([temp] if temp else [])
    with open(out_path, "wb") as out:
        # A file, not a pipe: Wine's helper processes would hold a pipe open.
        r = subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT, env=WINE_ENV,
                           timeout=120)
    text = open(out_path, "rb").read().decode("utf-8", "replace")
    line = next((l.strip() for l in text.splitlines() if l.startswith("code=")), "")
    expect(r.returncode == 0 and line and not line.startswith("code=none"),
           "the worker crashed or gave no final code (exit %d): %s" % (r.returncode, text[-500:]))
    fields = dict(p.split("=", 1) for p in line.split(" path=")[0].split() if "=" in p)
    expect(fields["finals"] == "1", "expected one final code, got %s" % fields["finals"])
    return int(fields["code"]), line.split(" path=", 1)[1]


def fresh_c_work():
    shutil.rmtree(C_WORK, ignore_errors=True)
    os.makedirs(C_WORK)


def test_install_folder_on_a_full_disk():
    fresh_c_work()
    try:
        with TmpfsDrive(WORK, TMPFS_KB) as drive:
            os.makedirs(os.path.join(drive.mnt, "inst"))
            before = listing(DRIVE_C, skip=(C_WORK,))
            code, path = run_driver(drive.letter + ":\\inst\\")
            expect(code == INSTALL_ERR_WRITE, "expected code 6 (write failed), got %d" % code)
            prefix = drive.letter + ":\\inst\\"
            expect(path.startswith(prefix) and len(path) > len(prefix), "code 6 without the file's path: %r" % path)
            # The run is undone: the folder (there before it) is empty again, nothing stays beside it.
            left = [p for p in listing(drive.mnt) if p != os.path.join(drive.mnt, "inst")]
            expect(not left, "left on the full drive after the failure: %r" % left)
            after = listing(DRIVE_C, skip=(C_WORK,))
            changed = sorted(p for p in set(before) | set(after) if before.get(p) != after.get(p))
            expect(not changed, "drive C: changed (the temporary archive left?): %r" % changed[:5])
    finally:
        shutil.rmtree(C_WORK, ignore_errors=True)


def test_temporary_folder_on_a_full_disk():
    fresh_c_work()
    try:
        with TmpfsDrive(WORK, TMPFS_KB) as drive:
            os.makedirs(os.path.join(drive.mnt, "tmp"))
            with open(os.path.join(drive.mnt, "filler"), "wb", buffering=0) as f:
                try:
                    while True:
                        f.write(b"\0" * 4096)
                except OSError:
                    pass
            inst = os.path.join(C_WORK, "inst")
            os.makedirs(inst)
            code, _ = run_driver("C:\\vl-full-disk\\inst\\", temp=drive.letter + ":\\tmp")
            expect(code == INSTALL_ERR_STAGE, "expected code 2 (staging failed), got %d" % code)
            expect(not os.listdir(inst), "installed without a staged archive: %r" % os.listdir(inst))
            beside = [n for n in os.listdir(C_WORK) if n.startswith("inst.")]
            expect(not beside, "left beside the install folder: %r" % beside)
            tmp = os.listdir(os.path.join(drive.mnt, "tmp"))
            expect(not tmp, "the failed staging left files in the temporary folder: %r" % tmp)
    finally:
        shutil.rmtree(C_WORK, ignore_errors=True)


run_tests([test_install_folder_on_a_full_disk, test_temporary_folder_on_a_full_disk])
