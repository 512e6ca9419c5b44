#!/usr/bin/env bash
# Tries tunvex as a new user of a Debian release meets it: a pristine root made by debootstrap
# (minbase), this checkout's main cloned into it, the README's two commands run there, then the
# Debian package built, checked by lintian, installed, used by a new user (tunvex-sort, its undo,
# the window and its help) and purged. One line per step with its result and time; the root is
# removed at the end, each step's log kept in build-debian/RELEASE/. Needs root and the Debian
# package registry, nothing else.
# Usage: scripts/check-debian.sh [RELEASE]   (default trixie, Debian 13; bookworm is Debian 12)
# The pristine root is kept as a tarball in $TUNVEX_DEBIAN_CACHE (default
# /var/cache/tunvex-check) and made anew when it is absent or older than a week.
set -uo pipefail
cd "$(dirname "$0")/.."
release=${1:-trixie}
cache=${TUNVEX_DEBIAN_CACHE:-/var/cache/tunvex-check}
logs=$PWD/build-debian/$release
rm -rf "$logs"
mkdir -p "$logs" "$cache"
[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (debootstrap, chroot, mounts)" >&2; exit 2; }

work=$(mktemp -d /var/tmp/tunvex-"$release".XXXXXX)
root=$work/root
cleanup() { rm -rf --one-file-system "$work"; }
trap cleanup EXIT
trap 'exit 130' INT TERM  # so that a stopped check cleans up too

failed=0
# step NAME COMMAND...: runs COMMAND with its output in the step's log and prints one line.
step() {
    local name=$1 start=$SECONDS
    shift
    if [ "$failed" -ne 0 ]; then
        printf '%-10s skipped\n' "$name"
        return
    fi
    if "$@" >"$logs/$name.log" 2>&1; then
        printf '%-10s ok (%d s)\n' "$name" $((SECONDS - start))
    else
        printf '%-10s FAILED (%d s); the end of %s:\n' "$name" $((SECONDS - start)) \
            "$logs/$name.log"
        tail -n 30 "$logs/$name.log" | sed 's/^/    /'
        failed=1
    fi
}

# in_root COMMAND: runs a bash command in the root as root, with its own /proc, /sys, /dev, /tmp
# and /dev/shm in a mount namespace of its own, so that nothing stays mounted after it. The root
# is a mount point, as a real one is, for the tests that make its mounts private.
in_root() {
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    unshare --mount --propagation private bash -c '
        root=$1
        mount --bind "$root" "$root"
        mount -t proc proc "$root/proc"
        mount --rbind /sys "$root/sys"
        mount --rbind /dev "$root/dev"
        mount -t tmpfs tmpfs "$root/dev/shm"
        mount -t tmpfs tmpfs "$root/tmp"
        exec chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -euo pipefail -c "$2"
    ' in_root "$root" "$1"
}

make_root() {
    local tarball=$cache/$release-minbase.tar
    if [ -z "$(find "$tarball" -mtime -7 2>/dev/null)" ]; then
        command -v debootstrap >/dev/null ||
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap ||
            { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap; }
        debootstrap --variant=minbase "$release" "$work/fresh" http://deb.debian.org/debian &&
            tar -C "$work/fresh" -cf "$tarball.new" . && mv "$tarball.new" "$tarball" &&
            rm -rf --one-file-system "$work/fresh" || return 1
    fi
    mkdir "$root" && tar -C "$root" -xf "$tarball"
}

clone() {
    # git is not in a minbase root: the clone is made outside and copied in.
    git clone -q --no-hardlinks "file://$PWD" "$root/root/tunvex" &&
        git -C "$root/root/tunvex" log -1 --format='%h %s'
}

# The package as a user installs it, then used by a new user (user_tries below), then purged.
use_package() {
    declare -f user_tries >"$root/opt/user-tries.sh"
    in_root '
        cd /root/tunvex/build
        rm -rf packages && cpack -G DEB -B packages >/dev/null
        deb=$(echo packages/*.deb)
        dpkg-deb --field "$deb" Package Version Depends
        lintian --fail-on error,warning "$deb"
        apt-get install -y -qq "./$deb" >/dev/null
        useradd --create-home --shell /bin/bash newuser
        bin/tunvex-make-library /home/newuser/incoming 3 >/dev/null
        chown -R newuser: /home/newuser/incoming
        su newuser --login --command "source /opt/user-tries.sh && user_tries"
        apt-get purge -y -qq tunvex >/dev/null
        test ! -e /usr/lib/tunvex
        echo "purged"
    '
}

# What a new user does first: a sort by tunvex-sort into ~/sorted and its undo, then the window
# and the help viewer on a display of their own.
user_tries() {
    set -euo pipefail
    tunvex-sort --set BaseFolderPath="$HOME/sorted" --set CopyMode=1 incoming
    find sorted -type f | sort
    test -z "$(find incoming -type f)"
    tunvex-sort --undo
    test -n "$(find incoming -type f)"
    # A display of their own (xvfb-run would need xauth, which a minimal root lacks).
    Xvfb :77 -nolisten tcp >/dev/null 2>&1 &
    local server=$!
    export DISPLAY=:77
    # xdotool matches the Japanese title of the help only in a UTF-8 locale.
    export LC_ALL=C.UTF-8
    window() {
        for _ in $(seq 100); do
            xdotool search --onlyvisible --name "$1" && return
            sleep 0.1
        done
        return 1
    }
    tunvex &
    local program=$!
    window "^tunvex$"
    /usr/lib/tunvex/tunvex-help /usr/lib/tunvex/tunvex.chm &
    local help=$!
    window "tunvex ヘルプ$"
    kill "$program" "$help" "$server" 2>/dev/null || true
    echo "sorted, undone, the window and its help shown"
}

echo "== tunvex on a pristine Debian $release root: one line per step, logs in $logs"
step root make_root
step clone clone
step run.sh in_root 'cd /root/tunvex && scripts/run.sh'
step test.sh in_root 'cd /root/tunvex && scripts/test.sh'
step package use_package
exit "$failed"
