"""build.sh refuses, before building anything, what would make an installer
that cannot install: a payload archive without the programs or the version
file at its top, an archive that is not 7z, a folder without Vellomar.exe or
config/version.ini or with names Windows cannot hold, options that do not go
together. Each refusal says what is wrong and leaves no build tree."""
import os
import subprocess
import tempfile

from vlharness import expect, run_tests
from shipping import BUILD_SH, run

COMPLETE = ["Vellomar.exe", "VLUninstall.exe", "config/version.ini", "resource/readme.txt"]


def make_tree(root, entries, folders=()):
    for rel in entries:
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(b"[VERSION]\r\nAppVerCode=1\r\n" if rel.endswith(".ini") else b"MZ")
    for rel in folders:
        os.makedirs(os.path.join(root, rel), exist_ok=True)
    return root


def make_archive(tmp, name, entries, folders=(), kind="7z"):
    stage = make_tree(os.path.join(tmp, name + ".stage"), entries, folders)
    out = os.path.join(tmp, name + "." + kind)
    subprocess.run(["7zz", "a", "-t" + kind, out] + sorted(os.listdir(stage)), cwd=stage,
                   stdout=subprocess.DEVNULL, check=True)
    return out


def test_refusals():
    with tempfile.TemporaryDirectory() as tmp:
        a = lambda *args, **kw: make_archive(tmp, *args, **kw)
        d = lambda name, entries, folders=(): make_tree(os.path.join(tmp, name), entries, folders)
        text = os.path.join(tmp, "notes.7z")
        with open(text, "w") as f:
            f.write("not an archive")
        missing_cert = os.path.join(tmp, "missing.pfx")
        cases = [  # (arguments, what the message must say)
            (["--payload", a("no-app", COMPLETE[1:])], "lacks Vellomar.exe at its top"),
            (["--payload", a("no-uninstaller", [COMPLETE[0]] + COMPLETE[2:])], "lacks VLUninstall.exe at its top"),
            (["--payload", a("ini-at-top", COMPLETE[:2] + ["version.ini"])], "lacks config/version.ini at its top"),
            (["--payload", a("none", ["readme.txt"])], "lacks Vellomar.exe VLUninstall.exe config/version.ini"),
            # A folder of that name is not the program.
            (["--payload", a("app-folder", COMPLETE[1:] + ["Vellomar.exe/x.txt"])], "lacks Vellomar.exe"),
            (["--payload", a("zip", COMPLETE, kind="zip")], "not a 7z archive"),
            (["--payload", text], "7-Zip cannot read it"),
            (["--payload", os.path.join(tmp, "absent.7z")], "no such payload"),
            (["--payload-dir", d("dir-no-app", ["config/version.ini"])], "lacks Vellomar.exe;"),
            (["--payload-dir", d("dir-no-ini", ["Vellomar.exe", "version.ini"])], "lacks config/version.ini"),
            (["--payload-dir", d("dir-ini-folder", ["Vellomar.exe"], ["config/version.ini"])], "lacks config/version.ini"),
            (["--payload-dir", d("dir-bad-name", ["Vellomar.exe", "config/version.ini", "notes/a:b.txt"])],
             "./notes/a:b.txt"),
            (["--payload-dir", os.path.join(tmp, "absent")], "no such folder"),
            (["--payload", a("both", COMPLETE), "--payload-dir", d("both-dir", COMPLETE)], "exclude each other"),
            (["--blocks", "0"], "--blocks wants a number"),
            (["--blocks", "two"], "--blocks wants a number"),
            (["--payload", a("blocks", COMPLETE), "--blocks", "3"], "embedded as it is"),
            (["--timestamp", "http://ts.example"], "--timestamp goes with --sign"),
            (["--sign-password-file", text], "--sign-password-file goes with --sign"),
            (["--sign"], "--sign needs a value"),
            # A complete archive and a complete folder pass their checks and
            # reach the next one.
            (["--payload", a("complete", COMPLETE), "--sign", missing_cert], "no such certificate file"),
            (["--payload-dir", d("complete-dir", COMPLETE), "--sign", missing_cert], "no such certificate file"),
        ]
        failures = []
        for i, (args, want) in enumerate(cases):
            tree = os.path.join(tmp, "tree%d" % i)
            r = run([BUILD_SH, "--build-dir", tree, "--out", os.path.join(tmp, "out")] + args)
            if r.returncode != 2 or want not in r.stdout or os.path.exists(tree):
                failures.append("build.sh %s: expected exit 2 saying %r and no build tree, got exit %d%s:\n%s"
                                % (" ".join(args), want, r.returncode,
                                   " and a build tree" if os.path.exists(tree) else "", r.stdout.strip()))
        expect(not failures, "\n".join(failures))


run_tests([test_refusals])
