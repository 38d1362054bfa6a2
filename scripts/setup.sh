#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's archive only,
# and prepares the dedicated Wine prefix. Idempotent: silent when all is there.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
VL_ARCH_FORCED=${VL_ARCH:-}   # an explicit VL_ARCH=x86_64 is kept
. "$ROOT/scripts/env.sh"

log() { echo "setup: $*" >&2; }

HOST_PKGS=(cmake ninja-build g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64
           xvfb xdotool x11-utils imagemagick 7zip fonts-wqy-microhei fonts-wqy-zenhei
           googletest python3 locales osslsigncode icoutils openssl optipng)
I386_PKGS=(wine32:i386 libgstreamer-plugins-base1.0-0:i386)

missing() {
    local p out=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || out+=("$p")
    done
    echo "${out[@]:-}"
}

APT_UPDATED=0
apt_update() {
    [ $APT_UPDATED = 1 ] && return 0
    # The i386 security index sometimes fails to download ("unexpected size");
    # the rest of the archive is still usable, so a non-zero exit is tolerated.
    apt-get update -qq >/dev/null 2>&1 || log "apt-get update reported errors (tolerated)"
    APT_UPDATED=1
}

apt_install() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# --- host packages -----------------------------------------------------------
need=$(missing "${HOST_PKGS[@]}")
if [ -n "$need" ]; then
    log "installing $need"
    apt_update
    apt_install $need
fi

# --- Chinese locale: Windows programs run with code page 936, as on the
# machines the installer is made for ---------------------------------------------
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    log "generating the zh_CN.UTF-8 locale"
    [ -f /etc/locale.gen ] || { apt_update; apt_install locales; }
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi

# --- 32-bit Wine ---------------------------------------------------------------
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "adding the i386 architecture"
    dpkg --add-architecture i386
    APT_UPDATED=0
fi
need=$(missing "${I386_PKGS[@]}")
if [ -n "$need" ]; then
    log "installing $need"
    apt_update
    if ! err=$(apt_install $need 2>&1); then
        # When the i386 security index could not be downloaded, an amd64 library
        # from the security suite has no i386 twin of the same version, and the
        # two architectures cannot be installed side by side. Only then, and only
        # for the libraries apt names, is the security suite preferred less.
        skew=$(printf '%s\n' "$err" | sed -n 's/^ *\([a-z0-9][a-z0-9.+-]*\):i386 : .*but .* is to be installed.*/\1/p' | sort -u | tr '\n' ' ')
        if [ -z "$skew" ]; then
            printf '%s\n' "$err" | tail -n 20 >&2
            log "WARNING: 32-bit Wine could not be installed; the tests will run the x86_64 build"
        else
            pin=/etc/apt/preferences.d/vlsetup-i386-skew
            log "WARNING: amd64 and i386 versions disagree for: $skew"
            log "WARNING: writing $pin to prefer the main release for these packages only"
            printf 'Package: %s\nPin: release l=Debian-Security\nPin-Priority: 100\n' "$skew" > "$pin"
            APT_UPDATED=0; apt_update
            apt_install $need || log "WARNING: 32-bit Wine could not be installed even so; the tests will run the x86_64 build"
        fi
    fi
fi
[ -x "$VL_WINE64" ] || { log "64-bit Wine ($VL_WINE64) is missing although the wine64 package is installed"; exit 1; }

# --- the mode: which build the tests run, decided by running 32-bit Wine ----------
if [ -z "$VL_ARCH_FORCED" ]; then
    unset VL_ARCH VL_ARCH_WHY
    mkdir -p "$VL_BUILD"
    vl_probe_arch > "$VL_MODE_FILE.new" && mv "$VL_MODE_FILE.new" "$VL_MODE_FILE"
else
    export VL_ARCH_WHY="forced by VL_ARCH=$VL_ARCH_FORCED"
fi
. "$ROOT/scripts/env.sh"
if [ "$VL_ARCH" = i686 ] && ! "$VL_WINE32" --version >/dev/null 2>&1; then
    log "VL_ARCH=i686, but 32-bit Wine does not run here: $(vl_probe_arch | cut -f2)"
    exit 1
fi

# --- LZMA SDK sources (C decoder) from Debian's 7zip source package -------------
if [ ! -f "$VL_LZMA_DIR/C/7zDec.c" ]; then
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
        log "adding a deb-src entry"
        cat > /etc/apt/sources.list.d/vlsetup-src.sources <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $(. /etc/os-release && echo "$VERSION_CODENAME")
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        APT_UPDATED=0
    fi
    apt_update
    dl=$(mktemp -d)
    (cd "$dl" && apt-get source --download-only -qq 7zip >/dev/null)
    orig=$(ls "$dl"/7zip_*.orig.tar.* | head -n1)
    rm -rf "$VL_LZMA_DIR"; mkdir -p "$VL_LZMA_DIR"
    tar -xf "$orig" -C "$VL_LZMA_DIR" --strip-components=1 --wildcards '*/C/*'
    rm -rf "$dl"
    [ -f "$VL_LZMA_DIR/C/7zDec.c" ] || { log "LZMA SDK sources not found in $orig"; exit 1; }
    log "LZMA SDK sources in $VL_LZMA_DIR"
fi

# --- Wine prefix ------------------------------------------------------------------
"$ROOT/scripts/wine-prefix.sh"
