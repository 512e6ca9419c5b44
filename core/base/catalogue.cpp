#include "core/base/catalogue.h"

#include "core/base/text.h"
#include "core/base/text_conversion.h"

namespace tunvex {

const Catalogue& ProgramCatalogue() {
    static const Catalogue entries = {
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
    };
    return entries;
}

bool LoadCatalogueString(unsigned id, std::string& text, const Catalogue& catalogue) {
    text.clear();
    auto entry = catalogue.find(id);
    if (entry == catalogue.end() || entry->second.empty())
        return false;
    if (SystemCodePage() == CodePage::ShiftJis)
        return Utf8ToSystemText(CodePage::ShiftJis, entry->second, text);
    text = entry->second;
    return true;
}

}  // namespace tunvex
