#include "core/base/catalogue.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/base/messages.h"
#include "tests/support/catalogue_with.h"

namespace tunvex {
namespace {

TEST(CatalogueTest, TextsAreExactlyAsListed) {
    const std::pair<unsigned, std::string> cases[] = {
        {501, "tunvexのバージョン情報"},
        {505, "00"},
        {510, "mp3infp.dll"},
        {534, "mp3infp_mp3_GetTagType"},
        {541, "?t.?T"},
        {550, "TunvexOption"},
        {560, "CollisionMode"},
        {600, "mp3infp.dll version 2.53e 以上が必要です"},
        {609,
         "「ファイルのフォルダ振り分け方法」のユーザー設定文字列には /:,;*?\"<>| "
         "を含めることはできません\n"
         "また 前後に . を含めることはできません"},
        {610,
         "「ファイル名のリネーム」のユーザー設定文字列には /:,;*?\\\"<>| を含めることはできません"},
        {613, "文字列リソースの取得に失敗しました"},
        {619, "ブラシの作成に失敗しました"},
        {621, "コピー先フォルダのパスには改行を含めることはできません"},
    };
    for (const auto& [id, expected] : cases) {
        std::string text;
        EXPECT_TRUE(LoadCatalogueString(id, text)) << id;
        EXPECT_EQ(text, expected) << id;
    }
}

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
