#include "core/sorting/tag_read_ahead.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tunvex {
namespace {

// Reads that wait (a cold disk) bring more threads; each file is still read once, taken in order.
TEST(TagReadAheadTest, ReadsThatWaitAddThreadsAndKeepTheOrder) {
    PathColumn paths;
    for (int i = 0; i < 3000; ++i)
        paths.push_back(std::to_string(i));
    std::mutex mutex;
    std::set<std::thread::id> threads;
    std::vector<int> reads(paths.size(), 0);
    TagReadAhead ahead(
        paths,
        [&](const std::string& path) {
            usleep(100);
            const std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
            ++reads[std::stoul(path)];
            FileRead read;
            if (std::stoul(path) % 7 != 0)
                read.tags = TrackTags{path, {}, {}, {}};
            return read;
        },
        2);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::optional<TrackTags> tags = ahead.Take(i).tags;
        ASSERT_EQ(tags ? tags->title : "unread", i % 7 != 0 ? paths[i] : "unread") << i;
    }
    EXPECT_GT(threads.size(), 2u);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), 1), static_cast<long>(paths.size()));
}

}  // namespace
}  // namespace tunvex
