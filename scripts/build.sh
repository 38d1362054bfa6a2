#!/usr/bin/env bash
# Configures and builds everything with MinGW-w64; leaves VLSetup.exe in the
# output folder.
#   --payload FILE.7z          embed this archive instead of the default payload
#   --payload-dir DIR          pack this folder as the payload, with our VLUninstall.exe
#   --blocks N                 solid blocks of a packed payload (default 2)
#   --sign CERT.pfx            sign Vellomar.exe, VLUninstall.exe and VLSetup.exe
#   --sign-password-file FILE  the password of CERT.pfx
#   --timestamp URL            RFC 3161 time-stamping server for the signatures
#   --file-version A.B.C.D     file version of the three programs (default 1.0.0.0)
#   --collect-host HOST        host name the install report goes to
#   --out DIR                  where the shipped (i686) VLSetup.exe is left (default build/out)
#   --build-dir DIR            CMake build tree of the tests' mode (default build/<arch>)
#   --installer-only           build VLSetup.exe and what it carries, no tests
#   --trap-ub                  trap on undefined behaviour in our code (the test build)
# VL_TREE=name in the environment selects build/tree-name-<arch> and its own Wine prefix.
# Where the tests run the x86_64 build (see README), the i686 installer is built
# as well, so that a change that breaks the shipped build fails here too; the
# x86_64 installer is then left in the tree's own out/ folder.
set -euo pipefail
. "$(dirname "$0")/env.sh"

die() { echo "build.sh: $*" >&2; exit 2; }
need_arg() { [ $# -ge 2 ] && [ -n "$2" ] || die "$1 needs a value"; }

payload="" payload_dir="" blocks=2 cert="" passfile="" tsurl="" fversion="1.0.0.0"
host="collect.vellomar.com" out="$VL_SHIP_OUT" bdir="" target="" trap_ub=OFF
while [ $# -gt 0 ]; do
    case "$1" in
        --payload)            need_arg "$@"; payload=$(realpath -m "$2"); shift 2 ;;
        --payload-dir)        need_arg "$@"; payload_dir=$(realpath -m "$2"); shift 2 ;;
        --blocks)             need_arg "$@"; blocks="$2"; blocks_given=1; shift 2 ;;
        --sign)               need_arg "$@"; cert=$(realpath -m "$2"); shift 2 ;;
        --sign-password-file) need_arg "$@"; passfile=$(realpath -m "$2"); shift 2 ;;
        --timestamp)          need_arg "$@"; tsurl="$2"; shift 2 ;;
        --file-version)       need_arg "$@"; fversion="$2"; shift 2 ;;
        --collect-host)       need_arg "$@"; host="$2"; shift 2 ;;
        --out)                need_arg "$@"; out=$(realpath -m "$2"); shift 2 ;;
        --build-dir)          need_arg "$@"; bdir=$(realpath -m "$2"); shift 2 ;;
        --installer-only)     target=VLSetup; shift ;;
        --trap-ub)            trap_ub=ON; shift ;;
        -h|--help)            sed -n '2,19p' "$0"; exit 0 ;;
        *) die "unknown argument $1" ;;
    esac
done
[ -n "$bdir" ] || bdir="$VL_BUILD_TREE"

# ---- What the options ask for must make sense before anything is built ----------
[ -z "$payload" ] || [ -z "$payload_dir" ] || die "--payload and --payload-dir exclude each other"
[[ "$blocks" =~ ^[1-9][0-9]?$ ]] || die "--blocks wants a number of solid blocks from 1 to 99, not '$blocks'"
[ -z "${blocks_given:-}" ] || [ -z "$payload" ] || die "--blocks packs a payload; an archive given with --payload is embedded as it is"

# The installer expects these at the payload's top (README, "Packaging").
required=(Vellomar.exe VLUninstall.exe config/version.ini)

if [ -n "$payload" ]; then
    [ -f "$payload" ] || die "no such payload: $payload"
    listing=$(7zz l -slt "$payload" 2>/dev/null) || die "$payload: 7-Zip cannot read it as an archive"
    grep -qx 'Type = 7z' <<<"$listing" || die "$payload: not a 7z archive (the installer unpacks 7z only)"
    # Files only: a folder named like one of them does not count.
    files=$(awk '/^----------/{body=1} body && /^Path = /{p=substr($0,8); gsub(/\\/, "/", p)}
                 body && /^Attributes = /{if (substr($0,14,1) != "D") print p}' <<<"$listing")
    missing=()
    for f in "${required[@]}"; do
        grep -qxF "$f" <<<"$files" || missing+=("$f")
    done
    [ ${#missing[@]} -eq 0 ] || die "$payload lacks ${missing[*]} at its top; the installer needs Vellomar.exe, VLUninstall.exe and config/version.ini"
fi

if [ -n "$payload_dir" ]; then
    [ -d "$payload_dir" ] || die "no such folder: $payload_dir"
    missing=()
    for f in Vellomar.exe config/version.ini; do
        [ -f "$payload_dir/$f" ] || missing+=("$f")
    done
    [ ${#missing[@]} -eq 0 ] || die "$payload_dir lacks ${missing[*]}; the installer needs Vellomar.exe and config/version.ini in the folder (VLUninstall.exe is added)"
    # Names Windows cannot hold would unpack nowhere; ';' separates lists in the build.
    bad=$(cd "$payload_dir" && find . -mindepth 1 -name '*[<>:"|?*\\;]*' -print | head -n 5)
    [ -z "$bad" ] || die "$payload_dir has names that cannot be packed (one of < > : \" | ? * \\ ;):"$'\n'"$bad"
    if [ -e "$payload_dir/VLUninstall.exe" ]; then
        echo "build.sh: note: $payload_dir/VLUninstall.exe is replaced by the uninstaller built for this folder" >&2
    fi
fi

if [ -n "$cert" ]; then
    [ -f "$cert" ] || die "no such certificate file: $cert"
    [ -z "$passfile" ] || [ -f "$passfile" ] || die "no such password file: $passfile"
    command -v osslsigncode >/dev/null || die "signing needs osslsigncode (scripts/setup.sh installs it)"
else
    [ -z "$passfile" ] || die "--sign-password-file goes with --sign"
    [ -z "$tsurl" ] || die "--timestamp goes with --sign"
fi

# configure_and_build ARCH TREE OUT: one CMake tree of one architecture.
configure_and_build() {
    local arch=$1 tree=$2 outdir=$3
    mkdir -p "$tree"
    if ! cmake -S "$VL_ROOT" -B "$tree" -G Ninja \
          -DCMAKE_TOOLCHAIN_FILE="$VL_ROOT/cmake/toolchain-$arch-w64-mingw32.cmake" \
          -DVL_PAYLOAD="$payload" -DVL_PAYLOAD_DIR="$payload_dir" -DVL_PAYLOAD_BLOCKS="$blocks" \
          -DVL_SIGN_CERT="$cert" -DVL_SIGN_PASSWORD_FILE="$passfile" -DVL_SIGN_TIMESTAMP="$tsurl" \
          -DVL_FILE_VERSION="$fversion" -DVL_TRAP_UB="$trap_ub" \
          -DVL_COLLECT_HOST="$host" -DVL_OUT_DIR="$outdir" \
          -DVL_LZMA_DIR="$VL_LZMA_DIR" -DVL_SCREENSHOTS_DIR="$VL_SCREENSHOTS" >"$tree/configure.log" 2>&1; then
        grep -A8 'Error' "$tree/configure.log" >&2 || tail -n 30 "$tree/configure.log" >&2
        echo "build.sh: configuring the $arch build failed (full log: $tree/configure.log)" >&2
        exit 1
    fi
    if ! cmake --build "$tree" ${target:+--target "$target"} -- -j"$(nproc)" >"$tree/build.log" 2>&1; then
        grep -v '^\[' "$tree/build.log" | tail -n 60 >&2
        echo "build.sh: the $arch build failed (full log: $tree/build.log)" >&2
        exit 1
    fi
}

# sign_installer FILE: the installer is signed last, over everything it carries.
# Unsigned builds drop a signature an earlier signed build left on an unchanged file.
sign_installer() {
    local setup=$1
    if [ -n "$cert" ]; then
        cmake -DFILE="$setup" -DSIGNTOOL="$(command -v osslsigncode)" -DCERT="$cert" \
              -DPASSWORD_FILE="$passfile" -DTIMESTAMP="$tsurl" -DDESCRIPTION="Vellomar 安装程序" \
              -P "$VL_ROOT/cmake/sign.cmake" || { echo "build.sh: signing $setup failed" >&2; exit 1; }
    elif command -v osslsigncode >/dev/null && osslsigncode extract-signature -in "$setup" -out "$setup.sig" >/dev/null 2>&1; then
        rm -f "$setup.sig"
        osslsigncode remove-signature -in "$setup" -out "$setup.unsigned" >/dev/null
        mv "$setup.unsigned" "$setup"
    fi
    rm -f "$setup.sig"
}

if [ "$VL_ARCH" = i686 ]; then
    configure_and_build i686 "$bdir" "$out"
    sign_installer "$out/VLSetup.exe"
    echo "build.sh: $out/VLSetup.exe${cert:+ (signed)}" >&2
else
    # The shipped tree beside the tests' one: build/i686 for build/x86_64.
    ship_tree="$VL_SHIP_TREE"
    [ "$bdir" = "$VL_BUILD_TREE" ] || ship_tree="$bdir-i686"
    configure_and_build x86_64 "$bdir" "$bdir/out"
    sign_installer "$bdir/out/VLSetup.exe"
    echo "build.sh: $bdir/out/VLSetup.exe (x86_64, for the tests under 64-bit Wine)" >&2
    target=VLSetup configure_and_build i686 "$ship_tree" "$out"
    sign_installer "$out/VLSetup.exe"
    echo "build.sh: $out/VLSetup.exe (i686, the shipped installer)${cert:+ (signed)}" >&2
fi
