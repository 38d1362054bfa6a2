"""The three programs of a build look like the product in Explorer: the
product icon as their first icon group, in every size Windows asks for, and
version information naming the company, the product and what each program
is, with the payload's AppVerCode as the product version."""
import configparser
import os
import subprocess
import tempfile

from vlharness import expect, run_tests
from shipping import BIN_DIR, OUT_DIR, SOURCE_DIR, resource_list, run, version_info

PROGRAMS = [  # (file, description)
    (os.path.join(OUT_DIR, "VLSetup.exe"), "Vellomar 安装程序"),
    (os.path.join(BIN_DIR, "payload", "Vellomar.exe"), "Vellomar 笔记"),
    (os.path.join(BIN_DIR, "payload", "VLUninstall.exe"), "Vellomar 卸载程序"),
]
ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 256]   # 100 to 200 %: small 16-32, large 32-64
GENERATED_ICON = os.path.join(BIN_DIR, "generated", "vellomar.ico")


def icon_frames(ico, where):
    """{size: RGBA bytes} of every image of an ICO file."""
    os.makedirs(where)
    subprocess.run(["icotool", "-x", "-o", where, ico], check=True, stderr=subprocess.DEVNULL)
    frames = {}
    for name in sorted(os.listdir(where)):
        w = int(name.rsplit("_", 1)[1].split("x")[0])
        expect(w not in frames, "%s: two images of %d pixels" % (ico, w))
        frames[w] = subprocess.run(["convert", os.path.join(where, name), "-depth", "8", "rgba:-"],
                                   stdout=subprocess.PIPE, check=True).stdout
    return frames


def test_first_icon_group_is_the_product_icon():
    with tempfile.TemporaryDirectory() as tmp:
        want = icon_frames(GENERATED_ICON, os.path.join(tmp, "generated"))
        expect(sorted(want) == ICON_SIZES, "generated icon sizes: expected %r, got %r" % (ICON_SIZES, sorted(want)))
        # The picture, not an empty square: transparent corners, an opaque middle.
        f48 = want[48]
        alpha = lambda x, y: f48[(y * 48 + x) * 4 + 3]
        expect(alpha(0, 0) == 0 and alpha(24, 24) == 255,
               "48-pixel image: corner alpha %d (expected 0), middle alpha %d (expected 255)" % (alpha(0, 0), alpha(24, 24)))
        for i, (exe, _) in enumerate(PROGRAMS):
            groups = [name for rtype, name in resource_list(exe) if rtype == "14"]
            expect(groups[:1] == ["1"], "%s: first icon group expected id 1, got %r" % (exe, groups))
            ico = os.path.join(tmp, "%d.ico" % i)
            with open(ico, "wb") as f:
                f.write(subprocess.run(["wrestool", "-x", "--type=14", "--name=1", exe],
                                       stdout=subprocess.PIPE, check=True).stdout)
            listing = run(["icotool", "-l", ico]).stdout
            expect(listing.count("--bit-depth=32") == len(ICON_SIZES), "%s: icon images not all 32-bit:\n%s" % (exe, listing))
            got = icon_frames(ico, os.path.join(tmp, "%d" % i))
            expect(sorted(got) == ICON_SIZES, "%s icon sizes: expected %r, got %r" % (exe, ICON_SIZES, sorted(got)))
            for size in ICON_SIZES:
                expect(got[size] == want[size], "%s: the %d-pixel image differs from the product icon" % (exe, size))


def test_version_information():
    ini = configparser.ConfigParser()
    ini.read(os.path.join(SOURCE_DIR, "payload", "files", "config", "version.ini"))
    code = int(ini["VERSION"]["AppVerCode"])
    for exe, description in PROGRAMS:
        info = version_info(exe)
        expect(info is not None, exe + ": no version information")
        expect(info["translation"] == [(0x0804, 1200)],
               "%s translation: expected [(0x804, 1200)], got %r" % (exe, info["translation"]))
        expect(list(info["strings"]) == ["080404b0"], "%s string blocks: got %r" % (exe, list(info["strings"])))
        strings = info["strings"]["080404b0"]
        name = os.path.basename(exe)
        want = {"CompanyName": "Tessaly", "ProductName": "Vellomar", "FileDescription": description,
                "ProductVersion": str(code), "FileVersion": "1.0.0.0", "OriginalFilename": name,
                "InternalName": name[:-4]}
        for key, value in want.items():
            expect(strings.get(key) == value, "%s %s: expected %r, got %r" % (exe, key, value, strings.get(key)))
        expect(info["product"] == (code, 0, 0, 0), "%s binary product version: got %r" % (exe, info["product"]))
        expect(info["file"] == (1, 0, 0, 0), "%s binary file version: got %r" % (exe, info["file"]))


run_tests([test_first_icon_group_is_the_product_icon, test_version_information])
