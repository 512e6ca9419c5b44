#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/files/trash.h"
#include "core/transfer/transfer.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

TransferSummary ReplaceWithUndo(const std::string& source, const std::string& destination) {
    RecordingDelegate delegate;
    delegate.answers = {CollisionAnswer::Replace};
    return RunTransfer(
        MakeRequest(TransferOperation::Copy, {source}, {destination}, kTransferAllowUndo),
        delegate);
}

TEST(TransferUndoTest, ReplacedFilesGoToTheTrashWithTheirOrigin) {
    TempFolder folder;
    ScopedDataHome dataHome(folder / "data");
    std::string destination = folder / "out/My Song%.mp3";
    WriteFile(destination, "old");
    WriteFile(folder / "new1.mp3", "new1");
    WriteFile(folder / "new2.mp3", "new2");

    EXPECT_EQ(ReplaceWithUndo(folder / "new1.mp3", destination).replaced, 1u);
    EXPECT_EQ(ReplaceWithUndo(folder / "new2.mp3", destination).replaced, 1u);

    EXPECT_EQ(ReadFile(destination), "new2");
    std::string trash = folder / "data/Trash";
    EXPECT_EQ(ReadFile(trash + "/files/My Song%.mp3"), "old");
    EXPECT_EQ(ReadFile(trash + "/files/My Song% (2).mp3"), "new1");
    for (const char* entry : {"My Song%.mp3", "My Song% (2).mp3"}) {
        std::string info = ReadFile(trash + "/info/" + entry + ".trashinfo");
        EXPECT_THAT(info, MatchesRegex("\\[Trash Info\\]\nPath=" + folder.path() +
                                       "/out/My%20Song%25\\.mp3\nDeletionDate=[0-9]{4}-[0-9]{2}-"
                                       "[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\n"));
    }
    struct stat info = {};
    ASSERT_EQ(stat(trash.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// "NAME.trashinfo" must fit in one name: a long entry name is cut, its .trashinfo keeps the path.
TEST(TransferUndoTest, ALongNameIsShortenedInTheTrashAndKeptInItsInfo) {
    TempFolder folder;
    ScopedDataHome dataHome(folder / "data");
    std::string stem, escapedStem;
    for (int i = 0; i < 82; ++i) {
        stem += "漢";  // 246 bytes
        escapedStem += "%E6%BC%A2";
    }
    std::string destination = folder / (stem + ".mp3");
    WriteFile(destination, "old");
    WriteFile(folder / "new1.mp3", "new1");
    WriteFile(folder / "new2.mp3", "new2");
    EXPECT_EQ(ReplaceWithUndo(folder / "new1.mp3", destination).replaced, 1u);
    EXPECT_EQ(ReplaceWithUndo(folder / "new2.mp3", destination).replaced, 1u);

    std::size_t entries = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder / "data/Trash/files")) {
        std::string entry = file.path().filename().string();
        std::string kept = entry.substr(0, entry.find_first_of(" ."));
        EXPECT_TRUE(stem.starts_with(kept) && kept.size() % 3 == 0) << entry;
        EXPECT_TRUE(entry.ends_with(".mp3")) << entry;
        EXPECT_THAT(ReadFile(folder / "data/Trash/info/" + entry + ".trashinfo"),
                    HasSubstr("\nPath=" + folder.path() + "/" + escapedStem + ".mp3\n"));
        ++entries;
    }
    EXPECT_EQ(entries, 2u);
}

// What stood at the destination reaches the trash as it was: a link as the link, never as a
// copy of its target, and a dangling one too.
TEST(TransferUndoTest, FromAnotherFileSystemTheTrashGetsWhatStoodThere) {
    TempFolder home;
    TempFolder other("/dev/shm");
    if (other.path().empty() || DeviceOf(other.path()) == DeviceOf(home.path())) {
        GTEST_SKIP() << "needs /dev/shm on another device than the temp folder";
    }
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
        if (linkText.empty()) {
            EXPECT_EQ(ReadFile(trashed), "old");
        } else {
            std::error_code notALink;
            EXPECT_EQ(std::filesystem::read_symlink(trashed, notALink).string(), linkText) << name;
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
    RecordingDelegate delegate;
    delegate.answers = {CollisionAnswer::Replace};
    TransferSummary summary = RunTransfer(MakeRequest(TransferOperation::Move, {folder / "new.mp3"},
                                                      {folder / "out/a.mp3"}, kTransferAllowUndo),
                                          delegate);
    EXPECT_EQ(summary.failed, 1u);
    ASSERT_EQ(delegate.reports.size(), 1u);
    EXPECT_NE(EnglishReason(delegate.reports[0].reason).find("trash"), std::string::npos);
    EXPECT_EQ(ReadFile(folder / "out/a.mp3"), "old");
    EXPECT_EQ(ReadFile(folder / "new.mp3"), "new");
    EXPECT_TRUE(Leftovers(folder.path()).empty());
}

}  // namespace
}  // namespace tunvex
