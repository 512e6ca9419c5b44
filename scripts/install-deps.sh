#!/usr/bin/env bash
# Installs the Debian packages that are missing; silent when everything is there.
# Usage: scripts/install-deps.sh [extra-package...]
set -euo pipefail
packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libtag1-dev zlib1g-dev
          clang libclang-rt-14-dev qt6-base-dev qt6-svg-dev fonts-ipafont-gothic
          xvfb openbox xdotool x11-utils imagemagick "$@")
# The help file and its viewer; installing, packaging and checking the package.
packages+=(libchm-dev fp-utils-3.2.2 desktop-file-utils appstream dpkg-dev file groff-base)
# Qt's own texts (the folder picker, the standard dialogs) in Japanese.
packages+=(qt6-translations-l10n)
# The FUSE file system of the transfer durability test.
packages+=(fuse3 libfuse3-dev)
# setfacl, for the test that a move keeps a file's ACL; the sources of the Shift-JIS and Latin-1
# locales that tests compile.
packages+=(acl locales)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
