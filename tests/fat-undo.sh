#!/usr/bin/env bash
# Undo across remounts of FAT and exFAT disks, through their kernel and FUSE drivers: what no ctest
# can show, for it needs root, loop devices and the drivers. Run as root after a build:
#   tests/fat-undo.sh [build]       (DRIVERS="exfat-fuse fusefat" to try only those)
# For each driver there is: a move onto the disk, the disk remounted (its files get new inode
# numbers), the undo: every file back, nothing left on the disk. Then a move off the disk, the disk
# unmounted, the undo: refused, nothing made on the bare mount point; the disk mounted again, the
# undo: every file back. One line per driver and step; status 1 when one failed.
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../build}" && pwd)"
[ "$(id -u)" -eq 0 ] || { echo "run as root: it mounts loop devices" >&2; exit 2; }
missing=()
for tool in mkfs.vfat:dosfstools mkfs.exfat:exfatprogs mount.exfat-fuse:exfat-fuse fusefat:fusefat; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool##*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

work="$(mktemp -d)"
disk="$work/disk"
image="$work/disk.img"
failed=0
cleanup() {
    umount "$disk" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

say() { printf '%-22s %-48s %s\n' "$1" "$2" "$3"; }
check() {  # driver step condition...
    local driver="$1" step="$2"
    shift 2
    if "$@"; then say "$driver" "$step" ok; else say "$driver" "$step" FAILED; failed=1; fi
}

mount_disk() {  # driver
    case "$1" in
        vfat) mount -t vfat -o loop "$image" "$disk" ;;
        exfat) mount -t exfat -o loop "$image" "$disk" ;;
        exfat-fuse) mount.exfat-fuse "$(losetup -f --show "$image")" "$disk" ;;
        fusefat) fusefat -o rw+ "$(losetup -f --show "$image")" "$disk" >/dev/null ;;
    esac
}
unmount_disk() {
    local device
    device="$(findmnt -n -o SOURCE "$disk" || true)"
    umount "$disk"
    [[ "$device" == /dev/loop* ]] && losetup -d "$device" 2>/dev/null || true
}

sort_files() {  # from base
    cat >"$work/tunvex.ini" <<INI
[TunvexOption]
BaseFolderPath=$2
FolderNamingMode=2
FileNamingMode=3
CopyMode=1
RemoveEmptiedFolders=1
INI
    HOME="$work/home" XDG_STATE_HOME= XDG_DATA_HOME="$work/home/data" \
        "$build/bin/tunvex-sort" --settings "$work/tunvex.ini" --yes "$1" >"$work/sort.log" 2>&1
}
undo() {
    HOME="$work/home" XDG_STATE_HOME= XDG_DATA_HOME="$work/home/data" \
        "$build/bin/tunvex-sort" --undo >"$work/undo.log" 2>&1
}
same_files() { diff -r "$work/original" "$1" >/dev/null; }
empty() { [ ! -e "$1" ] || [ -z "$(ls -A "$1")" ]; }

for driver in ${DRIVERS:-vfat exfat exfat-fuse fusefat}; do
    case "$driver" in
        vfat | exfat)
            if ! grep -qw "$driver" /proc/filesystems && ! modprobe "$driver" 2>/dev/null; then
                say "$driver" "(this kernel has no such driver)" skipped
                continue
            fi
            ;;
    esac
    rm -rf "$work/home" "$work/in" "$work/out" "$work/original"
    mkdir -p "$disk" "$work/home" "$work/out"
    truncate -s 64M "$image"
    case "$driver" in
        vfat | fusefat) mkfs.vfat "$image" >/dev/null ;;
        *) mkfs.exfat "$image" >/dev/null ;;
    esac
    "$build/bin/tunvex-make-library" "$work/in" 20 >/dev/null
    cp -a "$work/in" "$work/original"

    mount_disk "$driver"
    sort_files "$work/in" "$disk/sorted" || true
    say "$driver" "moved onto the disk" "$(tail -n 1 "$work/sort.log" | cut -c 14-)"
    unmount_disk
    mount_disk "$driver"
    undo || true
    check "$driver" "remounted, undone: every file back" same_files "$work/in"
    check "$driver" "remounted, undone: nothing left on the disk" empty "$disk/sorted"
    rm -rf "${disk:?}"/*

    rm -rf "$work/home"
    mkdir -p "$work/home"
    # A driver that refuses some names (fusefat takes no Japanese) gets what it takes.
    cp -r "$work/original/." "$disk/" 2>/dev/null || true
    rm -rf "$work/original"
    cp -r "$disk" "$work/original"
    sort_files "$disk" "$work/out" || true
    say "$driver" "moved off the disk" "$(tail -n 1 "$work/sort.log" | cut -c 14-)"
    unmount_disk
    if undo; then say "$driver" "unmounted, undo refused" FAILED; failed=1; else
        check "$driver" "unmounted, undone: refused, the reason told" grep -q "not on the disk" "$work/undo.log"
    fi
    check "$driver" "unmounted: nothing made on the mount point" empty "$disk"
    mount_disk "$driver"
    undo || true
    check "$driver" "mounted again, undone: every file back" same_files "$disk"
    unmount_disk
done
exit "$failed"
