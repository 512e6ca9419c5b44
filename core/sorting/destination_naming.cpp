#include "core/sorting/destination_naming.h"

#include "core/base/paths.h"
#include "core/tags/tag_reader.h"

namespace tunvex {
namespace {

// In the user folder pattern a backslash is the user's level separator.
constexpr char kPatternLevelSeparator = '\\';

// Room left in a file name for the " (9999)" that a collision may add.
constexpr std::size_t kCollisionSuffixReserve = 7;

void TrimDots(CodePage codePage, std::string& path) {
    TrimTrailingChar(codePage, path, '.');
}

// Each builder is false when a join did not fit.
bool BuildFolderPart(const Settings& settings, CodePage codePage, std::string& destination,
                     const TrackTags& tags) {
    int mode = settings.FolderNamingMode;
    if (mode < 0 || mode > 3)
        return true;
    std::string expandedPattern;
    if (mode == 3) {
        expandedPattern = ExpandNamingPattern(codePage, settings.FolderNamingFormat, tags);
        ReplaceChar(codePage, expandedPattern, kPatternLevelSeparator, kPathSeparator);
    }
    // The base folder is taken as it is: "Vol." is no other folder than "Vol" on Windows only.
    destination = settings.BaseFolderPath;
    auto join = [&](std::string part) {
        LimitElementLengths(codePage, part, 0);
        bool joined = AppendPathPart(codePage, destination, part);
        TrimDots(codePage, destination);
        return joined;
    };
    switch (mode) {
        case 1:
            return join(tags.artist);
        case 2:
            return join(tags.artist) && join(tags.album);
        case 3:
            return join(expandedPattern);
        default:
            return true;
    }
}

bool BuildFilePart(const Settings& settings, CodePage codePage, std::string& destination,
                   const std::string& sourcePath, const TrackTags& tags) {
    std::string name;
    switch (settings.FileNamingMode) {
        case 0:
            name = sourcePath;
            StripToFileName(codePage, name);
            return AppendPathPart(codePage, destination, name);
        case 1:
            name = tags.title;
            break;
        case 2:
            name = tags.artist + " - " + tags.title;
            break;
        case 3:
            name = tags.track + "." + tags.title;
            break;
        case 4:
            name = ExpandNamingPattern(codePage, settings.FileNamingFormat, tags);
            break;
        default:
            return true;
    }
    std::string extension = GetSourceExtension(codePage, sourcePath);
    LimitElementLengths(codePage, name, extension.size() + kCollisionSuffixReserve);
    if (!AppendPathPart(codePage, destination, name))
        return false;
    destination += extension;
    return destination.size() < kMaxPath;
}

}  // namespace

std::string ExpandNamingPattern(CodePage codePage, const std::string& pattern,
                                const TrackTags& tags) {
    std::string expanded = pattern;
    ReplaceAll(codePage, expanded, "?A", tags.artist);
    ReplaceAll(codePage, expanded, "?a", tags.album);
    ReplaceAll(codePage, expanded, "?T", tags.title);
    ReplaceAll(codePage, expanded, "?t", tags.track);
    return expanded;
}

std::string GetSourceExtension(CodePage codePage, const std::string& sourcePath) {
    std::size_t dot = FindExtension(codePage, sourcePath);
    return dot == std::string::npos ? std::string() : sourcePath.substr(dot);
}

std::string FolderArtist(const Settings& settings, CodePage codePage, const TrackTags& tags) {
    if (settings.UseAlbumArtist != 1)
        return tags.artist;
    if (!tags.albumArtist.empty())
        return tags.albumArtist;
    std::string various = settings.CompilationArtist;
    SanitizeTagText(codePage, various);
    return tags.compilation && !various.empty() ? various : tags.artist;
}

bool BuildDestinationPath(const Settings& settings, CodePage codePage, std::string& destination,
                          const std::string& sourcePath, const TrackTags& tags) {
    bool built;
    if (settings.UseAlbumArtist == 1) {
        TrackTags folderTags = tags;
        folderTags.artist = FolderArtist(settings, codePage, tags);
        built = BuildFolderPart(settings, codePage, destination, folderTags);
    } else {
        built = BuildFolderPart(settings, codePage, destination, tags);
    }
    return built && BuildFilePart(settings, codePage, destination, sourcePath, tags);
}

}  // namespace tunvex
