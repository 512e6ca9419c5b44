#include "apps/tunvex-sort/options.h"

namespace tunvex {

const char kSortUsage[] =
    "Usage: tunvex-sort [options] PATH...\n"
    "       tunvex-sort --undo [--dry-run] [JOURNAL]\n"
    "       tunvex-sort --list-runs\n"
    "Sorts the music files at PATH (files or folders, searched recursively) into the folder\n"
    "tree that the settings describe, exactly as a drop on the tunvex window does. Every run\n"
    "that changes something keeps a journal in ~/.local/state/tunvex/ that can undo it.\n"
    "\n"
    "  --settings FILE   read the settings from FILE (default: tunvex.ini beside the program,\n"
    "                    or in ~/.config/tunvex/ when the program's folder is read-only)\n"
    "  --set KEY=VALUE   override one setting for this run (e.g. --set CopyMode=1)\n"
    "  --dry-run         print the plan (source TAB destination) and touch nothing\n"
    "  --preview         print what would happen to each file (state TAB source TAB\n"
    "                    destination, and why it stays), then the counts; touch nothing\n"
    "  --yes             replace existing files without asking when there is no terminal\n"
    "  --verbose         list on stderr what was not sorted, and why\n"
    "  --undo [JOURNAL]  undo a whole run (default: the newest not undone yet): moves go back,\n"
    "                    copies go to the trash, replaced files come back from it; a file\n"
    "                    changed since, or whose source path is taken, is left and reported\n"
    "  --list-runs       list the runs that can be undone, newest first\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 every file reached its destination (or went back); 1 a file failed, was\n"
    "skipped or left alone, the run was cancelled, its undo journal could not be kept or its\n"
    "output could not be written; 2 usage or start-up error.\n";

bool ParseSortOptions(const std::vector<std::string>& arguments, SortOptions& options,
                      std::string& error) {
    bool onlyPaths = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyPaths || argument.empty() || argument[0] != '-' || argument == "-") {
            options.paths.push_back(argument);
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        std::size_t equals = argument.find('=');
        if (argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        auto takeValue = [&]() -> bool {
            if (value)
                return true;
            // "--settings --dry-run" must not run for real on the defaults.
            const std::string* next = i + 1 < arguments.size() ? &arguments[i + 1] : nullptr;
            if (next == nullptr || (next->size() > 1 && (*next)[0] == '-')) {
                error = name + " needs a value (" + name + "=VALUE for one that starts with -)";
                return false;
            }
            value = arguments[++i];
            return true;
        };
        if (name == "--") {
            onlyPaths = true;
        } else if (name == "--dry-run") {
            options.dryRun = true;
        } else if (name == "--preview") {
            options.preview = true;
        } else if (name == "--yes" || name == "-y") {
            options.yes = true;
        } else if (name == "--verbose" || name == "-v") {
            options.verbose = true;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--undo") {
            options.undo = true;
            if (value)
                options.paths.push_back(*value);
        } else if (name == "--list-runs") {
            options.listRuns = true;
        } else if (name == "--settings") {
            if (!takeValue())
                return false;
            options.settingsPath = *value;
        } else if (name == "--set") {
            if (!takeValue())
                return false;
            std::size_t keyEnd = value->find('=');
            if (keyEnd == std::string::npos || keyEnd == 0) {
                error = "--set needs KEY=VALUE, not \"" + *value + "\"";
                return false;
            }
            options.overrides.emplace_back(value->substr(0, keyEnd), value->substr(keyEnd + 1));
        } else {
            error = "unknown option " + argument;
            return false;
        }
        if (value && name != "--settings" && name != "--set" && name != "--undo") {
            error = name + " takes no value";
            return false;
        }
    }
    if (options.undo && options.listRuns) {
        error = "--undo and --list-runs go one at a time";
    } else if (options.preview && (options.dryRun || options.undo || options.listRuns)) {
        error = "--preview goes alone with the paths to sort";
    } else if (options.undo && options.paths.size() > 1) {
        error = "--undo takes one JOURNAL at most";
    } else if (options.listRuns && !options.paths.empty()) {
        error = "--list-runs takes no PATH";
    } else if (options.paths.empty() && !options.help && !options.version && !options.undo &&
               !options.listRuns) {
        error = "no PATH given";
    }
    return error.empty();
}

}  // namespace tunvex
