#include <gtest/gtest.h>

#include "core/transfer/transfer.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

const TransferOperation kOperations[] = {TransferOperation::Copy, TransferOperation::Move};

struct RenameCase {
    const char* name;
    std::vector<std::string> existing;      // files already in the destination folder
    std::vector<std::string> destinations;  // one source per destination
    std::vector<std::string> expected;      // names the sources end under
};

std::string Repeat(const std::string& text, std::size_t times) {
    std::string repeated;
    for (std::size_t i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

TEST(TransferCollisionTest, RenameModeTakesTheFirstFreeNumberedName) {
    const std::string longName = Repeat("x", 250) + ".mp3";   // 254 bytes: " (2)" cannot fit
    const std::string kanjiName = Repeat("漢", 83) + ".mp3";  // 253 bytes, 3 a character
    const RenameCase cases[] = {
        {"taken", {"x.mp3"}, {"x.mp3"}, {"x (2).mp3"}},
        {"two taken", {"x.mp3", "x (2).mp3"}, {"x.mp3"}, {"x (3).mp3"}},
        {"gap", {"x.mp3", "x (3).mp3"}, {"x.mp3"}, {"x (2).mp3"}},
        {"own destinations", {}, {"y.mp3", "y.mp3", "y.mp3"}, {"y.mp3", "y (2).mp3", "y (3).mp3"}},
        {"own and existing", {"y.mp3"}, {"y.mp3", "y.mp3"}, {"y (2).mp3", "y (3).mp3"}},
        {"no extension", {"name"}, {"name"}, {"name (2)"}},
        {"dots", {"a.b.mp3"}, {"a.b.mp3"}, {"a.b (2).mp3"}},
        {"folder in the way", {"d.mp3/inside"}, {"d.mp3"}, {"d (2).mp3"}},
        {"long name", {longName}, {longName}, {Repeat("x", 247) + " (2).mp3"}},
        {"long name cut whole characters",
         {kanjiName},
         {kanjiName},
         {Repeat("漢", 82) + " (2).mp3"}},
    };
    for (TransferOperation operation : kOperations) {
        for (const RenameCase& c : cases) {
            SCOPED_TRACE(c.name);
            TransferScene scene(operation, kTransferRenameOnCollision);
            for (const std::string& name : c.existing)
                WriteFile(scene.to / name, "old");
            for (std::size_t i = 0; i < c.destinations.size(); ++i)
                scene.Add(std::to_string(i), "new" + std::to_string(i), c.destinations[i]);
            TransferSummary summary = scene.Run();

            const RecordingDelegate& delegate = scene.delegate;
            EXPECT_TRUE(delegate.asked.empty());
            EXPECT_EQ(summary.failed, 0u);
            ASSERT_EQ(delegate.reports.size(), c.expected.size());
            for (std::size_t i = 0; i < c.expected.size(); ++i) {
                std::string final = scene.to / c.expected[i];
                EXPECT_EQ(delegate.reports[i].destination, final);
                EXPECT_EQ(delegate.reports[i].outcome, c.expected[i] == c.destinations[i]
                                                           ? FileOutcome::Transferred
                                                           : FileOutcome::Renamed);
                EXPECT_EQ(ReadFile(final), "new" + std::to_string(i));
            }
            for (const std::string& name : c.existing) {
                EXPECT_EQ(ReadFile(scene.to / name), "old") << name;
            }
        }
    }
}

TEST(TransferCollisionTest, RenameModeLeavesASourceAlreadyUnderANumberedName) {
    for (TransferOperation operation : kOperations) {
        TempFolder folder;
        WriteFile(folder / "out/x.mp3", "first");
        WriteFile(folder / "out/x (2).mp3", "second");
        RecordingDelegate delegate;
        TransferSummary summary =
            RunTransfer(MakeRequest(operation, {folder / "out/x (2).mp3"}, {folder / "out/x.mp3"},
                                    kTransferRenameOnCollision),
                        delegate);
        EXPECT_EQ(summary.sameFile, 1u);
        EXPECT_EQ(ReadFile(folder / "out/x (2).mp3"), "second");
        EXPECT_FALSE(Exists(folder / "out/x (3).mp3"));
        EXPECT_TRUE(Leftovers(folder.path()).empty());
    }
}

struct AskCase {
    const char* name;
    std::vector<CollisionAnswer> answers;
    std::size_t expectedAsks;
    std::vector<FileOutcome> expected;  // for the three colliding files
};

TEST(TransferCollisionTest, AskModeFollowsEachAnswer) {
    using A = CollisionAnswer;
    using O = FileOutcome;
    const AskCase cases[] = {
        {"replace, skip, replace",
         {A::Replace, A::Skip, A::Replace},
         3,
         {O::Replaced, O::Skipped, O::Replaced}},
        {"replace all", {A::ReplaceAll}, 1, {O::Replaced, O::Replaced, O::Replaced}},
        {"skip then replace all",
         {A::Skip, A::ReplaceAll},
         2,
         {O::Skipped, O::Replaced, O::Replaced}},
        {"cancel", {A::Skip, A::Cancel}, 2, {O::Skipped, O::Cancelled, O::Cancelled}},
    };
    for (TransferOperation operation : kOperations) {
        for (const AskCase& c : cases) {
            SCOPED_TRACE(c.name);
            TransferScene scene(operation);
            for (int i = 0; i < 3; ++i) {
                std::string name = std::to_string(i) + ".mp3";
                scene.Add(name, "new", name);
                WriteFile(scene.to / name, "old");
            }
            scene.delegate.answers.assign(c.answers.begin(), c.answers.end());
            TransferSummary summary = scene.Run();

            EXPECT_EQ(scene.delegate.asked.size(), c.expectedAsks);
            EXPECT_EQ(scene.delegate.Outcomes(), c.expected);
            EXPECT_EQ(summary.cancelled, c.expected.back() == O::Cancelled);
            for (std::size_t i = 0; i < 3; ++i) {
                bool replaced = c.expected[i] == O::Replaced;
                EXPECT_EQ(ReadFile(scene.request.destinations[i]), replaced ? "new" : "old") << i;
                bool sourceLeft = operation == TransferOperation::Copy || !replaced;
                EXPECT_EQ(Exists(scene.request.sources[i]), sourceLeft) << i;
            }
            EXPECT_TRUE(Leftovers(scene.to.path()).empty());
        }
    }
}

// Also across batches: the first file stands in a folder the run made when the second is staged.
TEST(TransferCollisionTest, AskModeTwoFilesForOneDestinationMakeACollision) {
    for (auto [operation, batchFiles] : {std::pair{TransferOperation::Copy, 1u},
                                         {TransferOperation::Copy, 256u},
                                         {TransferOperation::Move, 1u},
                                         {TransferOperation::Move, 256u}}) {
        TransferScene scene(operation);
        scene.Add("a.mp3", "a", "out/x.mp3");
        scene.Add("b.mp3", "b", "out/x.mp3");
        scene.request.batchFiles = batchFiles;
        scene.delegate.answers = {CollisionAnswer::Skip};
        scene.Run();
        EXPECT_EQ(scene.delegate.asked, std::vector<std::string>{scene.to / "out/x.mp3"});
        EXPECT_EQ(scene.delegate.Outcomes(),
                  (std::vector<FileOutcome>{FileOutcome::Transferred, FileOutcome::Skipped}));
        EXPECT_EQ(ReadFile(scene.to / "out/x.mp3"), "a");
        EXPECT_EQ(ReadFile(scene.from / "b.mp3"), "b");
    }
}

TEST(TransferCollisionTest, AskModeNeverReplacesAFolder) {
    TransferScene scene(TransferOperation::Copy, kTransferAllowUndo);
    scene.Add("a.mp3", "a", "x.mp3");
    WriteFile(scene.to / "x.mp3/keep", "keep");
    scene.delegate.answers = {CollisionAnswer::Replace};
    EXPECT_EQ(scene.Run().failed, 1u);
    EXPECT_EQ(ReadFile(scene.to / "x.mp3/keep"), "keep");
    EXPECT_TRUE(Leftovers(scene.to.path()).empty());
}

}  // namespace
}  // namespace tunvex
