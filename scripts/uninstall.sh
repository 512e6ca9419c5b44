#!/usr/bin/env bash
# Removes what `cmake --install build` put in place, as build/install_manifest.txt lists it, and
# the folders that leaves empty, but for the prefix's bin, lib, share and share/man (Debian makes
# them in /usr/local, and links /usr/local/man to share/man).
# Usage: scripts/uninstall.sh [MANIFEST]   (as the user who installed: sudo for /usr/local)
set -euo pipefail
manifest=${1:-"$(dirname "$0")/../build/install_manifest.txt"}
programs=$(grep -m1 '/lib/tunvex/' "$manifest")
prefix=${programs%%/lib/tunvex/*}
xargs -d '\n' rm -fv <"$manifest"
sed 's|/[^/]*$||' "$manifest" | sort -ur | while IFS= read -r folder; do
    while [ "${folder#"$prefix"/}" != "$folder" ]; do
        case "${folder#"$prefix"/}" in
            bin | lib | share | share/man) break ;;
        esac
        rmdir "$folder" 2>/dev/null || break
        echo "removed folder '$folder'"
        folder=${folder%/*}
    done
done
