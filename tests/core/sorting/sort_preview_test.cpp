#include "core/sorting/sort_preview.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/fixtures/audio_fixtures.h"
#include "tests/support/bound_tag_library.h"
#include "tests/support/songs.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

namespace fs = std::filesystem;

const char* const kStateNames[kPreviewStateCount] = {
    "placed", "new-folder", "renamed", "ask",  "same-name", "in-place",
    "twice",  "extra",      "kept",    "gone", "left",      "failed"};

// What the run does with a file of each state, every question answered Replace.
FileOutcome OutcomeOf(PreviewState state, bool renames) {
    switch (state) {
        case PreviewState::Renamed:
            return FileOutcome::Renamed;
        case PreviewState::SameNameInDrop:
            return renames ? FileOutcome::Renamed : FileOutcome::Replaced;
        case PreviewState::WillAsk:
            return FileOutcome::Replaced;
        case PreviewState::AlreadyInPlace:
            return FileOutcome::SameFile;
        case PreviewState::GivenTwice:
            return FileOutcome::Repeated;
        default:
            return FileOutcome::Transferred;
    }
}

// Files: "in/a.mp3 X" a song titled a of album X, "in/b2.mp3 =in/b.mp3" a hard link, else a
// text file. States: a row each, "renamed 2" for a numbered name; "-" before one leaves it out
// of the run, "~" marks one the run leaves all the same. The run then does what the preview said,
// for the rows left in alone.
TEST(SortPreviewTest, SaysWhatTheRunThenDoes) {
    struct Row {
        const char* what;
        std::vector<std::string> files, dropped, states;
        int renames = 1, move = 0, extras = 0;
    };
    const std::string existing = "out/Artist/X/a.mp3 X";
    // clang-format off
    const Row rows[] = {
        {"rename mode", {existing, "in/a.mp3 X", "in/b.mp3 X", "in/c/a.mp3 X", "in/b2.mp3 =in/b.mp3", "in/n.txt", "in/d.mp3 Y"},
         {"in/a.mp3", "in/b.mp3", "in/c/a.mp3", "in/b2.mp3", "in/n.txt", "in/d.mp3", "out/Artist/X/a.mp3"},
         {"renamed 2", "placed", "same-name 3", "twice", "new-folder", "in-place", "left"}},
        {"ask mode, a move, one left out", {existing, "in/a.mp3 X", "in/c/a.mp3 X", "in/d.mp3 Y"},
         {"in/a.mp3", "in/c/a.mp3", "in/d.mp3"}, {"ask", "same-name", "-new-folder"}, 0, 1},
        {"extras and emptied folders", {"in/e/a.mp3 X", "in/e/b.mp3 X", "in/e/cover.jpg", "in/f/a.mp3 Y", "in/f/b.mp3 Z", "in/f/cover.jpg"},
         {"in/e", "in/f"}, {"new-folder", "new-folder", "new-folder", "new-folder", "extra", "gone", "gone", "kept"}, 1, 1, 1},
        {"a track left out keeps its extra and its folder", {"in/e/a.mp3 X", "in/e/b.mp3 X", "in/e/cover.jpg"},
         {"in/e"}, {"-new-folder", "new-folder", "~extra", "gone"}, 1, 1, 1},
    };
    // clang-format on
    testing::BoundTagLibrary library;
    TempFolder journals;
    testing::ScopedEnvironment stateHome{"XDG_STATE_HOME", journals.path()};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder root;
        for (const std::string& file : row.files) {
            std::size_t space = file.find(' ');
            fs::path path = root / file.substr(0, space);
            fs::create_directories(path.parent_path());
            if (space == std::string::npos)
                fixtures::WriteTextFile(path, "notes");
            else if (file[space + 1] == '=')
                fs::create_hard_link(root / file.substr(space + 2), path);
            else
                testing::WriteSong(path, path.stem(), file.substr(space + 1));
        }
        Settings settings;
        settings.BaseFolderPath = root / "out";
        settings.FolderNamingMode = 2;
        settings.FileNamingMode = 1;
        settings.CollisionMode = row.renames;
        settings.CopyMode = row.move;
        settings.CarryExtraFiles = settings.RemoveEmptiedFolders = row.extras;
        settings.ExtraFilePatterns = "*.jpg";
        std::vector<std::string> dropped;
        for (const std::string& path : row.dropped)
            dropped.push_back(root / path);
        SortBatchPlan plan = PlanSortBatch({settings, library.get(), CodePage::Utf8}, dropped);
        SortPreview preview = PreviewSortPlan(plan, CodePage::Utf8);
        std::vector<std::string> states;
        std::vector<bool> chosen;
        std::map<std::string, std::pair<PreviewState, std::string>> expected;
        for (std::size_t i = 0; i < preview.rows.size(); ++i) {
            const PreviewRow& previewRow = preview.rows[i];
            std::string name = kStateNames[static_cast<std::size_t>(previewRow.state)];
            if (previewRow.number != 0)
                name += " " + std::to_string(previewRow.number);
            std::string mark = i < row.states.size() ? row.states[i].substr(0, 1) : "";
            mark = mark == "-" || mark == "~" ? mark : "";
            chosen.push_back(mark != "-");
            states.push_back(mark + name);
            if (mark.empty() && previewRow.state <= PreviewState::ExtraFollows)
                expected[RowSource(plan, previewRow)] = {
                    previewRow.state, RowDestination(plan, previewRow, CodePage::Utf8)};
        }
        EXPECT_EQ(states, row.states);
        KeepChosenRows(plan, preview, chosen);
        RecordingDelegate delegate;
        delegate.answers.assign(8, CollisionAnswer::Replace);
        RunSortPlan(plan, delegate);
        std::map<std::string, std::pair<PreviewState, std::string>> done;
        for (const FileReport& report : delegate.reports) {
            auto [state, destination] = expected.at(report.source);
            EXPECT_EQ(report.outcome, OutcomeOf(state, row.renames == 1)) << report.source;
            EXPECT_EQ(report.destination, destination);
            done[report.source] = expected[report.source];
        }
        EXPECT_EQ(done, expected);
    }
}

}  // namespace
}  // namespace tunvex
