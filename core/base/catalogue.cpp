#include "core/base/catalogue.h"

#include <map>

#include "core/base/text.h"
#include "core/base/text_conversion.h"

namespace tunvex {
namespace {

// Written in UTF-8; converted to the system code page when loaded.
std::map<unsigned, std::string>& Entries() {
    static std::map<unsigned, std::string> entries = {
        {501, "tunvexのバージョン情報"},
        {502, "UnknownArtist"},
        {503, "UnknownAlbum"},
        {504, "UnknownTitle"},
        {505, "00"},
        {510, "mp3infp.dll"},
        {530, "mp3infp_GetVer"},
        {531, "mp3infp_Load"},
        {532, "mp3infp_GetType"},
        {533, "mp3infp_GetValue"},
        {534, "mp3infp_mp3_GetTagType"},
        {540, "?a"},
        {541, "?t.?T"},
        {550, "TunvexOption"},
        {551, "BaseFolderPath"},
        {552, "CopyMode"},
        {553, "FolderNamingMode"},
        {554, "FolderNamingFormat"},
        {555, "FileNamingMode"},
        {556, "FileNamingFormat"},
        {557, "TagMode"},
        {558, "WindowPositionX"},
        {559, "WindowPositionY"},
        {560, "CollisionMode"},
        {600, "mp3infp.dll version 2.53e 以上が必要です"},
        {601, "mp3infp.dll をロードできませんでした"},
        {602, "mp3infp API をロードできませんでした"},
        {603, "ファイル拡張子をリネームできませんでした"},
        {604, "mp3infp.dll をアンロードできませんでした"},
        {605, "実行ファイルのパスを取得できませんでした"},
        {607, "指定されたフォルダはフォルダではありません"},
        {609,
         "「ファイルのフォルダ振り分け方法」のユーザー設定文字列には /:,;*?\"<>| "
         "を含めることはできません\nまた 前後に . を含めることはできません"},
        {610,
         "「ファイル名のリネーム」のユーザー設定文字列には /:,;*?\\\"<>| "
         "を含めることはできません"},
        {612, "識別子リストをファイルパスに変換できませんでした"},
        {613, "文字列リソースの取得に失敗しました"},
        {614, "INIファイルへの書き込みに失敗しました"},
        {615, "デスクトップパスを取得できませんでした"},
        {616, "設定を保存できませんでした"},
        {617, "設定の読み込みに失敗しました"},
        {618, "ビットマップリソースの取得に失敗しました"},
        {619, "ブラシの作成に失敗しました"},
        {620, "INIファイルの読み込みに失敗しました"},
        {621, "コピー先フォルダのパスには改行を含めることはできません"},
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
