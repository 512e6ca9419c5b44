// The numbered texts of the program: INI names, default patterns, placeholders, library names
// and every message.
#pragma once

#include <map>
#include <string>

namespace tunvex {

enum CatalogueId : unsigned {
    kVersionMenuLabel = 501,
    kUnknownArtist = 502,
    kUnknownAlbum = 503,
    kUnknownTitle = 504,
    kUnknownTrack = 505,
    kTagLibraryFileName = 510,
    kEntryGetVer = 530,
    kEntryLoad = 531,
    kEntryGetType = 532,
    kEntryGetValue = 533,
    kEntryGetTagType = 534,
    kDefaultFolderPattern = 540,
    kDefaultFilePattern = 541,
    kIniSection = 550,
    kKeyBaseFolderPath = 551,
    kKeyCopyMode = 552,
    kKeyFolderNamingMode = 553,
    kKeyFolderNamingFormat = 554,
    kKeyFileNamingMode = 555,
    kKeyFileNamingFormat = 556,
    kKeyTagMode = 557,
    kKeyWindowPositionX = 558,
    kKeyWindowPositionY = 559,
    kKeyCollisionMode = 560,
    kMsgTagLibraryTooOld = 600,
    kMsgTagLibraryNotLoaded = 601,
    kMsgEntryPointsNotLoaded = 602,
    kMsgExtensionNotRenamed = 603,
    kMsgTagLibraryNotUnloaded = 604,
    kMsgExecutablePathUnknown = 605,
    kMsgNotAFolder = 607,
    kMsgBadFolderPattern = 609,
    kMsgBadFilePattern = 610,
    kMsgIdListNotConverted = 612,
    kMsgStringResourceMissing = 613,
    kMsgIniWriteFailed = 614,
    kMsgDesktopPathUnknown = 615,
    kMsgSettingsNotSaved = 616,
    kMsgSettingsNotLoaded = 617,
    kMsgBitmapMissing = 618,
    kMsgBrushNotCreated = 619,
    kMsgIniReadFailed = 620,
    kMsgLineBreakInBaseFolder = 621,
};

// Texts by id, in UTF-8.
using Catalogue = std::map<unsigned, std::string>;

// The program's texts.
const Catalogue& ProgramCatalogue();

// The text in the system code page; false when the entry does not exist or is empty.
bool LoadCatalogueString(unsigned id, std::string& text,
                         const Catalogue& catalogue = ProgramCatalogue());

}  // namespace tunvex
