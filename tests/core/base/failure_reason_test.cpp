#include "core/base/failure_reason.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace tunvex {
namespace {

bool HasAsciiLetter(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; });
}

bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every kind worded in both languages: path and count where the English has them, then the error.
TEST(FailureReasonTest, EveryKindIsWordedInBothLanguages) {
    const std::string path = "/音楽/アルバム";
    for (std::size_t i = 1; i < kFailureKindCount; ++i) {
        FailureReason reason{static_cast<FailureKind>(i), EACCES, path, 7};
        std::string english = EnglishReason(reason);
        std::string japanese = JapaneseReason(reason);
        SCOPED_TRACE(english);
        EXPECT_FALSE(english.empty());
        EXPECT_FALSE(Holds(english, "%"));
        EXPECT_FALSE(Holds(japanese, "%"));
        EXPECT_FALSE(HasAsciiLetter(japanese)) << japanese;
        EXPECT_EQ(Holds(japanese, path), Holds(english, path)) << japanese;
        EXPECT_EQ(Holds(japanese, "7"), Holds(english, "7")) << japanese;
        EXPECT_TRUE(japanese.ends_with(" (アクセスが拒否されました)")) << japanese;
    }
}

TEST(FailureReasonTest, ReasonsReadAsWritten) {
    const struct {
        FailureReason reason;
        const char* english;
        const char* japanese;
    } cases[] = {
        // clang-format off
        {{}, "", ""},
        {{FailureKind::SourceUnreadable, ENOENT}, "No such file or directory",
         "ファイルを読み込めませんでした (ファイルまたはフォルダがありません)"},
        {{FailureKind::CopyFailed, ELOOP}, "Too many levels of symbolic links",
         "ファイルをコピーできませんでした (Too many levels of symbolic links)"},
        {{FailureKind::SourceTaken, 0, "/in/%e %p.mp3"}, "its source /in/%e %p.mp3 is taken",
         "元の場所「/in/%e %p.mp3」に別のファイルがあります"},
        // clang-format on
    };
    for (const auto& [reason, english, japanese] : cases) {
        EXPECT_EQ(EnglishReason(reason), english);
        EXPECT_EQ(JapaneseReason(reason), japanese);
    }
    for (int error : {ENOENT, EACCES, EPERM, ENOSPC, EROFS, EEXIST, ENOTDIR, EISDIR, EXDEV, EIO,
                      ENAMETOOLONG, EDQUOT}) {
        std::string japanese = JapaneseReason({FailureKind::CopyFailed, error});
        EXPECT_FALSE(HasAsciiLetter(japanese)) << japanese;
    }
}

}  // namespace
}  // namespace tunvex
