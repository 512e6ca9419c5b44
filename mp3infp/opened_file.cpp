#include "opened_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace mp3infp {
namespace {

// The tags of most files lie in their first or last few kilobytes; a larger tag reads on.
constexpr uint64_t kHeadSize = uint64_t{32} * 1024;
constexpr uint64_t kTailSize = uint64_t{4} * 1024;

std::string& HeadBuffer() {
    thread_local std::string buffer;
    return buffer;
}

std::string& TailBuffer() {
    thread_local std::string buffer;
    return buffer;
}

}  // namespace

OpenedFile::OpenedFile(int fd, uint64_t size, std::string name)
    : fd_(fd), size_(size), name_(std::move(name)), head_(HeadBuffer()), tail_(TailBuffer()) {
    const uint64_t headSize = std::min(size_, kHeadSize);
    const uint64_t tailSize = std::min(size_ - headSize, kTailSize);
    tailOffset_ = size_ - tailSize;
    if (tailSize > 0) {
        // From a cold cache both ends come in one trip of the disk.
        posix_fadvise(fd_, static_cast<off_t>(tailOffset_), static_cast<off_t>(tailSize),
                      POSIX_FADV_WILLNEED);
    }
    head_.resize(headSize);
    head_.resize(ReadFromFile(0, headSize, head_.data()));
    tail_.resize(tailSize);
    tail_.resize(ReadFromFile(tailOffset_, tailSize, tail_.data()));
}

uint64_t OpenedFile::ReadFromFile(uint64_t offset, uint64_t length, char* out) const {
    uint64_t filled = 0;
    while (filled < length) {
        const ssize_t n =
            pread(fd_, out + filled, length - filled, static_cast<off_t>(offset + filled));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        filled += static_cast<uint64_t>(n);
    }
    return filled;
}

std::string_view OpenedFile::Cached(uint64_t offset, uint64_t length) const {
    if (offset + length <= head_.size()) {
        return std::string_view(head_).substr(offset, length);
    }
    if (offset >= tailOffset_ && offset + length <= tailOffset_ + tail_.size()) {
        return std::string_view(tail_).substr(offset - tailOffset_, length);
    }
    return {};
}

std::string OpenedFile::ReadAt(uint64_t offset, uint64_t length) const {
    if (offset >= size_) {
        return {};
    }
    length = std::min(length, size_ - offset);
    const std::string_view cached = Cached(offset, length);
    if (cached.size() == length) {
        return std::string(cached);
    }
    std::string bytes(length, '\0');
    bytes.resize(ReadFromFile(offset, length, bytes.data()));
    return bytes;
}

TagLib::ByteVector OpenedFile::readBlock(BlockSize length) {
    const auto offset = static_cast<uint64_t>(position_);
    if (offset >= size_) {
        return {};
    }
    const uint64_t wanted = std::min<uint64_t>(length, size_ - offset);
    const std::string_view cached = Cached(offset, wanted);
    if (cached.size() == wanted) {
        position_ += static_cast<StreamOffset>(wanted);
        return TagLib::ByteVector(cached.data(), static_cast<unsigned int>(wanted));
    }
    TagLib::ByteVector bytes(static_cast<unsigned int>(wanted), '\0');
    const uint64_t got = ReadFromFile(offset, wanted, bytes.data());
    bytes.resize(static_cast<unsigned int>(got));
    position_ += static_cast<StreamOffset>(got);
    return bytes;
}

void OpenedFile::seek(StreamOffset offset, Position from) {
    const StreamOffset base = from == Beginning ? 0
                              : from == Current ? position_
                                                : static_cast<StreamOffset>(size_);
    position_ = std::max<StreamOffset>(0, base + offset);
}

}  // namespace mp3infp
