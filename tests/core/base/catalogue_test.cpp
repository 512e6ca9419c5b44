#include "core/base/catalogue.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/base/messages.h"
#include "tests/support/catalogue_with.h"

namespace tunvex {
namespace {

TEST(CatalogueTest, MissingOrEmptyEntriesFail) {
    std::string text = "stale";
    EXPECT_FALSE(LoadCatalogueString(606, text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(LoadCatalogueString(550, text, testing::CatalogueWith(550, std::nullopt)));
    EXPECT_FALSE(LoadCatalogueString(551, text, testing::CatalogueWith(551, "")));
    EXPECT_TRUE(LoadCatalogueString(550, text));
    EXPECT_TRUE(LoadCatalogueString(551, text));
}

TEST(MessagesTest, ShowMessageReachesTheSinkWithItsText) {
    std::vector<std::pair<unsigned, std::string>> shown;
    MessageSink previous =
        SetMessageSink([&](unsigned id, const std::string& text) { shown.emplace_back(id, text); });
    ShowMessage(616);
    ShowMessage(606);  // no such text
    SetMessageSink(previous);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], std::make_pair(616u, std::string("設定を保存できませんでした")));
    EXPECT_EQ(shown[1], std::make_pair(606u, std::string()));
}

}  // namespace
}  // namespace tunvex
