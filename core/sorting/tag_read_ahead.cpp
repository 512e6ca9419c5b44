#include "core/sorting/tag_read_ahead.h"

#include <sys/resource.h>

#include <algorithm>

namespace tunvex {
namespace {

// Enough to keep every core busy past a slow file; small enough that results never pile up.
constexpr std::size_t kWindowPerThread = 64;
// Files a worker reads before it hands them over, so that threads seldom wait for each other.
constexpr std::size_t kRun = 16;
// While reads wait for a disk, more of them in flight let it serve them in its own order: the
// first run that waited starts all of these. A read that finds its file in memory never waits,
// and no thread is added then.
constexpr std::size_t kMaxThreads = 16;
constexpr long kWaitsOfASlowRun = kRun / 2;

// Times this thread gave up its core; reading a file not in memory does, once or twice.
long Waits() {
    struct rusage usage = {};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

}  // namespace

TagReadAhead::TagReadAhead(const PathColumn& paths, ReadFunction read, std::size_t threads)
    : paths_(paths), read_(std::move(read)) {
    if (threads <= 1)
        return;
    window_.resize(std::max(threads, kMaxThreads) * kWindowPerThread);
    const std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < threads; ++i)
        workers_.emplace_back([this] { Work(); });
}

TagReadAhead::~TagReadAhead() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void TagReadAhead::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++workersWaiting_;
        changed_.wait(lock, [this] {
            return stopping_ || next_ >= paths_.size() || next_ + kRun <= taken_ + window_.size();
        });
        --workersWaiting_;
        if (stopping_ || next_ >= paths_.size())
            return;
        const std::size_t first = next_;
        const std::size_t end = std::min(first + kRun, paths_.size());
        next_ = end;
        lock.unlock();
        const long waitsBefore = Waits();
        FileRead run[kRun];
        for (std::size_t index = first; index < end && !stopping_; ++index)
            run[index - first] = read_(paths_[index]);
        const bool slow = Waits() - waitsBefore >= kWaitsOfASlowRun;
        lock.lock();
        for (std::size_t index = first; index < end; ++index) {
            Slot& slot = window_[index % window_.size()];
            slot.read = std::move(run[index - first]);
            slot.done = true;
        }
        if (callerWaiting_)
            changed_.notify_all();
        while (slow && !stopping_ && next_ < paths_.size() && workers_.size() < kMaxThreads)
            workers_.emplace_back([this] { Work(); });
    }
}

FileRead TagReadAhead::Take(std::size_t index) {
    if (window_.empty())
        return read_(paths_[index]);
    std::unique_lock lock(mutex_);
    Slot& slot = window_[index % window_.size()];
    callerWaiting_ = true;
    changed_.wait(lock, [&] { return slot.done; });
    callerWaiting_ = false;
    FileRead read = std::move(slot.read);
    slot = Slot{};
    taken_ = index + 1;
    const bool wake = workersWaiting_ > 0;
    lock.unlock();
    if (wake)
        changed_.notify_all();
    return read;
}

std::size_t DefaultReaderThreads() {
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace tunvex
