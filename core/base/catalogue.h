// The numbered texts of the program: INI names, default patterns, placeholders, library names,
// every message, and the window's words for failure reasons.
#pragma once

#include <optional>
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
    kDefaultExtraFilePatterns = 542,
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
    kKeyCarryExtraFiles = 561,
    kKeyExtraFilePatterns = 562,
    kKeyRemoveEmptiedFolders = 563,
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
    // Why a file was not sorted or undone (failure_reason.h), %p a path and %n a count in it,
    // and the common errors.
    kReasonSameFile = 701,
    kReasonRepeatedSource = 702,
    kReasonSourceReplacedByRequest = 703,
    kReasonSourceChanged = 704,
    kReasonSourceUnreadable = 705,
    kReasonNotRegularFile = 706,
    kReasonNoDestinationName = 707,
    kReasonFolderNotCreated = 708,
    kReasonFolderNotOpened = 709,
    kReasonFolderNotDurable = 710,
    kReasonCopyFailed = 711,
    kReasonCopyNotDurable = 712,
    kReasonNameNotClaimed = 713,
    kReasonExistingNotReplaced = 714,
    kReasonExistingNotTrashed = 715,
    kReasonPlacedNotDurable = 716,
    kReasonSourceNotRemoved = 717,
    kReasonSourceChangedWhileMoved = 718,
    kReasonRequestMismatched = 719,
    kReasonFolderUnreadable = 720,
    kReasonLeftoverTemporary = 721,
    kReasonNoTags = 722,
    kReasonDestinationTooLong = 723,
    kReasonNoDestination = 724,
    kReasonNulInNaming = 725,
    kReasonNotTrashed = 726,
    kReasonSourceTaken = 727,
    kReasonLinkOnSourcePath = 728,
    kReasonLinkOnPath = 729,
    kReasonNotMovedBack = 730,
    kReasonLinkNotMade = 731,
    kReasonNotWherePlaced = 732,
    kReasonChangedSinceRun = 733,
    kReasonNotInTrash = 734,
    kReasonReplacedNotInTrash = 735,
    kReasonTrashedFileUnrecorded = 736,
    kReasonNotReplacedFile = 737,
    kReasonReplacedStaysInTrash = 738,
    kReasonNotBroughtBack = 739,
    kReasonFolderUnrecorded = 740,
    kReasonNotMadeFolder = 741,
    kReasonDamagedRecord = 742,
    kReasonMoreDamagedRecords = 743,
    kReasonRecordsNotReread = 744,
    kReasonJournalFolderNotCreated = 745,
    kReasonJournalNotCreated = 746,
    kReasonJournalNotWritten = 747,
    kReasonJournalNotDurable = 748,
    kReasonFolderPathTaken = 749,
    kReasonFolderNotMadeAgain = 750,
    kReasonWithError = 800,
    kErrorENOENT = 801,
    kErrorEACCES = 802,
    kErrorENOSPC = 803,
    kErrorEROFS = 804,
    kErrorEEXIST = 805,
    kErrorENOTDIR = 806,
    kErrorEISDIR = 807,
    kErrorEXDEV = 808,
    kErrorEIO = 809,
    kErrorENAMETOOLONG = 810,
    kErrorEDQUOT = 811,
};

// The text in the system code page; false when the entry does not exist or is empty.
bool LoadCatalogueString(unsigned id, std::string& text);

// Replaces one entry for as long as it lives (nullopt: the entry is missing), so that callers
// can be driven down their failure paths and towards other libraries.
class ScopedCatalogueEntry {
  public:
    ScopedCatalogueEntry(unsigned id, std::optional<std::string> utf8Text);
    ~ScopedCatalogueEntry();
    ScopedCatalogueEntry(const ScopedCatalogueEntry&) = delete;
    ScopedCatalogueEntry& operator=(const ScopedCatalogueEntry&) = delete;

  private:
    unsigned id_;
    std::optional<std::string> previous_;
};

}  // namespace tunvex
