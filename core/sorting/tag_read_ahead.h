// Reads the tags of a batch on worker threads ahead of the caller, who takes them in batch order.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/base/path_column.h"
#include "core/tags/track_tags.h"
#include "core/transfer/transfer.h"

namespace tunvex {

// One file as read: how it was just before its tags were read, and the tags, if any.
struct FileRead {
    bool leftoverTemporary = false;  // a transfer's temporary: neither looked at nor read
    SourceState source;
    std::optional<TrackTags> tags;
};

class TagReadAhead {
  public:
    // read reads one path; it runs on `threads` threads at once, and more while reads wait for a
    // disk; with one thread on the caller's, in Take.
    using ReadFunction = std::function<FileRead(const std::string& path)>;

    TagReadAhead(const PathColumn& paths, ReadFunction read, std::size_t threads);
    // Waits for the reads in flight; the ones not started are not made.
    ~TagReadAhead();
    TagReadAhead(const TagReadAhead&) = delete;
    TagReadAhead& operator=(const TagReadAhead&) = delete;

    // The read of paths[index]; indexes must be taken in order, each once.
    FileRead Take(std::size_t index);

  private:
    struct Slot {
        bool done = false;
        FileRead read;
    };

    void Work();

    const PathColumn& paths_;
    ReadFunction read_;
    std::vector<Slot> window_;  // results of [taken_, taken_ + window size), by index modulo
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;                // the next index a worker starts
    std::size_t taken_ = 0;               // the next index the caller takes
    std::atomic<bool> stopping_ = false;  // also read between the files of a run
    // Wakes are system calls: each side is woken only while it waits.
    bool callerWaiting_ = false;
    std::size_t workersWaiting_ = 0;
    std::vector<std::thread> workers_;  // grows under mutex_ until stopping_
};

// Threads for reading: one for each core.
std::size_t DefaultReaderThreads();

}  // namespace tunvex
