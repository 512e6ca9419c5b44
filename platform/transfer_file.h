// One file of a transfer request, from checks through collisions to the final rename.
#pragma once

#include <string>

#include "platform/file_copy.h"
#include "platform/transfer.h"

namespace tunvex {

// What one file needs from its request; replaceAll carries a ReplaceAll answer to the files
// after it.
struct FileTransferContext {
    TransferOperation operation;
    unsigned flags;
    std::size_t chunkBytes;
    TransferDelegate& delegate;
    ChunkObserver onChunk;  // false cancels the request
    bool replaceAll = false;
};

// Outcome Cancelled means the whole request stops.
FileReport TransferFile(const std::string& source, const std::string& destination,
                        FileTransferContext& context);

}  // namespace tunvex
