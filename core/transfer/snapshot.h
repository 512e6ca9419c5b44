// Snapshots, and the few checks that tell whether a file is still the one a snapshot was taken
// of, or the very file that stands at a destination.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace tunvex {

// A source as its snapshot saw it: the file it names, links followed, by what tells one version
// of a file from another. The change time tells of a tagger that rewrote it in place and set its
// modification time back.
struct SourceState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    // Seconds and nanoseconds apart: a timespec pads its nanoseconds to eight bytes, and a
    // million files keep their states for the whole run.
    time_t modifiedSeconds = 0;
    time_t changedSeconds = 0;
    std::uint32_t modifiedNanoseconds = 0;
    std::uint32_t changedNanoseconds = 0;
    mode_t mode = 0;
    std::int16_t error = 0;  // why no snapshot could be taken
    bool isLink = false;     // the entry itself is a symlink
};

// One lstat, and a stat for a link.
SourceState TakeSnapshot(const std::string& path);

// What a snapshot keeps, the rest zero: enough for the checks below and for the journal.
struct stat AsStat(const SourceState& snapshot);

// Still the file of the snapshot: the same device and inode, and nothing written to it since.
bool IsUnchangedSince(const struct stat& snapshot, const struct stat& now);
// The same for the entry at path itself, a link not followed.
bool IsUnchangedSince(const struct stat& snapshot, const std::string& path);

// Whether the file at destination, links followed, is source itself: a file never goes onto
// itself. entry, when given, gets what stands there (st_mode 0: nothing).
bool IsSourceItself(const struct stat& source, const std::string& destination,
                    struct stat* entry = nullptr);

}  // namespace tunvex
