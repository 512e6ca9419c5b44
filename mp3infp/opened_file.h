#pragma once

#include <taglib/tiostream.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "taglib_compat.h"

namespace mp3infp {

// A plain file read through the one descriptor it was opened with. Its head and tail are read
// at once, which holds the tags of most files; TagLib and the own parsers read from them and go
// to the file only for what lies between.
class OpenedFile : public TagLib::IOStream {
  public:
    // fd stays the caller's; name is the file's own name, for its extension. The head and tail
    // live in buffers of the thread, reused from file to file: one OpenedFile per thread at a time.
    OpenedFile(int fd, uint64_t size, std::string name);

    const std::string& Name() const { return name_; }
    uint64_t Size() const { return size_; }
    // Up to length bytes from offset; fewer at the end of the file or when it cannot be read.
    std::string ReadAt(uint64_t offset, uint64_t length) const;

    TagLib::FileName name() const override { return name_.c_str(); }
    TagLib::ByteVector readBlock(BlockSize length) override;
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, BlockOffset, BlockSize) override {}
    void removeBlock(BlockOffset, BlockSize) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(StreamOffset offset, Position from = Beginning) override;
    StreamOffset tell() const override { return position_; }
    StreamOffset length() override { return static_cast<StreamOffset>(size_); }
    void truncate(StreamOffset) override {}

  private:
    // [offset, offset + length) where the head or the tail holds all of it, else empty.
    std::string_view Cached(uint64_t offset, uint64_t length) const;
    uint64_t ReadFromFile(uint64_t offset, uint64_t length, char* out) const;

    int fd_;
    uint64_t size_;
    std::string name_;
    std::string& head_;
    uint64_t tailOffset_ = 0;
    std::string& tail_;
    StreamOffset position_ = 0;
};

}  // namespace mp3infp
