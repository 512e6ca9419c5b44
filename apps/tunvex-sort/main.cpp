// tunvex-sort: does for its path arguments what a drop of those paths on the tunvex window does.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "apps/tunvex-sort/console_delegate.h"
#include "apps/tunvex-sort/options.h"
#include "apps/tunvex-sort/preview_printing.h"
#include "apps/tunvex-sort/printable.h"
#include "apps/tunvex-sort/undo_command.h"
#include "core/base/catalogue.h"
#include "core/base/failure_reason.h"
#include "core/base/messages.h"
#include "core/base/paths.h"
#include "core/base/version.h"
#include "core/files/attribute_loss.h"
#include "core/settings/settings.h"
#include "core/sorting/sort_batch.h"
#include "core/system/profile.h"
#include "core/system/settings_location.h"
#include "core/tags/tag_library.h"

namespace tunvex {
namespace {

// False, having said why: the load's own message for such a file does not.
bool CheckSettingsFileType(const std::string& iniPath) {
    struct stat info;
    if (stat(iniPath.c_str(), &info) != 0 || IsProfileFileType(info.st_mode))
        return true;
    std::cerr << "tunvex-sort: the settings file " << Printable(iniPath)
              << " is neither a regular file nor a pipe\n";
    return false;
}

bool LoadSortSettings(const SortOptions& options, Settings& settings) {
    std::string iniPath =
        options.settingsPath.value_or(SettingsFilePath(ExecutableDirectory(), "tunvex.ini"));
    if (!CheckSettingsFileType(iniPath))
        return false;
    if (!LoadSettings(settings, iniPath)) {
        ShowMessage(kMsgSettingsNotLoaded);
        return false;
    }
    for (const auto& [key, value] : options.overrides) {
        if (!ApplySettingOverride(settings, key, value)) {
            std::cerr << "tunvex-sort: unknown setting " << Printable(key) << "\n";
            return false;
        }
    }
    return true;
}

// One line at the end of every sort, whatever happened. A dry run counts the files it planned.
void PrintSummary(const SortBatchPlan& plan, const TransferSummary& summary, bool dryRun) {
    std::size_t notSorted = 0;
    for (const NotSorted& file : plan.notSorted)
        notSorted += file.failed ? 0 : 1;
    std::cerr << "tunvex-sort: ";
    if (dryRun) {
        std::cerr << plan.request.sources.size() << " planned, ";
    } else {
        std::cerr << summary.transferred + summary.replaced << " done, " << summary.renamed
                  << " renamed, " << summary.skipped << " skipped, ";
    }
    std::cerr << summary.failed << " failed, " << notSorted << " not sorted";
    if (summary.sameFile > 0)
        std::cerr << ", " << summary.sameFile << " already in place";
    if (summary.repeated > 0)
        std::cerr << ", " << summary.repeated << " given twice";
    if (!plan.extrasKept.empty())
        std::cerr << ", " << plan.extrasKept.size() << " extras left in their folders";
    if (summary.foldersRemoved > 0)
        std::cerr << ", " << summary.foldersRemoved << " emptied folders removed";
    if (!summary.foldersKept.empty())
        std::cerr << ", " << summary.foldersKept.size() << " emptied folders kept";
    std::cerr << (summary.cancelled ? ", cancelled" : "") << "\n";
}

// The output is what scripts read: one that could not be written all is a failure of the run.
int CheckOutput(int status) {
    errno = 0;
    if (std::cout.flush())
        return status;
    std::cerr << "tunvex-sort: cannot write the output"
              << (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()) << "\n";
    return std::max(status, kExitNotAllDone);
}

// A path that names nothing is most likely a typing error: stop before anything is touched.
bool AllPathsExist(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0) {
            std::cerr << "tunvex-sort: no such file or folder: " << Printable(path) << "\n";
            return false;
        }
    }
    return true;
}

int RunSort(const SortOptions& options) {
    if (!AllPathsExist(options.paths))
        return kExitUsage;
    Settings settings;
    if (!LoadSortSettings(options, settings))
        return kExitUsage;
    TagLibrary library;
    if (!BindTagLibrary(library))
        return kExitUsage;

    SortBatchContext context{settings, library, SystemCodePage()};
    SortBatchPlan plan = PlanSortBatch(context, options.paths);
    if (options.preview) {
        std::size_t failed =
            PrintPreview(plan, PreviewSortPlan(plan, context.codePage), context.codePage);
        UnloadTagLibrary(library);
        return CheckOutput(failed == 0 ? kExitAllDone : kExitNotAllDone);
    }
    if (options.verbose) {
        for (const NotSorted& file : plan.notSorted) {
            if (!file.failed)
                std::cerr << "not sorted: " << Printable(file.path) << ": "
                          << Printable(EnglishReason(file.reason)) << "\n";
        }
        for (const KeptExtra& extra : plan.extrasKept) {
            std::cerr << "extra left: " << Printable(extra.path) << ": "
                      << ExtraKeptText(extra.because) << "\n";
        }
    }
    ConsoleDelegate delegate(options.yes);
    std::size_t planFailures = ReportPlanFailures(plan, delegate);
    TransferSummary summary;
    if (options.dryRun) {
        for (std::size_t i = 0; i < plan.request.sources.size(); ++i) {
            std::cout << Printable(plan.request.sources[i]) << '\t'
                      << Printable(plan.request.destinations[i]) << '\n';
        }
    } else if (!plan.request.sources.empty()) {
        ConsoleDelegate::CatchInterrupt();
        summary = RunTransfer(plan.request, delegate);
    }
    summary.failed += planFailures;
    UnloadTagLibrary(library);
    if (options.verbose) {
        for (const KeptFolder& folder : summary.foldersKept) {
            std::cerr << "folder kept: " << Printable(folder.path) << ": "
                      << Printable(EnglishReason(folder.reason)) << "\n";
        }
    }
    // A run that cannot be undone is not all that was asked for either.
    bool allDone = summary.failed == 0 && summary.skipped == 0 && !summary.cancelled &&
                   summary.journalError.empty();
    int status = CheckOutput(allDone ? kExitAllDone : kExitNotAllDone);
    PrintSummary(plan, summary, options.dryRun);
    if (summary.attributesNotKept != 0) {
        std::cerr << "tunvex-sort: the destination did not keep the "
                  << DescribeAttributeLoss(summary.attributesNotKept) << " of some files\n";
    }
    if (!summary.journalError.empty()) {
        std::cerr << "tunvex-sort: the undo journal is missing or incomplete: "
                  << Printable(EnglishReason(summary.journalError)) << "\n";
    }
    return status;
}

}  // namespace
}  // namespace tunvex

int main(int argc, char** argv) {
    using namespace tunvex;
    std::setlocale(LC_ALL, "");
    // A reader that goes away (| head) must not kill a transfer halfway; the files go on.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    SetMessageSink([](unsigned, const std::string& text) { std::cerr << text << "\n"; });

    SortOptions options;
    std::string error;
    if (!ParseSortOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "tunvex-sort: " << Printable(error) << "\n" << kSortUsage;
        return kExitUsage;
    }
    if (options.help) {
        std::cout << kSortUsage;
        return CheckOutput(kExitAllDone);
    }
    if (options.version) {
        std::cout << "tunvex-sort " << kTunvexVersion << "\n";
        return CheckOutput(kExitAllDone);
    }
    if (options.listRuns)
        return CheckOutput(ListRuns());
    if (options.undo)
        return CheckOutput(RunUndo(options));
    return RunSort(options);
}
