#include "apps/tunvex-sort/console_delegate.h"

#include "apps/tunvex-sort/printable.h"
#include "core/base/failure_reason.h"

#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <optional>
#include <string>

namespace tunvex {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

// One line typed at the terminal; nullopt at its end or when Ctrl+C comes while waiting. The
// stop signals are let through only inside ppoll, so one that arrives just before the wait
// still ends it.
std::optional<std::string> ReadAnswerLine() {
    sigset_t stopSignals;
    sigset_t previous;
    sigemptyset(&stopSignals);
    for (int stop : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stopSignals, stop);
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);
    std::optional<std::string> line = std::string();
    while (line) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (interrupted) {
            line.reset();
        } else if (ppoll(&input, 1, nullptr, &previous) < 0) {
            if (errno != EINTR)
                line.reset();
        } else {
            char c;
            ssize_t n = read(STDIN_FILENO, &c, 1);
            if (n <= 0)
                line.reset();
            else if (c == '\n')
                break;
            else
                *line += c;
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return line;
}

}  // namespace

ConsoleDelegate::ConsoleDelegate(bool yes)
    : yes_(yes),
      askOnTerminal_(isatty(STDIN_FILENO) && isatty(STDERR_FILENO)),
      showProgress_(isatty(STDERR_FILENO)) {}

void ConsoleDelegate::CatchInterrupt() {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

CollisionAnswer ConsoleDelegate::AskReplace(const std::string& source,
                                            const std::string& destination) {
    if (!askOnTerminal_)
        return yes_ ? CollisionAnswer::ReplaceAll : CollisionAnswer::Skip;
    ClearProgressLine();
    while (true) {
        std::cerr << "\"" << Printable(destination) << "\" exists (new: \"" << Printable(source)
                  << "\").\n"
                  << "Replace it? [r]eplace, replace [a]ll, [s]kip, [c]ancel: " << std::flush;
        std::optional<std::string> answer = ReadAnswerLine();
        if (!answer || interrupted)
            return CollisionAnswer::Cancel;
        switch (answer->empty() ? '\0' : answer->front()) {
            case 'r':
            case 'R':
            case 'y':
            case 'Y':
                return CollisionAnswer::Replace;
            case 'a':
            case 'A':
                return CollisionAnswer::ReplaceAll;
            case 's':
            case 'S':
            case 'n':
            case 'N':
                return CollisionAnswer::Skip;
            case 'c':
            case 'C':
                return CollisionAnswer::Cancel;
            default:
                break;
        }
    }
}

void ConsoleDelegate::OnProgress(const TransferProgress& progress) {
    if (!showProgress_)
        return;
    unsigned percent = progress.bytesTotal == 0
                           ? 100
                           : static_cast<unsigned>(progress.bytesDone * 100 / progress.bytesTotal);
    std::cerr << "\r" << progress.filesDone << "/" << progress.filesTotal << " files, " << percent
              << "%  " << std::flush;
    progressShown_ = true;
}

void ConsoleDelegate::OnFileDone(const FileReport& report) {
    ClearProgressLine();
    switch (report.outcome) {
        case FileOutcome::Transferred:
        case FileOutcome::Renamed:
        case FileOutcome::Replaced:
        case FileOutcome::SameFile:
            std::cout << Printable(report.source) << '\t' << Printable(report.destination) << '\n';
            if (report.outcome == FileOutcome::SameFile) {
                std::cerr << "already in place: " << Printable(report.source) << '\n';
            }
            break;
        case FileOutcome::Repeated:
            std::cerr << "skipped, already in this request: " << Printable(report.source) << '\n';
            break;
        case FileOutcome::Skipped:
            if (report.reason.kind != FailureKind::None) {
                std::cerr << "skipped: " << Printable(report.source) << ": "
                          << Printable(EnglishReason(report.reason)) << '\n';
                break;
            }
            std::cerr << "skipped, destination exists: " << Printable(report.source) << " -> "
                      << Printable(report.destination) << '\n';
            break;
        case FileOutcome::Failed:
            std::cerr << "failed: " << Printable(report.source);
            if (!report.destination.empty())
                std::cerr << " -> " << Printable(report.destination);
            std::cerr << ": " << Printable(EnglishReason(report.reason)) << '\n';
            break;
        case FileOutcome::Cancelled:
            break;
    }
}

bool ConsoleDelegate::CancelRequested() {
    return Interrupted();
}

bool ConsoleDelegate::Interrupted() {
    return interrupted != 0;
}

void ConsoleDelegate::ClearProgressLine() {
    if (!progressShown_)
        return;
    std::cerr << "\r\033[K" << std::flush;
    progressShown_ = false;
}

}  // namespace tunvex
