"""What the shipping tests share: the build trees, build.sh, the throwaway
certificate authority, the sample folder packed with --payload-dir, and a
reader of the icon and version resources of a built program (wrestool from
icoutils pulls the raw bytes out)."""
import os
import random
import re
import shutil
import struct
import subprocess

SOURCE_DIR = os.environ["VL_SOURCE_DIR"]
BIN_DIR = os.environ["VL_BIN_DIR"]
OUT_DIR = os.environ["VL_OUT_DIR"]
BUILD_SH = os.path.join(SOURCE_DIR, "scripts", "build.sh")

# The folder build of the shipping fixture (shipping_build.py makes it).
SHIP_DIR = os.path.join(BIN_DIR, "shipping")
CA_DIR = os.path.join(SHIP_DIR, "ca")
FOLDER = os.path.join(SHIP_DIR, "folder")
SHIP_OUT = os.path.join(SHIP_DIR, "out")
SHIP_TREE = os.path.join(SHIP_DIR, "tree")
SHIP_SETUP = os.path.join(SHIP_OUT, "VLSetup.exe")
# The installer Wine runs here: the shipped i686 one, or where the tests run the
# x86_64 build, that build's own (build.sh leaves it in the tree's out/).
RUN_SETUP = SHIP_SETUP if os.environ.get("VL_ARCH") != "x86_64" else os.path.join(SHIP_TREE, "out", "VLSetup.exe")
FOLDER_VER_CODE = 4242
FOLDER_FILE_VERSION = "2.3.4.5"
FOLDER_BLOCKS = 3
# The same tree built once more beforehand from an archive (--payload).
ARCHIVE = os.path.join(SHIP_DIR, "vendor.7z")
ARCHIVE_OUT = os.path.join(SHIP_DIR, "out-archive")
ARCHIVE_VER_CODE = 4343

# The sample folder: a file at the top, nested folders, an empty folder,
# names with spaces and Chinese characters, one file big enough to fill a
# solid block by itself. Vellomar.exe is the default payload's.
FOLDER_FILES = {
    "config/version.ini": b"[VERSION]\r\nAppVerCode=%d\r\nAppVersion=4.2.42\r\n" % FOLDER_VER_CODE,
    "readme.txt": b"sample payload\r\n",
    "plugins/markdown.dat": None,   # 300 KB of noise, below
    "plugins/small.txt": b"small\r\n",
    "resource/my notes/帮助 说明.txt": "帮助".encode("utf-8"),
}
FOLDER_EMPTY_DIRS = ["plugins/空的"]


def run(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


def make_folder():
    shutil.rmtree(FOLDER, ignore_errors=True)
    for rel, data in FOLDER_FILES.items():
        path = os.path.join(FOLDER, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if data is None:
            data = random.Random(7).randbytes(300 * 1024)
        with open(path, "wb") as f:
            f.write(data)
    for d in FOLDER_EMPTY_DIRS:
        os.makedirs(os.path.join(FOLDER, d))
    shutil.copyfile(os.path.join(BIN_DIR, "payload", "Vellomar.exe"), os.path.join(FOLDER, "Vellomar.exe"))


def folder_entries():
    """The sample folder's files and folders, relative, with '/'."""
    out = set()
    for root, dirs, files in os.walk(FOLDER):
        for n in dirs + files:
            out.add(os.path.relpath(os.path.join(root, n), FOLDER).replace(os.sep, "/"))
    return out


def make_ca(where, name):
    """A throwaway CA and a code-signing certificate it issued, as a password
    protected PKCS#12 file. Returns (ca.pem, cert.pfx, password file)."""
    os.makedirs(where, exist_ok=True)
    p = lambda n: os.path.join(where, n)
    with open(p("ext.cnf"), "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
    with open(p("password"), "w") as f:
        f.write("throw away")
    steps = [
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", p("ca.key"), "-out", p("ca.pem"),
         "-days", "30", "-subj", "/CN=%s Test CA" % name,
         "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"],
        ["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", p("cs.key"), "-out", p("cs.csr"),
         "-subj", "/CN=Tessaly Test Signing/O=Tessaly"],
        ["openssl", "x509", "-req", "-in", p("cs.csr"), "-CA", p("ca.pem"), "-CAkey", p("ca.key"),
         "-CAcreateserial", "-out", p("cs.pem"), "-days", "30", "-extfile", p("ext.cnf")],
        ["openssl", "pkcs12", "-export", "-out", p("cs.pfx"), "-inkey", p("cs.key"), "-in", p("cs.pem"),
         "-certfile", p("ca.pem"), "-passout", "file:" + p("password")],
    ]
    for cmd in steps:
        r = run(cmd)
        if r.returncode != 0:
            raise AssertionError("%s failed:\n%s" % (cmd[:2], r.stdout))
    return p("ca.pem"), p("cs.pfx"), p("password")


def payload_resource_id():
    """IDR_PAYLOAD, as the installer's header names it."""
    with open(os.path.join(SOURCE_DIR, "engine", "payload_resource.h")) as f:
        return re.search(r"#define IDR_PAYLOAD (\d+)", f.read()).group(1)


def embedded_payload(setup_exe, dest):
    """The 7z archive VLSetup.exe carries (the payload resource), written to dest."""
    r = subprocess.run(["wrestool", "-x", "--raw", "--type=FILE", "--name=" + payload_resource_id(), setup_exe],
                       stdout=subprocess.PIPE, check=True)
    with open(dest, "wb") as f:
        f.write(r.stdout)
    return dest


# ---- Resources ------------------------------------------------------------------------

def resource_list(exe):
    """(type, name) pairs in the order of the resource directory."""
    r = run(["wrestool", "-l", exe])
    out = []
    for line in r.stdout.splitlines():
        fields = dict(f.split("=", 1) for f in line.split() if f.startswith("--"))
        out.append((fields.get("--type", "").strip("'"), fields.get("--name", "").strip("'")))
    return out


def _parse_block(buf, off):
    """One VS_VERSIONINFO node: (key, value bytes, text?, children, end)."""
    length, value_length, is_text = struct.unpack_from("<HHH", buf, off)
    end = off + length
    pos = off + 6
    key_end = pos
    while buf[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = buf[pos:key_end].decode("utf-16le")
    pos = (key_end + 2 + 3) & ~3
    size = value_length * 2 if is_text else value_length
    value = buf[pos:pos + size]
    pos = (pos + size + 3) & ~3
    children = []
    while pos < end:
        child = _parse_block(buf, pos)
        children.append(child)
        pos = (child[4] + 3) & ~3
    return key, value, is_text, children, end


def version_info(exe):
    """dict: 'file' and 'product' version tuples, 'strings' {block: {name: text}},
    'translation' list of (language, code page)."""
    raw = subprocess.run(["wrestool", "-x", "--raw", "--type=16", exe], stdout=subprocess.PIPE, check=True).stdout
    if not raw:
        return None
    key, value, _, children, _ = _parse_block(raw, 0)
    assert key == "VS_VERSION_INFO", key
    sig, _, fms, fls, pms, pls = struct.unpack_from("<IIIIII", value, 0)
    assert sig == 0xFEEF04BD, hex(sig)
    info = dict(file=(fms >> 16, fms & 0xFFFF, fls >> 16, fls & 0xFFFF),
                product=(pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF),
                strings={}, translation=[])
    for ckey, _, _, grand, _ in children:
        if ckey == "StringFileInfo":
            for bkey, _, _, values, _ in grand:
                info["strings"][bkey] = {k: v.decode("utf-16le").rstrip("\0") for k, v, _, _, _ in values}
        elif ckey == "VarFileInfo":
            for _, v, _, _, _ in grand:
                info["translation"] += [struct.unpack_from("<HH", v, i) for i in range(0, len(v), 4)]
    return info
