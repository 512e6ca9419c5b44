#include "cli/options.h"

namespace tunvex {

const char kSortUsage[] =
    "Usage: tunvex-sort [options] PATH...\n"
    "Sorts the music files at PATH (files or folders, searched recursively) into the folder\n"
    "tree that the settings describe, exactly as a drop on the tunvex window does.\n"
    "\n"
    "  --settings FILE   read the settings from FILE (default: tunvex.ini beside the program,\n"
    "                    or in ~/.config/tunvex/ when the program's folder is read-only)\n"
    "  --set KEY=VALUE   override one setting for this run (e.g. --set CopyMode=1)\n"
    "  --dry-run         print the plan (source TAB destination) and touch nothing\n"
    "  --yes             replace existing files without asking when there is no terminal\n"
    "  --verbose         list the files whose tags could not be read on stderr\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 every file reached its destination; 1 a file failed, was skipped or the\n"
    "run was cancelled; 2 usage or start-up error.\n";

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
            if (i + 1 >= arguments.size()) {
                error = name + " needs a value";
                return false;
            }
            value = arguments[++i];
            return true;
        };
        if (name == "--") {
            onlyPaths = true;
        } else if (name == "--dry-run") {
            options.dryRun = true;
        } else if (name == "--yes" || name == "-y") {
            options.yes = true;
        } else if (name == "--verbose" || name == "-v") {
            options.verbose = true;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
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
        if (value && name != "--settings" && name != "--set") {
            error = name + " takes no value";
            return false;
        }
    }
    if (options.paths.empty() && !options.help && !options.version) {
        error = "no PATH given";
        return false;
    }
    return true;
}

}  // namespace tunvex
