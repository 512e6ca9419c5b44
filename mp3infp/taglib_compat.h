#pragma once

// What differs between TagLib 1 (Debian 12) and TagLib 2 (Debian 13) stands here and nowhere else.

#include <taglib/id3v2framefactory.h>
#include <taglib/taglib.h>
#include <taglib/tiostream.h>

#include <cstddef>
#include <memory>
#include <type_traits>

namespace mp3infp {

// Positions in a stream, where a block starts and how long it is, as TagLib's IOStream declares
// them.
#if TAGLIB_MAJOR_VERSION >= 2
using StreamOffset = TagLib::offset_t;
using BlockOffset = TagLib::offset_t;
using BlockSize = size_t;
#else
using StreamOffset = long;
using BlockOffset = unsigned long;
using BlockSize = unsigned long;
#endif

// TagLib's view of stream as TagLibFile, from its start, without audio properties. TagLib 2
// deprecates the constructors that take a frame factory; TagLib 1 has only those for some types.
template <typename TagLibFile>
std::unique_ptr<TagLibFile> OpenAs(TagLib::IOStream& stream) {
    stream.seek(0);
    if constexpr (std::is_constructible_v<TagLibFile, TagLib::IOStream*, bool>) {
        return std::make_unique<TagLibFile>(&stream, false);
    } else {
        return std::make_unique<TagLibFile>(&stream, TagLib::ID3v2::FrameFactory::instance(),
                                            false);
    }
}

}  // namespace mp3infp
