// Removing the source folders a move has emptied.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/transfer/journal_writer.h"
#include "core/transfer/transfer.h"

namespace tunvex {

// Tells the delegate everything, and with keeping keeps the folders that placed files came from.
class MovedFromFolders : public TransferDelegate {
  public:
    MovedFromFolders(TransferDelegate& delegate, bool keeping)
        : delegate_(delegate), keeping_(keeping) {}
    CollisionAnswer AskReplace(const std::string& source, const std::string& destination) override {
        return delegate_.AskReplace(source, destination);
    }
    void OnProgress(const TransferProgress& progress) override { delegate_.OnProgress(progress); }
    void OnFileDone(const FileReport& report) override;
    bool CancelRequested() override { return delegate_.CancelRequested(); }

    const std::unordered_set<std::string>& folders() const { return folders_; }

  private:
    TransferDelegate& delegate_;
    bool keeping_;
    std::unordered_set<std::string> folders_;
};

// The folders a move may remove (TransferRequest::removeWhenEmptied), looked at as the run starts,
// before any file leaves them: the real path of each (its root's links resolved once: those
// above the dropped folder are followed, none from it down) and its modification time, and the
// time of the folder that holds it. The undo gets those times back, not the times of emptying.
class EmptiedFolderRemoval {
  public:
    explicit EmptiedFolderRemoval(const std::vector<FolderToRemove>& candidates);

    // Removes, deepest first, each candidate that a moved file (movedFrom: the folders as the
    // sources spell them) or a folder removed before it came out of, when it holds nothing at all,
    // has no link on its path from its root down, is no mount point, and an undo could make it
    // again as it is: with no ACL and no user extended attributes, of the user of the run and of
    // the group a new folder gets in its parent. Each removal is journaled with the folder's mode
    // and time before the run, and then the time of each folder that holds a removed one and
    // stays. kept gets those that stay, with why. Returns how many went.
    std::size_t Remove(const std::unordered_set<std::string>& movedFrom, TransferJournal& journal,
                       std::vector<KeptFolder>& kept);

  private:
    struct Folder {
        std::string real;                    // empty when it could not be resolved: error
        std::vector<std::string> spellings;  // as the request gives it; the first is reported
        int error = 0;
    };

    std::vector<Folder> folders_;                                   // deepest first
    std::unordered_map<std::string, struct timespec> timesBefore_;  // by real path
};

}  // namespace tunvex
