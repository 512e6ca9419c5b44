#include <string>
#include <thread>
#include <vector>

#include "library_test.h"
#include "mp3infp/mp3infp.h"

namespace tunvex::testing {
namespace {

using fixtures::TagValues;

TEST_F(LibraryTest, ValuesStayValidUntilTheNextLoad) {
    const std::string path = folder / "a.mp3";
    fixtures::WriteMp3(path, TagValues{"v1", "v1", "v1", "1"},
                       TagValues{"first title", "artist", "album", "2"});
    ASSERT_TRUE(library.Load(path));

    const char* title = library.ValuePointer("INAM");
    ASSERT_NE(title, nullptr);
    for (const char* name : {"IART", "IPRD", "TRACK", "INAM_v1", "INAM_v2", "nonsense"}) {
        library.Value(name);
    }
    library.Type();
    library.TagBits();

    EXPECT_STREQ(title, "first title");
    EXPECT_EQ(library.ValuePointer("INAM"), title);
}

TEST_F(LibraryTest, NextLoadReplacesEveryValue) {
    const std::string first = folder / "first.mp3";
    const std::string second = folder / "second.flac";
    fixtures::WriteMp3(first, std::nullopt, TagValues{"first", "artist", "album", "1"});
    fixtures::WriteFlac(second, TagValues{.title = "second"});
    ASSERT_TRUE(library.Load(first));
    ASSERT_TRUE(library.Load(second));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_FLAC);
    EXPECT_EQ(library.TagBits(), 0U);
    EXPECT_EQ(library.Value("INAM"), "second");
    EXPECT_EQ(library.Value("IART"), std::nullopt);
    EXPECT_EQ(library.Value("INAM_v2"), std::nullopt);
}

// Before any file, and after a load that failed, nothing is answered.
TEST_F(LibraryTest, FailedLoadForgetsThePreviousFile) {
    EXPECT_FALSE(library.Load(""));
    EXPECT_EQ(library.Type(), MP3INFP_TYPE_NONE);
    EXPECT_EQ(library.Value("INAM"), std::nullopt);

    const std::string path = folder / "a.mp3";
    fixtures::WriteMp3(path, TagValues{.title = "v1"}, TagValues{.title = "v2"});
    ASSERT_TRUE(library.Load(path));

    EXPECT_FALSE(library.Load(folder / "missing.mp3"));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_NONE);
    EXPECT_EQ(library.TagBits(), 0U);
    EXPECT_EQ(library.Value("INAM"), std::nullopt);
    EXPECT_EQ(library.Value("INAM_v1"), std::nullopt);
}

TEST_F(LibraryTest, EachThreadKeepsItsOwnLoadedFile) {
    const std::string mp3 = folder / "a.mp3";
    const std::string flac = folder / "b.flac";
    fixtures::WriteMp3(mp3, std::nullopt, TagValues{.title = "mp3 title"});
    fixtures::WriteFlac(flac, TagValues{.title = "flac title"});
    ASSERT_TRUE(library.Load(mp3));
    const char* title = library.ValuePointer("INAM");

    // Threads loading all the time in between never change what another thread was answered.
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (std::size_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const std::string& own = t % 2 == 0 ? flac : mp3;
            for (int i = 0; i < 200; ++i) {
                mismatches[t] +=
                    !library.Load(own) ||
                    library.Value("INAM") != (t % 2 == 0 ? "flac title" : "mp3 title") ||
                    library.Type() != (t % 2 == 0 ? MP3INFP_TYPE_FLAC : MP3INFP_TYPE_MP3);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
    EXPECT_EQ(library.ValuePointer("INAM"), title);
    EXPECT_STREQ(title, "mp3 title");
    EXPECT_EQ(library.TagBits(), MP3INFP_TAG_ID3V2);
}

}  // namespace
}  // namespace tunvex::testing
