# Synthetic undo journals for bench/run.sh, in the format core/transfer/journal.h describes;
# sourced, not run.

# write_journal PATH OPERATION STARTED FILES LAST: a run of FILES files, each with its file and
# placed records, under an album folder of twelve; LAST is its last line ("end FILES" for a run
# that came to its end, "undone" for one undone, "" for one cut short).
write_journal() {
    awk -v op="$2" -v started="$3" -v n="$4" -v last="$5" 'BEGIN {
        OFS = "\t"
        print "tunvex-journal", 2, op, started
        for (i = 0; i < n; i++) {
            album = int(i / 12)
            if (i % 12 == 0) {
                print "folder", "/music/sorted/Artist " album, "28:" (1000000 + album)
                print "sourcefolder", "/music/in/Album " album, started ".000000000", \
                    "tmpfs tmpfs / /music"
            }
            id = "28:" (2000000 + i) ":4096:" started ".000000000"
            print "file", i, "/music/in/Album " album "/" i % 12 " Title.mp3", id, \
                "/music/sorted/Artist " album "/" i % 12 ".Title.mp3", id
            print "placed", i, "", id
        }
        if (last != "")
            print last
    }' >"$1"
    chmod 600 "$1"
}

# make_journals FOLDER RUNS LARGEST: RUNS past runs in FOLDER, a day apart, the newest of LARGEST
# files and the others of a thousand; one in ten undone, one in ten cut short.
make_journals() {
    local folder=$1 runs=$2 largest=$3 i started files last
    mkdir -p "$folder"
    chmod 700 "$folder"
    for ((i = 1; i <= runs; i++)); do
        started=$((1700000000 + i * 86400))
        files=1000
        last="end	$files"
        if [ "$i" -eq "$runs" ]; then
            files=$largest
            last="end	$files"
        elif ((i % 10 == 3)); then
            last="undone"
        elif ((i % 10 == 7)); then
            last=""
        fi
        write_journal "$folder/$(date -u -d "@$started" +%Y%m%d-%H%M%S).000000-$i.journal" \
            "$([ $((i % 2)) -eq 0 ] && echo move || echo copy)" "$started" "$files" "$last"
    done
}
