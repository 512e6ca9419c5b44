#include "core/tags/tag_library.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/system/library_loader.h"
#include "tests/support/catalogue_with.h"
#include "tests/support/message_recorder.h"

namespace tunvex {
namespace {

using ::testing::ElementsAre;

TEST(PlatformLibraryFileNameTest, WindowsNamesBecomeSharedObjectNames) {
    EXPECT_EQ(PlatformLibraryFileName("mp3infp.dll"), "libmp3infp.so");
    EXPECT_EQ(PlatformLibraryFileName("MP3INFP.DLL"), "libMP3INFP.so");
    EXPECT_EQ(PlatformLibraryFileName("mp3infp"), "libmp3infp.so");
    EXPECT_EQ(PlatformLibraryFileName("/opt/x/mp3infp.dll"), "/opt/x/libmp3infp.so");
}

TEST(BindTagLibraryTest, RefusesMissingEntryPointsAndOldVersions) {
    const std::tuple<std::string, bool, std::vector<unsigned>> cases[] = {
        {"no_such_library.dll", false, {601}},
        {"fake_without_load.dll", false, {602}},
        {"fake_v24f.dll", false, {600}},
        {"fake_v250.dll", true, {}},
        {"fake_v80000000.dll", true, {}},  // compared unsigned
        {"mp3infp.dll", true, {}},         // our own library, beside the executable
    };
    for (const auto& [name, bound, shown] : cases) {
        testing::MessageRecorder messages;
        TagLibrary library;
        EXPECT_EQ(BindTagLibrary(library, testing::CatalogueWith(kTagLibraryFileName, name)), bound)
            << name;
        EXPECT_EQ(library.module != nullptr, bound) << name;
        if (bound)
            UnloadTagLibrary(library);
        EXPECT_EQ(library.module, nullptr);
        EXPECT_EQ(messages.shown, shown) << name;
    }
}

TEST(BindTagLibraryTest, AMissingEntryPointNameFailsTheBinding) {
    Catalogue catalogue = testing::CatalogueWith(kTagLibraryFileName, "fake_v250.dll");
    catalogue.erase(kEntryGetType);
    testing::MessageRecorder messages;
    TagLibrary library;
    EXPECT_FALSE(BindTagLibrary(library, catalogue));
    EXPECT_EQ(library.getType, nullptr);
    EXPECT_NE(library.getVer, nullptr);
    EXPECT_THAT(messages.shown, ElementsAre(602u));
}

TEST(UnloadTagLibraryTest, ANullHandleReportsTheFailureAndStaysNull) {
    testing::MessageRecorder messages;
    TagLibrary library;
    UnloadTagLibrary(library);
    EXPECT_THAT(messages.shown, ElementsAre(604u));
    EXPECT_EQ(library.module, nullptr);
}

}  // namespace
}  // namespace tunvex
