#!/usr/bin/env bash
# Installs the Debian packages that are missing; silent when everything is there. Debian 12 and 13
# name some packages differently: "a|b" takes whichever the release has, a first.
# Usage: scripts/install-deps.sh build   what building and the demo need
#        scripts/install-deps.sh test    that, and the tools the tests use
set -euo pipefail
# Compilers and libraries; the help compiler and the help viewer's archive reader; the Japanese
# font of every label, and Qt's own texts (the folder picker, the standard dialogs) in Japanese.
packages=(cmake g++ make pkg-config "libtag-dev|libtag1-dev" zlib1g-dev qt6-base-dev qt6-svg-dev
          fp-utils-3.2.2 libchm-dev fonts-ipafont-gothic qt6-translations-l10n)
if [ "${1:-build}" = test ]; then
    # GoogleTest; clang for the fuzzing run, clang-format and clang-tidy for the checks of the
    # sources; a real X server, window manager and X tools; a Wayland desktop with XWayland (and
    # Qt's Wayland platform, which tunvex must not take); installing, packaging and checking the
    # package; the FUSE file system of the durability test; setfacl, for the test that a move
    # keeps a file's ACL; the sources of the Shift-JIS and Latin-1 locales that tests compile.
    packages+=(libgtest-dev libgmock-dev clang clang-format clang-tidy libclang-rt-dev
               xvfb openbox xdotool x11-utils imagemagick weston xwayland qt6-wayland
               desktop-file-utils appstream dpkg-dev file groff-base lintian
               fuse3 libfuse3-dev acl locales)
fi
installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
missing=()
for choice in "${packages[@]}"; do
    IFS='|' read -ra names <<<"$choice"
    found=0
    for name in "${names[@]}"; do
        installed "$name" && found=1
    done
    [ "$found" -eq 0 ] && missing+=("$choice")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
for i in "${!missing[@]}"; do
    IFS='|' read -ra names <<<"${missing[$i]}"
    for name in "${names[@]}"; do
        if apt-cache show "$name" >/dev/null 2>&1; then
            missing[i]=$name
            break
        fi
    done
done
echo "== installing ${#missing[@]} packages and what they need (a minute or more): ${missing[*]}"
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "== installed"
