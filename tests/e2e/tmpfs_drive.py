"""A small tmpfs mounted for a test and mapped as a free Wine drive letter of
the prefix, for full-disk cases; and a listing of a folder tree, to see what
a run changed. Mounting needs root; the mount and the drive letter go in
every case."""
import os
import shutil
import subprocess

from vlharness import Failure, expect


class TmpfsDrive:
    """A tmpfs of size_kb at work/mnt as a free Wine drive letter while in
    scope; `letter` is the drive ("T"), `mnt` the Unix folder."""

    def __init__(self, work, size_kb):
        self.work = work
        self.mnt = os.path.join(work, "mnt")
        self.size_kb = size_kb
        self.link = None

    def __enter__(self):
        os.makedirs(self.mnt, exist_ok=True)
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%dk" % self.size_kb, "vl-full-disk", self.mnt],
                           capture_output=True, text=True)
        expect(r.returncode == 0, "cannot mount a tmpfs at %s (root is needed): %s" % (self.mnt, r.stderr.strip()))
        try:
            prefix = os.environ["WINEPREFIX"]
            for letter in "tsrqponmlkj":
                link = os.path.join(prefix, "dosdevices", letter + ":")
                if not os.path.lexists(link):
                    os.symlink(self.mnt, link)
                    self.link = link
                    self.letter = letter.upper()
                    break
            expect(self.link is not None, "no free drive letter in " + prefix)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        if self.link and os.path.islink(self.link):
            os.remove(self.link)
        if subprocess.run(["umount", self.mnt], capture_output=True).returncode != 0:
            subprocess.run(["umount", "-l", self.mnt], capture_output=True)   # a Wine process may still hold it
        shutil.rmtree(self.work, ignore_errors=True)


def listing(root, skip=()):
    """{path: (size, mtime) for files, None for folders} below root, leaving out the folders in skip."""
    out = {}
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames[:] = [d for d in dirnames if os.path.join(dirpath, d) not in skip]
        for name in filenames + dirnames:
            path = os.path.join(dirpath, name)
            st = os.lstat(path)
            out[path] = (st.st_size, st.st_mtime_ns) if name in filenames else None
    return out
