// Copying one file's data and attributes into a temporary beside its destination.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/owned_fd.h"
#include "core/files/attribute_loss.h"
#include "core/files/held_temporary.h"

namespace tunvex {

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
    int error = 0;         // errno of the failure
    unsigned notKept = 0;  // AttributeLoss bits (attribute_loss.h)
    bool cancelled = false;
    bool sourceChanged = false;  // written to while it was read: the copy is gone
    std::string temporaryPath;   // set only when the copy is complete
    HeldTemporary lock;          // keeps the temporary locked while it is held
    struct stat source = {};     // the file copied, as it was opened
    struct stat copy = {};       // the temporary, as it was completed
};

// Opens source (links followed) to be copied, without blocking on a FIFO; info gets the file
// opened. 0 or errno.
int OpenSource(const std::string& source, OwnedFd& opened, struct stat& info);

// Copies source (links followed) into a new temporary in folder: content, and as far as the
// destination takes them permission bits, access and modification times, owner (set-id bits
// are dropped without it), user.* extended attributes and the access ACL, as mv does. With
// session.syncData the temporary is fsync'd and closed (its close heard) before it is handed back;
// without, the caller's syncfs hears of its write-back errors. After a failure or a stop it is
// gone. Chunks of session.chunkBytes go through copy_file_range, or read/write where the kernel
// cannot copy between the two files.
StagedCopy CopyToTemporary(const std::string& source, const std::string& folder,
                           CopySession& session, const ChunkObserver& observer);
// The same from a source OpenSource gave, with the info it gave.
StagedCopy CopyToTemporary(OwnedFd source, const struct stat& info, const std::string& folder,
                           CopySession& session, const ChunkObserver& observer);

}  // namespace tunvex
