#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/files/trash.h"
#include "core/transfer/transfer.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

using ::testing::MatchesRegex;

TransferSummary ReplaceWithUndo(const std::string& source, const std::string& destination,
                                TransferOperation operation = TransferOperation::Copy) {
    RecordingDelegate delegate;
    delegate.answers = {CollisionAnswer::Replace};
    return RunTransfer(MakeRequest(operation, {source}, {destination}, kTransferAllowUndo),
                       delegate);
}

// Two replaces: the old file and the first new one go to the trash, each with its origin. A
// long name is cut to whole characters there ("NAME.trashinfo" must fit), its info keeps it all.
TEST(TransferUndoTest, ReplacedFilesGoToTheTrashWithTheirOrigin) {
    const std::pair<std::string, std::string> names[] = {
        {"My Song%", "My%20Song%25"}, {Repeat("漢", 82), Repeat("%E6%BC%A2", 82)}};
    for (const auto& [stem, escaped] : names) {
        TempFolder folder;
        ScopedDataHome dataHome(folder / "data");
        std::string destination = folder / (stem + ".mp3");
        WriteFile(destination, "old");
        for (const char* name : {"new1.mp3", "new2.mp3"}) {
            WriteFile(folder / name, name);
            EXPECT_EQ(ReplaceWithUndo(folder / name, destination).replaced, 1u);
        }
        EXPECT_EQ(ReadFile(destination), "new2.mp3");
        std::set<std::string> trashed;
        for (const auto& file : std::filesystem::directory_iterator(folder / "data/Trash/files")) {
            std::string entry = file.path().filename().string();
            std::string kept = entry.substr(0, std::min(entry.find(" ("), entry.size() - 4));
            EXPECT_TRUE(stem.starts_with(kept) && entry.ends_with(".mp3")) << entry;
            EXPECT_TRUE(kept == stem || kept.size() % 3 == 0) << entry;
            EXPECT_THAT(ReadFile(folder / "data/Trash/info/" + entry + ".trashinfo"),
                        MatchesRegex("\\[Trash Info\\]\nPath=" + folder.path() + "/" + escaped +
                                     "\\.mp3\nDeletionDate=[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:"
                                     "[0-9]{2}:[0-9]{2}\n"));
            trashed.insert(ReadFile(file.path()));
        }
        EXPECT_EQ(trashed, (std::set<std::string>{"old", "new1.mp3"}));
        struct stat info = {};
        ASSERT_EQ(stat((folder / "data/Trash").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
}

// What stood at the destination reaches the trash as it was: a link as the link, never as a
// copy of its target, and a dangling one too.
TEST(TransferUndoTest, FromAnotherFileSystemTheTrashGetsWhatStoodThere) {
    if (OtherFileSystem().empty())
        GTEST_SKIP() << kNoOtherFileSystem;
    TempFolder home;
    TempFolder other(OtherFileSystem());
    ScopedDataHome dataHome(home / "data");
    WriteFile(other / "target.mp3", "target");
    const std::pair<std::string, std::string> victims[] = {
        {"file.mp3", ""}, {"link.mp3", other / "target.mp3"}, {"dangling.mp3", other / "gone"}};
    for (const auto& [name, linkText] : victims) {
        if (linkText.empty()) {
            WriteFile(other / name, "old");
        } else {
            ASSERT_EQ(symlink(linkText.c_str(), (other / name).c_str()), 0);
        }
        WriteFile(other / "new.mp3", "new");
        EXPECT_EQ(ReplaceWithUndo(other / "new.mp3", other / name).replaced, 1u) << name;
        EXPECT_EQ(ReadFile(other / name), "new");
        std::string trashed = home / ("data/Trash/files/" + name);
        std::error_code notALink;
        EXPECT_EQ(std::filesystem::read_symlink(trashed, notALink).string(), linkText) << name;
        if (linkText.empty()) {
            EXPECT_EQ(ReadFile(trashed), "old");
        }
    }
    EXPECT_EQ(ReadFile(other / "target.mp3"), "target");
    EXPECT_TRUE(Leftovers(home.path()).empty());
    EXPECT_TRUE(Leftovers(other.path()).empty());
}

// An editor saving a new version over the file between its check and its move to the trash
// (the undo of a copy, a replace): the new version goes back to its place, never to the trash.
TEST(TransferUndoTest, ANewVersionSavedAfterTheCheckStaysInItsPlace) {
    TempFolder folder;
    ScopedDataHome dataHome(folder / "data");
    const std::string path = folder / "song.mp3";
    WriteFile(path, "checked");
    struct stat checked = {};
    ASSERT_EQ(lstat(path.c_str(), &checked), 0);
    auto saveNewVersion = [&](const std::string&) {
        WriteFile(folder / "saving", "new version");
        rename((folder / "saving").c_str(), path.c_str());
    };
    EXPECT_EQ(MoveToTrash(path, nullptr, saveNewVersion, &checked), ESTALE);
    EXPECT_EQ(ReadFile(path), "new version");
    EXPECT_TRUE(std::filesystem::is_empty(folder / "data/Trash/files"));
    EXPECT_TRUE(std::filesystem::is_empty(folder / "data/Trash/info"));
}

TEST(TransferUndoTest, WhenTheTrashCannotTakeTheFileTheReplaceFails) {
    TempFolder folder;
    ScopedDataHome dataHome(folder / "data");
    WriteFile(folder / "data/Trash", "a file where the trash folder must go");
    WriteFile(folder / "out/a.mp3", "old");
    WriteFile(folder / "new.mp3", "new");
    TransferSummary summary =
        ReplaceWithUndo(folder / "new.mp3", folder / "out/a.mp3", TransferOperation::Move);
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_EQ(ReadFile(folder / "out/a.mp3"), "old");
    EXPECT_EQ(ReadFile(folder / "new.mp3"), "new");
    EXPECT_TRUE(Leftovers(folder.path()).empty());
}

}  // namespace
}  // namespace tunvex
