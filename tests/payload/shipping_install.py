"""The installer built from the sample folder (shipping_build), end to end: a
quick installation leaves exactly the folder's files plus the uninstaller
and the installation's record, the data byte for byte; the uninstall entry's command then removes exactly those
files, keeping what the user added, in the install folder and in one of the
folder's own subfolders."""
import os

from wizard_common import *
from shipping import FOLDER, RUN_SETUP, folder_entries


def installed_entries(install_dir):
    root = unix_path(install_dir)
    out = set()
    for base, dirs, files in os.walk(root):
        for n in dirs + files:
            out.add(os.path.relpath(os.path.join(base, n), root).replace(os.sep, "/"))
    return out


def test_install_and_remove_the_folder():
    reset_installation()
    install_dir = default_install_dir()
    quick_install(RUN_SETUP)
    try:
        want = folder_entries() | {"VLUninstall.exe", "VLInstall.rec"}
        got = installed_entries(install_dir)
        expect(got == want, "installed: missing %r, extra %r" % (sorted(want - got), sorted(got - want)))
        root = unix_path(install_dir)
        for rel in sorted(want - {"VLUninstall.exe", "Vellomar.exe", "VLInstall.rec"}):   # the programs are signed copies
            if os.path.isfile(os.path.join(FOLDER, rel)):
                with open(os.path.join(FOLDER, rel), "rb") as a, open(os.path.join(root, rel), "rb") as b:
                    expect(a.read() == b.read(), "installed %s differs from the folder's" % rel)

        # What the user put there stays, with the folders that hold it.
        mine = ["mine.txt", "plugins/user.dat"]
        for rel in mine:
            with open(os.path.join(unix_path(install_dir), rel), "w") as f:
                f.write("kept")
        uninstall = reg_value(UNINSTALL_KEY, "UninstallString")
        expect(uninstall == install_dir + "VLUninstall.exe", "UninstallString: got %r" % uninstall)
        rc, _ = wine(uninstall, "/S")
        expect(rc == 0, "uninstaller exit code: expected 0, got %r" % rc)
        wait_until(lambda: reg_value(UNINSTALL_KEY, "UninstallString") is None, "the uninstall entry to go")
        # The copy in the temporary folder may still be deleting.
        wait_until(lambda: installed_entries(install_dir) <= set(mine) | {"plugins"},
                   "the folder's files to go (left: %r)" % sorted(installed_entries(install_dir)), timeout=30)
        expect(installed_entries(install_dir) == set(mine) | {"plugins"},
               "after removal: expected only %r, got %r" % (mine, sorted(installed_entries(install_dir))))
    finally:
        reset_installation()


run_tests([test_install_and_remove_the_folder])
