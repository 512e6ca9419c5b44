#include "core/files/names.h"

#include <gtest/gtest.h>

namespace tunvex {
namespace {

TEST(NumberedNameTest, NumberGoesBeforeTheExtensionOfTheFileName) {
    struct Case {
        std::string path;
        unsigned number;
        std::string expected;
    };
    const Case cases[] = {
        {"/m/Song.mp3", 2, "/m/Song (2).mp3"},   {"/m/a.b.mp3", 2, "/m/a.b (2).mp3"},
        {"/m/name", 3, "/m/name (3)"},           {"/m/.hidden", 2, "/m/.hidden (2)"},
        {"/m/v1.0/name", 2, "/m/v1.0/name (2)"}, {"/m/My Song.flac", 12, "/m/My Song (12).flac"},
        {"/m/Vol. 2", 2, "/m/Vol. 2 (2)"},       {"Song.mp3", 2, "Song (2).mp3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NumberedName(CodePage::Utf8, c.path, c.number), c.expected) << c.path;
    }
}

TEST(NumberedNameTest, ShiftJisTrailByteIsNotASeparator) {
    const std::string so = "\x83\x5C";
    EXPECT_EQ(NumberedName(CodePage::ShiftJis, "/m/" + so + ".mp3", 2), "/m/" + so + " (2).mp3");
}

}  // namespace
}  // namespace tunvex
