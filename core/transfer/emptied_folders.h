// Removing the source folders a move has emptied.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "core/transfer/journal_writer.h"
#include "core/transfer/transfer.h"

namespace tunvex {

// Tells the delegate everything, and keeps the folders that placed files of a move came from.
class MovedFromFolders : public TransferDelegate {
  public:
    explicit MovedFromFolders(TransferDelegate& delegate) : delegate_(delegate) {}
    CollisionAnswer AskReplace(const std::string& source, const std::string& destination) override {
        return delegate_.AskReplace(source, destination);
    }
    void OnProgress(const TransferProgress& progress) override { delegate_.OnProgress(progress); }
    void OnFileDone(const FileReport& report) override;
    bool CancelRequested() override { return delegate_.CancelRequested(); }

    const std::unordered_set<std::string>& folders() const { return folders_; }

  private:
    TransferDelegate& delegate_;
    std::unordered_set<std::string> folders_;
};

// Removes, in the order given, each candidate that holds nothing at all and that either a moved
// file or a folder removed before it came from; one reached through a link (or whose path holds
// "..") stays. Each removal is journaled with the folder's mode and time. Returns how many went.
std::size_t RemoveEmptiedFolders(const std::vector<std::string>& candidates,
                                 const std::unordered_set<std::string>& movedFrom,
                                 TransferJournal& journal);

}  // namespace tunvex
