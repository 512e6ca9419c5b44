// The transfer tests' scene: real files, a request built file by file, a recording delegate.
#pragma once

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/files/temporaries.h"
#include "core/transfer/transfer.h"
#include "tests/support/mount_namespace.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace tunvex {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

inline dev_t DeviceOf(const std::string& path) {
    struct stat info = {};
    stat(path.c_str(), &info);
    return info.st_dev;
}

inline const char* const kNoOtherFileSystem = "needs /dev/shm on another device than /tmp";
// A folder on another file system than the temp folder (/dev/shm); empty where there is none.
inline std::string OtherFileSystem() {
    TempFolder other("/dev/shm");
    return !other.path().empty() && DeviceOf(other.path()) != DeviceOf(TempFolder().path())
               ? "/dev/shm"
               : "";
}

inline bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Bytes that differ from one position to the next, so a misplaced chunk shows.
inline std::string PatternedContent(std::size_t size, unsigned seed = 1) {
    std::string content(size, '\0');
    std::uint32_t state = seed;
    for (char& c : content) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return content;
}

inline std::string Repeat(const std::string& text, std::size_t times) {
    std::string repeated;
    for (std::size_t i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

// Temporaries of the engine anywhere under folder.
inline std::vector<std::string> Leftovers(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(kTemporaryPrefix, 0) == 0)
            found.push_back(entry.path().string());
    }
    return found;
}

class RecordingDelegate : public TransferDelegate {
  public:
    std::deque<CollisionAnswer> answers;  // given in order; Cancel once they run out
    std::vector<std::string> asked;       // destinations asked about
    std::vector<FileReport> reports;
    std::vector<TransferProgress> progress;
    std::function<bool(const RecordingDelegate&)> cancelWhen;

    CollisionAnswer AskReplace(const std::string&, const std::string& destination) override {
        asked.push_back(destination);
        if (answers.empty())
            return CollisionAnswer::Cancel;
        CollisionAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void OnProgress(const TransferProgress& report) override { progress.push_back(report); }
    void OnFileDone(const FileReport& report) override { reports.push_back(report); }
    bool CancelRequested() override { return cancelWhen && cancelWhen(*this); }

    std::vector<FileOutcome> Outcomes() const {
        std::vector<FileOutcome> outcomes;
        for (const FileReport& report : reports)
            outcomes.push_back(report.outcome);
        return outcomes;
    }
};

// Points XDG_DATA_HOME at a temporary folder for the life of the object.
class ScopedDataHome : public testing::ScopedEnvironment {
  public:
    explicit ScopedDataHome(const std::string& path) : ScopedEnvironment("XDG_DATA_HOME", path) {}
};

// A bind-mounted folder: a rename to the temp folders fails with EXDEV; empty without mounts.
inline std::string BindMountedFolder() {
    static TempFolder folder;
    static const std::string path = []() -> std::string {
        if (!EnterPrivateMountNamespace().empty())
            return {};
        std::filesystem::create_directory(folder / "real");
        std::filesystem::create_directory(folder / "bound");
        if (mount((folder / "real").c_str(), (folder / "bound").c_str(), nullptr, MS_BIND,
                  nullptr) != 0)
            return {};
        return folder / "bound";
    }();
    return path;
}

inline PathColumn MakePathColumn(const std::vector<std::string>& paths) {
    PathColumn column;
    for (const std::string& path : paths)
        column.push_back(path);
    return column;
}

inline TransferRequest MakeRequest(TransferOperation operation,
                                   const std::vector<std::string>& sources,
                                   const std::vector<std::string>& destinations,
                                   unsigned flags = 0) {
    TransferRequest request;
    request.operation = operation;
    request.sources = MakePathColumn(sources);
    request.destinations = MakePathColumn(destinations);
    request.flags = flags | kTransferMultiDestFiles | kTransferNoConfirmMkdir;
    return request;
}

// A run's operation and where its sources lie.
struct TransferCase {
    std::string name;
    TransferOperation operation;
    std::string sourceBase;
};

// A copy, a move in one file system unless left out, a move from /dev/shm where it is another.
inline std::vector<TransferCase> TransferCases(bool withRename = true) {
    const std::string local = TempFolder::DefaultBase();
    std::vector<TransferCase> cases = {{"copy", TransferOperation::Copy, local}};
    if (withRename)
        cases.push_back({"move inside one file system", TransferOperation::Move, local});
    if (!OtherFileSystem().empty())
        cases.push_back({"move across file systems", TransferOperation::Move, OtherFileSystem()});
    return cases;
}

// One transfer: sources written under `from` (on sourceBase), destinations under `to`.
struct TransferScene {
    explicit TransferScene(TransferOperation operation, unsigned flags = 0,
                           const std::string& sourceBase = TempFolder::DefaultBase())
        : from(sourceBase), request(MakeRequest(operation, {}, {}, flags)) {}
    explicit TransferScene(const TransferCase& c, unsigned flags = 0)
        : TransferScene(c.operation, flags, c.sourceBase) {}

    // Writes from/source and asks for it at to/destination.
    void Add(const std::string& source, const std::string& content,
             const std::string& destination) {
        WriteFile(from / source, content);
        request.sources.push_back(from / source);
        request.destinations.push_back(to / destination);
    }
    TransferSummary Run() { return RunTransfer(request, delegate); }

    TempFolder from;
    TempFolder to;
    TransferRequest request;
    RecordingDelegate delegate;
};

}  // namespace tunvex
