"""Installations killed at any moment are undone by the next start. The
worker (extract_driver.exe, with the installer's journal named in the
registry) unpacks 10,000 small files over a previous installation and is
killed (SIGKILL of its Wine process: nothing of it runs after, as with
TerminateProcess) at a table of moments, from the journal's first line to
its end; the next start's recovery then has to leave the folder byte for
byte as it was, nothing beside it and nothing in the temporary folder."""
import os
import shutil
import subprocess

from vlharness import *

PREFIX = os.environ["WINEPREFIX"]
C_WORK = os.path.join(PREFIX, "drive_c", "vl-killed-runs")
WIN_WORK = "C:\\vl-killed-runs\\"
DRIVER = bin_path("tests", "engine", "extract_driver.exe")
TEMPLATE = bin_path("tests", "engine", "extract_template.dll")
MANY = bin_path("bench", "many", "many.7z")
PENDING_KEY = "Software\\VellomarKilledRunsTest"
INST = os.path.join(C_WORK, "inst")
JOURNAL = INST + ".vlsetup-journal"
TEMP = os.path.join(C_WORK, "tmp")
# Kill moments: bytes of journal written (about 90 per file); 0 is as soon
# as the journal is there.
# A whole run writes some 580,000.
KILL_AT_JOURNAL_BYTES = [0, 200, 2000, 20000, 60000, 150000, 300000, 450000, 540000]


def win(*parts):
    return "Z:" + os.path.join(*parts).replace("/", "\\")


def make_previous():
    """An installation of an older build: some of the payload's names with
    other bytes (one read-only), the user's settings and a file of their own."""
    shutil.rmtree(C_WORK, ignore_errors=True)
    os.makedirs(os.path.join(INST, "config"))
    os.makedirs(os.path.join(INST, "resource", "notes", "000"))
    os.makedirs(TEMP)
    with open(os.path.join(INST, "Vellomar.exe"), "wb") as f:
        f.write(b"the previous program")
    with open(os.path.join(INST, "config", "config.ini"), "wb") as f:
        f.write(b"[user]\r\nkept=1\r\n")
    with open(os.path.join(INST, "my notes.txt"), "wb") as f:
        f.write(b"the user's own file")
    for n in range(0, 100, 3):
        with open(os.path.join(INST, "resource", "notes", "000", "note%05d.txt" % n), "wb") as f:
            f.write(b"previous note %d" % n)
    os.chmod(os.path.join(INST, "resource", "notes", "000", "note00003.txt"), 0o444)


def killed_run(journal_bytes):
    """Starts the worker, kills it once its journal holds journal_bytes;
    False when the run ended first."""
    out = open(os.path.join(C_WORK, "driver.out"), "wb")
    proc = subprocess.Popen([WINE, DRIVER, "--pending", PENDING_KEY, win(TEMPLATE), win(MANY),
                             WIN_WORK + "payload.dll", WIN_WORK + "inst\\", WIN_WORK + "tmp"],
                            stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT, env=WINE_ENV)
    try:
        deadline = time.time() + 120
        while proc.poll() is None:
            expect(time.time() < deadline, "the worker neither ended nor wrote %d bytes of journal" % journal_bytes)
            if os.path.exists(JOURNAL) and os.path.getsize(JOURNAL) >= journal_bytes:
                proc.kill()
                proc.wait()
                return True
            time.sleep(0.002)
        return False
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        out.close()


def recover():
    rc, text = wine(DRIVER, "--recover", PENDING_KEY, WIN_WORK + "tmp\\", timeout=120)
    line = next((l.strip() for l in text.splitlines() if l.startswith("recovered=")), "")
    expect(rc == 0 and line, "the recovery gave no result (exit %d): %r" % (rc, text[-300:]))
    return line


def test_a_run_killed_at_any_moment_is_undone_by_the_next_start():
    wine("reg", "delete", "HKLM\\" + PENDING_KEY, "/f")
    try:
        for journal_bytes in KILL_AT_JOURNAL_BYTES:
            make_previous()
            before = snapshot(INST)
            expect(killed_run(journal_bytes), "the run ended before %d bytes of journal" % journal_bytes)
            line = recover()
            expect(line == "recovered=1 path=", "killed at %d bytes of journal: %s" % (journal_bytes, line))
            after = snapshot(INST)
            expect(after == before, "killed at %d bytes of journal, after the recovery %s"
                   % (journal_bytes, differences(before, after)))
            beside = sorted(n for n in os.listdir(C_WORK) if n.startswith("inst."))
            expect(not beside, "killed at %d bytes of journal, left beside the folder: %r" % (journal_bytes, beside))
            expect(not os.listdir(TEMP), "killed at %d bytes of journal, left in the temporary folder: %r"
                   % (journal_bytes, os.listdir(TEMP)))
            print("killed at %d bytes of journal: undone" % journal_bytes, flush=True)
    finally:
        shutil.rmtree(C_WORK, ignore_errors=True)
        wine("reg", "delete", "HKLM\\" + PENDING_KEY, "/f")


run_tests([test_a_run_killed_at_any_moment_is_undone_by_the_next_start])
