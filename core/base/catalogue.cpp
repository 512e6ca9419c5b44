#include "core/base/catalogue.h"

#include <map>

#include "core/base/text.h"
#include "core/base/text_conversion.h"

namespace tunvex {
namespace {

// Every text by its id, written in UTF-8; converted to the system code page when loaded.
std::map<unsigned, std::string>& Entries() {
    static std::map<unsigned, std::string> entries = {
        {kVersionMenuLabel, "tunvexのバージョン情報"},
        {kUnknownArtist, "UnknownArtist"},
        {kUnknownAlbum, "UnknownAlbum"},
        {kUnknownTitle, "UnknownTitle"},
        {kUnknownTrack, "00"},
        {kTagLibraryFileName, "mp3infp.dll"},
        {kEntryGetVer, "mp3infp_GetVer"},
        {kEntryLoad, "mp3infp_Load"},
        {kEntryGetType, "mp3infp_GetType"},
        {kEntryGetValue, "mp3infp_GetValue"},
        {kEntryGetTagType, "mp3infp_mp3_GetTagType"},
        {kDefaultFolderPattern, "?a"},
        {kDefaultFilePattern, "?t.?T"},
        {kDefaultExtraFilePatterns, "*.jpg;*.jpeg;*.png;*.cue;*.log;*.lrc;*.txt"},
        {kIniSection, "TunvexOption"},
        {kKeyBaseFolderPath, "BaseFolderPath"},
        {kKeyCopyMode, "CopyMode"},
        {kKeyFolderNamingMode, "FolderNamingMode"},
        {kKeyFolderNamingFormat, "FolderNamingFormat"},
        {kKeyFileNamingMode, "FileNamingMode"},
        {kKeyFileNamingFormat, "FileNamingFormat"},
        {kKeyTagMode, "TagMode"},
        {kKeyWindowPositionX, "WindowPositionX"},
        {kKeyWindowPositionY, "WindowPositionY"},
        {kKeyCollisionMode, "CollisionMode"},
        {kKeyCarryExtraFiles, "CarryExtraFiles"},
        {kKeyExtraFilePatterns, "ExtraFilePatterns"},
        {kKeyRemoveEmptiedFolders, "RemoveEmptiedFolders"},
        {kMsgTagLibraryTooOld, "mp3infp.dll version 2.53e 以上が必要です"},
        {kMsgTagLibraryNotLoaded, "mp3infp.dll をロードできませんでした"},
        {kMsgEntryPointsNotLoaded, "mp3infp API をロードできませんでした"},
        {kMsgExtensionNotRenamed, "ファイル拡張子をリネームできませんでした"},
        {kMsgTagLibraryNotUnloaded, "mp3infp.dll をアンロードできませんでした"},
        {kMsgExecutablePathUnknown, "実行ファイルのパスを取得できませんでした"},
        {kMsgNotAFolder, "指定されたフォルダはフォルダではありません"},
        {kMsgBadFolderPattern,
         "「ファイルのフォルダ振り分け方法」のユーザー設定文字列には /:,;*?\"<>| "
         "を含めることはできません\nまた 前後に . を含めることはできません"},
        {kMsgBadFilePattern,
         "「ファイル名のリネーム」のユーザー設定文字列には /:,;*?\\\"<>| "
         "を含めることはできません"},
        {kMsgIdListNotConverted, "識別子リストをファイルパスに変換できませんでした"},
        {kMsgStringResourceMissing, "文字列リソースの取得に失敗しました"},
        {kMsgIniWriteFailed, "INIファイルへの書き込みに失敗しました"},
        {kMsgDesktopPathUnknown, "デスクトップパスを取得できませんでした"},
        {kMsgSettingsNotSaved, "設定を保存できませんでした"},
        {kMsgSettingsNotLoaded, "設定の読み込みに失敗しました"},
        {kMsgBitmapMissing, "ビットマップリソースの取得に失敗しました"},
        {kMsgBrushNotCreated, "ブラシの作成に失敗しました"},
        {kMsgIniReadFailed, "INIファイルの読み込みに失敗しました"},
        {kMsgLineBreakInBaseFolder, "コピー先フォルダのパスには改行を含めることはできません"},
        {kReasonSameFile, "コピー元とコピー先が同じファイルです"},
        {kReasonRepeatedSource, "同じファイルが先に指定されています"},
        {kReasonSourceReplacedByRequest, "先に振り分けたファイルで置き換えられました"},
        {kReasonSourceChanged, "タグを読み込んだ後に変更されたか置き換えられました"},
        {kReasonSourceUnreadable, "ファイルを読み込めませんでした"},
        {kReasonNotRegularFile, "通常のファイルではありません"},
        {kReasonNoDestinationName, "振り分け先にファイル名がありません"},
        {kReasonFolderNotCreated, "フォルダ %p を作成できませんでした"},
        {kReasonFolderNotOpened, "フォルダ %p を開けませんでした"},
        {kReasonFolderNotDurable, "フォルダ %p をディスクに書き込めませんでした"},
        {kReasonCopyFailed, "ファイルをコピーできませんでした"},
        {kReasonCopyNotDurable, "コピーをディスクに書き込めませんでした"},
        {kReasonNameNotClaimed, "振り分け先にファイルを置けませんでした"},
        {kReasonExistingNotReplaced, "既にあるファイルを置き換えられませんでした"},
        {kReasonExistingNotTrashed, "既にあるファイルをごみ箱に移せませんでした"},
        {kReasonPlacedNotDurable, "振り分けましたが、ディスクに書き込めませんでした"},
        {kReasonSourceNotRemoved, "コピーしましたが、元のファイルを削除できませんでした"},
        {kReasonSourceChangedWhileMoved,
         "コピーしましたが、移動中に元のファイルが変更されたため両方を残しました"},
        {kReasonRequestMismatched, "コピー元とコピー先の数が合いません"},
        {kReasonFolderUnreadable, "フォルダを読み込めませんでした"},
        {kReasonLeftoverTemporary, "終わらなかった振り分けの一時ファイルです"},
        {kReasonNoTags, "タグを読み込めませんでした"},
        {kReasonDestinationTooLong, "振り分け先のパスが長すぎます"},
        {kReasonNoDestination, "振り分け方法の設定から振り分け先を決められません"},
        {kReasonNulInNaming, "振り分け方法の設定にヌル文字があるため、振り分け先を決められません"},
        {kReasonNotTrashed, "ごみ箱に移せませんでした"},
        {kReasonSourceTaken, "元の場所 %p に別のファイルがあります"},
        {kReasonLinkOnSourcePath, "元の場所 %p の途中にリンクがあります"},
        {kReasonLinkOnPath, "パスの途中にリンクがあります"},
        {kReasonNotMovedBack, "%p に戻せませんでした"},
        {kReasonLinkNotMade, "リンクを作り直せませんでした"},
        {kReasonNotWherePlaced, "振り分けた場所にありません"},
        {kReasonChangedSinceRun, "振り分けた後に変更されています"},
        {kReasonNotInTrash, "ごみ箱の中にありません"},
        {kReasonReplacedNotInTrash, "置き換えたファイルがごみ箱に %p としてありません"},
        {kReasonTrashedFileUnrecorded, "どのファイルだったかが記録にありません"},
        {kReasonNotReplacedFile, "振り分けで置き換えたファイルではありません"},
        {kReasonReplacedStaysInTrash,
         "%p に別のファイルがあるため、置き換えたファイルはごみ箱に残します"},
        {kReasonNotBroughtBack, "ごみ箱から %p に戻せませんでした"},
        {kReasonFolderUnrecorded, "どのフォルダだったかが記録にありません"},
        {kReasonNotMadeFolder, "振り分けで作成したフォルダではありません"},
        {kReasonFolderPathTaken, "その場所に別のものがあります"},
        {kReasonFolderNotMadeAgain, "フォルダを作り直せませんでした"},
        {kReasonDamagedRecord, "壊れた記録です"},
        {kReasonMoreDamagedRecords, "ほかに %n 件の壊れた記録があります"},
        {kReasonRecordsNotReread, "ファイル %n の記録を読み直せませんでした"},
        {kReasonJournalFolderNotCreated, "記録のフォルダ %p を作成できませんでした"},
        {kReasonJournalNotCreated, "%p に記録を作成できませんでした"},
        {kReasonJournalNotWritten, "記録 %p に書き込めませんでした"},
        {kReasonJournalNotDurable, "記録をディスクに書き込めませんでした"},
        {kReasonWithError, "%r（%e）"},
        {kErrorENOENT, "ファイルまたはフォルダがありません"},
        {kErrorEACCES, "アクセスが拒否されました"},
        {kErrorENOSPC, "ディスクの空き容量が足りません"},
        {kErrorEROFS, "読み取り専用のファイルシステムです"},
        {kErrorEEXIST, "同じ名前のファイルが既にあります"},
        {kErrorENOTDIR, "パスの途中にフォルダでないものがあります"},
        {kErrorEISDIR, "フォルダです"},
        {kErrorEXDEV, "別のファイルシステムへは移動できません"},
        {kErrorEIO, "入出力エラーが発生しました"},
        {kErrorENAMETOOLONG, "ファイル名が長すぎます"},
        {kErrorEDQUOT, "ディスクの使用量の上限を超えました"},
    };
    return entries;
}

}  // namespace

bool LoadCatalogueString(unsigned id, std::string& text) {
    text.clear();
    auto entry = Entries().find(id);
    if (entry == Entries().end() || entry->second.empty())
        return false;
    if (SystemCodePage() == CodePage::ShiftJis)
        return Utf8ToSystemText(CodePage::ShiftJis, entry->second, text);
    text = entry->second;
    return true;
}

ScopedCatalogueEntry::ScopedCatalogueEntry(unsigned id, std::optional<std::string> utf8Text)
    : id_(id) {
    auto entry = Entries().find(id);
    if (entry != Entries().end())
        previous_ = entry->second;
    if (utf8Text) {
        Entries()[id] = *utf8Text;
    } else {
        Entries().erase(id);
    }
}

ScopedCatalogueEntry::~ScopedCatalogueEntry() {
    if (previous_) {
        Entries()[id_] = *previous_;
    } else {
        Entries().erase(id_);
    }
}

}  // namespace tunvex
