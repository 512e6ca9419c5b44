// The transfer's questions and reports on a terminal, or in a script without one.
#pragma once

#include <csignal>
#include <cstdio>

#include "core/transfer/transfer.h"

namespace tunvex {

class ConsoleDelegate : public TransferDelegate {
  public:
    // yes: replace existing files when there is no terminal to ask.
    explicit ConsoleDelegate(bool yes);

    CollisionAnswer AskReplace(const std::string& source, const std::string& destination) override;
    void OnProgress(const TransferProgress& progress) override;
    void OnFileDone(const FileReport& report) override;
    bool CancelRequested() override;

    // Ctrl+C, SIGTERM and a lost terminal ask the transfer to stop at the next safe point instead
    // of killing the process.
    static void CatchInterrupt();
    // Whether one of those has come.
    static bool Interrupted();

  private:
    bool yes_;
    bool askOnTerminal_;
    bool showProgress_;
    bool progressShown_ = false;

    void ClearProgressLine();
};

}  // namespace tunvex
