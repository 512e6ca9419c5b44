// Matroska tags at the levels and in the places writers leave them.
#include <string>
#include <vector>

#include "library_test.h"
#include "mp3infp/mp3infp.h"

namespace tunvex::testing {
namespace {

using fixtures::MatroskaLayout;
using fixtures::MatroskaTag;
using fixtures::TagValues;

struct MatroskaCase {
    const char* name;
    std::vector<MatroskaTag> tags;
    TagValues values;
    MatroskaLayout layout = MatroskaLayout::TagsAfterClusters;
    std::string segmentTitle{};
};

void PrintTo(const MatroskaCase& value, std::ostream* out) {
    *out << value.name;
}

const MatroskaCase kCases[] = {
    {"FileWideTagsWithoutATarget",
     {{std::nullopt, {{"TITLE", "Title"}, {"ALBUM", "Album"}, {"PART_NUMBER", "3"}}}},
     {.title = "Title", .album = "Album", .track = "3"}},
    {"AlbumLevelTitleIsTheAlbum",
     {{50, {{"TITLE", "Album"}, {"ARTIST", "Album Artist"}, {"PART_NUMBER", "1"}}},
      {30, {{"TITLE", "Title"}}}},
     {.title = "Title", .artist = "Album Artist", .album = "Album"}},
    {"TrackLevelArtistBeforeAlbumLevel",
     {{50, {{"ARTIST", "Album Artist"}}}, {30, {{"ARTIST", "Artist"}}}},
     {.artist = "Artist"}},
    {"LowerCaseNames", {{30, {{"title", "Title"}}}}, {.title = "Title"}},
    {"TagsBehindAClusterOfUnknownSize",
     {{30, {{"TITLE", "Title"}}}},
     {.title = "Title"},
     MatroskaLayout::TagsBehindAnUnknownSizeCluster},
    {"SegmentTitleWithoutATitleTag",
     {{30, {{"ARTIST", "Artist"}}}},
     {.title = "Segment Title", .artist = "Artist"},
     MatroskaLayout::TagsAfterClusters,
     "Segment Title"},
};

class MatroskaTagsTest : public LibraryTestWithParam<MatroskaCase> {};

TEST_P(MatroskaTagsTest, GivesTrackLevelValuesFirst) {
    const std::string path = folder / "a.mka";
    fixtures::WriteMatroskaWithTags(path, GetParam().tags, GetParam().layout,
                                    GetParam().segmentTitle);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_MATROSKA);
    EXPECT_EQ(library.Value("INAM"), GetParam().values.title);
    EXPECT_EQ(library.Value("IART"), GetParam().values.artist);
    EXPECT_EQ(library.Value("IPRD"), GetParam().values.album);
    EXPECT_EQ(library.Value("TRACK"), GetParam().values.track);
}

INSTANTIATE_TEST_SUITE_P(Tags, MatroskaTagsTest, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace tunvex::testing
