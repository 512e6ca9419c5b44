#include "core/base/catalogue.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/base/messages.h"
#include "tests/support/catalogue_with.h"

namespace tunvex {
namespace {

// A missing entry shows as an empty text.
TEST(CatalogueTest, MissingOrEmptyEntriesFailAndAMessageReachesTheSinkWithItsText) {
    std::string loaded;
    EXPECT_FALSE(LoadCatalogueString(550, loaded, testing::CatalogueWith(550, std::nullopt)));
    EXPECT_FALSE(LoadCatalogueString(551, loaded, testing::CatalogueWith(551, "")));
    std::vector<std::pair<unsigned, std::string>> shown;
    MessageSink previous =
        SetMessageSink([&](unsigned id, const std::string& text) { shown.emplace_back(id, text); });
    ShowMessage(616);
    ShowMessage(606);
    SetMessageSink(previous);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], std::make_pair(616u, std::string("設定を保存できませんでした")));
    EXPECT_EQ(shown[1], std::make_pair(606u, std::string()));
}

}  // namespace
}  // namespace tunvex
