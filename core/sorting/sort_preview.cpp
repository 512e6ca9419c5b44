#include "core/sorting/sort_preview.h"

#include <sys/stat.h>

#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/base/paths.h"
#include "core/files/names.h"
#include "core/sorting/destination_rows.h"
#include "core/sorting/file_identity.h"
#include "core/transfer/snapshot.h"

namespace tunvex {

namespace {

// The run gives up numbering there.
constexpr std::uint32_t kLastNumber = 9999;

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The names the plan's earlier files take, beside what stands on the disk.
class NameLook {
  public:
    NameLook(CodePage codePage, const PathColumn& destinations)
        : codePage_(codePage), taken_(0, RowKeys(&destinations), RowKeys(&destinations)) {}

    bool TakenInDrop(std::uint32_t row, const std::string& destination) const {
        return taken_.contains(row) || (!numbered_.empty() && numbered_.contains(destination));
    }

    void Take(std::uint32_t row) { taken_.try_emplace(row, 2); }

    // The first numbered name neither on the disk nor taken, which it then takes.
    std::uint32_t TakeNumber(std::uint32_t row, const std::string& destination) {
        std::uint32_t& next = taken_.try_emplace(row, 2).first->second;
        std::uint32_t number = next;
        while (number < kLastNumber) {
            std::string name = NumberedName(codePage_, destination, number);
            if (!numbered_.contains(name) && !Exists(name)) {
                numbered_.insert(std::move(name));
                break;
            }
            ++number;
        }
        next = number + 1;
        return number;
    }

    bool FolderIsThere(std::string_view folder) {
        auto [known, added] = folders_.try_emplace(folder, false);
        if (added)
            known->second = IsDirectory(std::string(folder));
        return known->second;
    }

  private:
    CodePage codePage_;
    // By the first row of each destination, the next number to try.
    DestinationRowMap<std::uint32_t> taken_;
    std::unordered_set<std::string> numbered_;
    std::unordered_map<std::string_view, bool> folders_;
};

}  // namespace

SortPreview PreviewSortPlan(const SortBatchPlan& plan, CodePage codePage) {
    const TransferRequest& request = plan.request;
    bool renames = (request.flags & kTransferRenameOnCollision) != 0;
    SortPreview preview;
    preview.rows.reserve(request.sources.size() + request.removeWhenEmptied.size() +
                         plan.extrasKept.size() + plan.notSorted.size());
    auto add = [&preview](PreviewState state, std::size_t index, std::uint32_t number = 0) {
        preview.rows.push_back({state, static_cast<std::uint32_t>(index), number});
        ++preview.counts[static_cast<std::size_t>(state)];
    };
    NameLook names(codePage, request.destinations);
    Identities seen;
    for (std::size_t i = 0; i < request.sources.size(); ++i) {
        const std::string destination = request.destinations[i];
        const auto row = static_cast<std::uint32_t>(i);
        const SourceState& source = request.sourceStates[i];
        if (source.error == 0 && !seen.insert({source.device, source.inode}).second) {
            add(PreviewState::GivenTwice, i);
            continue;
        }
        if (source.error == 0 && IsSourceItself(AsStat(source), destination)) {
            add(PreviewState::AlreadyInPlace, i);
            names.Take(row);
            continue;
        }
        PreviewState state = PreviewState::SameNameInDrop;
        if (!names.TakenInDrop(row, destination)) {
            bool there = Exists(destination);
            state = there && renames                  ? PreviewState::Renamed
                    : there                           ? PreviewState::WillAsk
                    : request.placedFirst.contains(i) ? PreviewState::ExtraFollows
                    : names.FolderIsThere(request.destinations.folder(i))
                        ? PreviewState::Placed
                        : PreviewState::IntoNewFolder;
        }
        bool numbered =
            renames && (state == PreviewState::SameNameInDrop || state == PreviewState::Renamed);
        add(state, i, numbered ? names.TakeNumber(row, destination) : 0);
        names.Take(row);
    }
    for (std::size_t i = 0; i < request.removeWhenEmptied.size(); ++i)
        add(PreviewState::FolderRemoved, i);
    for (std::size_t i = 0; i < plan.extrasKept.size(); ++i)
        add(PreviewState::ExtraKept, i);
    // An extra kept is also a file the sort did not take: one row says both.
    std::unordered_set<std::string_view> keptExtras;
    for (const KeptExtra& extra : plan.extrasKept)
        keptExtras.insert(extra.path);
    for (std::size_t i = 0; i < plan.notSorted.size(); ++i) {
        const NotSorted& file = plan.notSorted[i];
        if (!keptExtras.contains(file.path))
            add(file.failed ? PreviewState::CannotGo : PreviewState::LeftBehind, i);
    }
    return preview;
}

bool NeedsALook(PreviewState state) {
    switch (state) {
        case PreviewState::Renamed:
        case PreviewState::WillAsk:
        case PreviewState::SameNameInDrop:
        case PreviewState::GivenTwice:
        case PreviewState::ExtraKept:
        case PreviewState::LeftBehind:
        case PreviewState::CannotGo:
            return true;
        default:
            return false;
    }
}

bool IsChoosable(PreviewState state) {
    return state <= PreviewState::ExtraFollows || state == PreviewState::FolderRemoved;
}

std::string RowSource(const SortBatchPlan& plan, const PreviewRow& row) {
    switch (row.state) {
        case PreviewState::FolderRemoved:
            return plan.request.removeWhenEmptied[row.index].path;
        case PreviewState::ExtraKept:
            return plan.extrasKept[row.index].path;
        case PreviewState::LeftBehind:
        case PreviewState::CannotGo:
            return plan.notSorted[row.index].path;
        default:
            return plan.request.sources[row.index];
    }
}

std::string RowDestination(const SortBatchPlan& plan, const PreviewRow& row, CodePage codePage) {
    if (row.state > PreviewState::ExtraFollows)
        return {};
    std::string destination = plan.request.destinations[row.index];
    return row.number != 0 ? NumberedName(codePage, destination, row.number) : destination;
}

void KeepChosenRows(SortBatchPlan& plan, const SortPreview& preview,
                    const std::vector<bool>& chosen) {
    TransferRequest& request = plan.request;
    constexpr std::size_t kLeftOut = static_cast<std::size_t>(-1);
    std::vector<std::size_t> moved(request.sources.size(), kLeftOut);
    std::vector<FolderToRemove> folders;
    for (std::size_t position = 0; position < preview.rows.size(); ++position) {
        const PreviewRow& row = preview.rows[position];
        if (!chosen[position] || !IsChoosable(row.state))
            continue;
        if (row.state == PreviewState::FolderRemoved)
            folders.push_back(std::move(request.removeWhenEmptied[row.index]));
        else
            moved[row.index] = 0;
    }
    for (const auto& [extra, tracks] : request.placedFirst) {
        for (std::size_t track : tracks)
            moved[extra] = moved[track] == kLeftOut ? kLeftOut : moved[extra];
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < moved.size(); ++i) {
        if (moved[i] == kLeftOut)
            continue;
        moved[i] = kept;
        request.sourceStates[kept] = request.sourceStates[i];
        ++kept;
    }
    request.sourceStates.resize(kept);
    auto chosenFile = [&moved](std::size_t i) { return moved[i] != kLeftOut; };
    request.sources.keep_if(chosenFile);
    request.destinations.keep_if(chosenFile);
    std::unordered_map<std::size_t, std::vector<std::size_t>> placedFirst;
    for (auto& [extra, tracks] : request.placedFirst) {
        if (moved[extra] == kLeftOut)
            continue;
        for (std::size_t& track : tracks)
            track = moved[track];
        placedFirst.emplace(moved[extra], std::move(tracks));
    }
    request.placedFirst = std::move(placedFirst);
    request.removeWhenEmptied = std::move(folders);
}

}  // namespace tunvex
