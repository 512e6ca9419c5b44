# The other tools that sort music by tags, run with the same layout as tunvex: Artist/Album/NN.Title.
# Sourced by bench/run.sh, not run.

# ensure_packages PACKAGE...: installs the Debian packages that are missing, quietly.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# write_beets_config BEETSDIR DESTINATION: copy on import, tags taken as they are, no plugins.
write_beets_config() {
    mkdir -p "$1"
    cat >"$1/config.yaml" <<YAML
directory: $2
library: $1/library.db
plugins: []
import:
  copy: yes
  move: no
  write: no
  autotag: no
  quiet: yes
  resume: no
  incremental: no
  log: null
paths:
  default: \$artist/\$album/\$track.\$title
  singleton: \$artist/\$album/\$track.\$title
  comp: \$artist/\$album/\$track.\$title
YAML
}

# beets_copy SOURCE DESTINATION WORKFOLDER
beets_copy() {
    rm -rf "$3/beets" "$2"
    write_beets_config "$3/beets" "$2"
    BEETSDIR="$3/beets" beet import -A -q "$1"
}

# exiftool_copy SOURCE DESTINATION: MP3 keeps the number in Track, the others in TrackNumber; the
# last assignment that can be made wins. Status 1 only says some files were not copied (no album,
# or a name taken), which counts as done.
exiftool_copy() {
    local number='s/\/.*//;$_=sprintf("%02d",$_)' status=0
    rm -rf "$2"
    exiftool -q -q -r -ext mp3 -ext flac -ext ogg -ext m4a -o "$2/" \
        "-Directory<$2/\$Artist/\$Album" \
        "-FileName<\${TrackNumber;$number}.\$Title.%e" \
        "-FileName<\${Track;$number}.\$Title.%e" \
        "$1" || status=$?
    [ "$status" -le 1 ]
}
