"""Packs a payload like the default one, plus 10,000 small files below
resource/, as the installer expects it (7z, BCJ + LZMA, solid).
    make_many.py 7zz STAGE OUT.7z Vellomar.exe VLUninstall.exe"""
import os
import shutil
import subprocess
import sys

sevenzip, stage, out, *programs = sys.argv[1:]
shutil.rmtree(stage, ignore_errors=True)
os.makedirs(os.path.join(stage, "config"))
for p in programs:
    shutil.copy(p, stage)
with open(os.path.join(stage, "config", "version.ini"), "w") as f:
    f.write("[VERSION]\nAppVerCode=1207\n")
for i in range(10000):
    d = os.path.join(stage, "resource", "notes", "%03d" % (i // 100))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "note%05d.txt" % i), "w") as f:
        f.write("note %d\n" % i)
if os.path.exists(out):
    os.remove(out)
methods = ["-t7z", "-m0=BCJ", "-m1=LZMA:d=4m", "-ms=on", "-mtc=off", "-mta=off", "-bd", "-bso0", "-bsp0"]
subprocess.run([sevenzip, "a", *methods, out, "Vellomar.exe", "VLUninstall.exe"], cwd=stage, check=True)
subprocess.run([sevenzip, "a", *methods, out, "config", "resource"], cwd=stage, check=True)
