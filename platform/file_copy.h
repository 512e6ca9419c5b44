// Copying one file's data and attributes into a temporary beside its destination.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/owned_fd.h"

namespace tunvex {

// Temporaries are named kTemporaryPrefix + six random characters + kTemporarySuffix. Each is
// held under an exclusive flock from its creation until it is claimed or dropped, so that a lock
// that can be taken marks one a killed run left behind.
constexpr char kTemporaryPrefix[] = ".tunvex-";
constexpr char kTemporarySuffix[] = ".part";

// True for a file name of the temporaries' form: never a file to sort.
bool IsTemporaryName(std::string_view name);

// Removes the temporaries in folder that no live run holds locked.
void RemoveStaleTemporaries(const std::string& folder);

// Told the bytes of each chunk just written; false stops the copy.
using ChunkObserver = std::function<bool(std::uint64_t bytes)>;

// What the copies of one request share.
struct CopySession {
    std::size_t chunkBytes = 8u << 20;
    // false when the caller makes the data durable itself, for many files at once.
    bool syncData = true;
    std::vector<char> buffer;  // for read/write, sized at its first use
};

struct StagedCopy {
    int error = 0;  // errno of the failure
    bool cancelled = false;
    std::string temporaryPath;  // set only when the copy is complete
    OwnedFd lock;               // keeps the temporary locked while it is held
    struct stat source {};      // the file copied, as it was opened
};

// Copies source (links followed) into a new temporary in folder: content, permission bits,
// access and modification times, owner where allowed (set-id bits are dropped when it is
// not). With session.syncData the temporary is fsync'd before it is handed back; after a
// failure or a stop it is gone. Chunks of session.chunkBytes go through copy_file_range, or
// read/write where the kernel cannot copy between the two files.
StagedCopy CopyToTemporary(const std::string& source, const std::string& folder,
                           CopySession& session, const ChunkObserver& observer);

// Writes all of data, through short writes. 0 or errno.
int WriteAll(int fd, const char* data, std::size_t size);

}  // namespace tunvex
