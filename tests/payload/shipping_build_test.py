"""The fixture of the folder tests: a throwaway certificate authority and the
sample folder, built with build.sh --payload-dir, --blocks, --sign and
--file-version into a tree of its own (only the installer, no tests)."""
import os

from vlharness import expect, run_tests
from shipping import (BUILD_SH, CA_DIR, FOLDER, FOLDER_BLOCKS, FOLDER_FILE_VERSION, SHIP_OUT, SHIP_SETUP,
                      SHIP_TREE, make_ca, make_folder, run)


def test_build_signed_folder_installer():
    make_folder()
    _, pfx, password = make_ca(CA_DIR, "Shipping")
    if os.path.exists(SHIP_SETUP):
        os.remove(SHIP_SETUP)
    r = run([BUILD_SH, "--payload-dir", FOLDER, "--blocks", str(FOLDER_BLOCKS),
             "--sign", pfx, "--sign-password-file", password, "--file-version", FOLDER_FILE_VERSION,
             "--collect-host", "127.0.0.1", "--installer-only", "--build-dir", SHIP_TREE, "--out", SHIP_OUT])
    expect(r.returncode == 0, "build.sh failed (exit %d):\n%s" % (r.returncode, r.stdout))
    expect(os.path.exists(SHIP_SETUP), "no installer at " + SHIP_SETUP)


run_tests([test_build_signed_folder_installer])
