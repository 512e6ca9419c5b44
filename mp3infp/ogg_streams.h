#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "file_kind.h"
#include "opened_file.h"

namespace mp3infp {

// The kind of the first stream of a codec the library reads among the streams that begin the
// Ogg file whose head is given (every stream opens with its first page before any other page):
// an Ogg video first, with its sound beside it, is known by its sound. Unknown when none is.
FileKind SniffOggStreams(std::string_view head);

// When an Ogg file multiplexes several logical streams: the first stream of kind alone, as Ogg
// pages from its start up to its header packets. Nothing for a file of one stream.
std::optional<std::string> StreamOfMultiplexedOgg(const OpenedFile& file, FileKind kind);

}  // namespace mp3infp
