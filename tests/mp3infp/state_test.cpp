#include <string>
#include <thread>
#include <vector>

#include "library_test.h"
#include "mp3infp/mp3infp.h"

namespace tunvex::testing {
namespace {

using fixtures::TagValues;

// Before any file, and after a load that failed, nothing is answered; a load replaces every value.
TEST_F(LibraryTest, EachLoadReplacesEveryValueAndAFailedOneForgetsThem) {
    EXPECT_FALSE(library.Load(""));
    EXPECT_EQ(library.Type(), MP3INFP_TYPE_NONE);
    EXPECT_EQ(library.Value("INAM"), std::nullopt);

    const std::string mp3 = folder / "a.mp3";
    const std::string flac = folder / "b.flac";
    fixtures::WriteMp3(mp3, TagValues{.title = "v1"}, TagValues{"first", "artist", "album", "1"});
    fixtures::WriteFlac(flac, TagValues{.title = "second"});
    ASSERT_TRUE(library.Load(mp3));
    ASSERT_TRUE(library.Load(flac));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_FLAC);
    EXPECT_EQ(library.TagBits(), 0U);
    EXPECT_EQ(library.Value("INAM"), "second");
    EXPECT_EQ(library.Value("IART"), std::nullopt);
    EXPECT_EQ(library.Value("INAM_v2"), std::nullopt);

    ASSERT_TRUE(library.Load(mp3));
    EXPECT_FALSE(library.Load(folder / "missing.mp3"));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_NONE);
    EXPECT_EQ(library.TagBits(), 0U);
    EXPECT_EQ(library.Value("INAM"), std::nullopt);
    EXPECT_EQ(library.Value("INAM_v1"), std::nullopt);
}

// A value stays valid until the next load of its thread, whatever else is asked or loaded.
TEST_F(LibraryTest, EachThreadKeepsItsOwnLoadedFile) {
    const std::string mp3 = folder / "a.mp3";
    const std::string flac = folder / "b.flac";
    fixtures::WriteMp3(mp3, TagValues{.title = "v1"}, TagValues{.title = "mp3 title"});
    fixtures::WriteFlac(flac, TagValues{.title = "flac title"});
    ASSERT_TRUE(library.Load(mp3));
    const char* title = library.ValuePointer("INAM");
    for (const char* name : {"IART", "IPRD", "TRACK", "INAM_v1", "INAM_v2", "nonsense"})
        library.Value(name);

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
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
    EXPECT_EQ(library.ValuePointer("INAM"), title);
    EXPECT_STREQ(title, "mp3 title");
    EXPECT_EQ(library.TagBits(), MP3INFP_TAG_ID3V1 | MP3INFP_TAG_ID3V2);
}

}  // namespace
}  // namespace tunvex::testing
