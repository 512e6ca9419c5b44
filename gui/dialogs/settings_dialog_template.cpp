#include "gui/dialogs/settings_dialog_template.h"

namespace tunvex {

const DialogTemplate& SettingsDialogTemplate() {
    using enum ControlKind;
    constexpr bool G = true;  // starts a group
    constexpr bool T = true;  // tab stop
    constexpr bool _ = false;
    static const DialogTemplate dialog{
        "tunvex 設定",
        "ＭＳ ゴシック",
        9,
        235,
        383,
        {
            {kIdOk, DefaultButton, "適用", 126, 356, 45, 14, _, T},
            {kIdCancel, Button, "キャンセル", 176, 356, 45, 14, _, T},
            {kNoControlId, GroupBox, "コピー先フォルダ", 6, 6, 223, 27},
            {kIdcBaseFolder, Edit, "", 16, 17, 175, 12, _, T},
            {kIdcBrowse, Button, "参照", 195, 16, 28, 13, _, T},
            {kNoControlId, GroupBox, "コピー動作", 7, 37, 222, 26, G},
            {kIdcCopy, AutoRadio, "コピー", 16, 48, 40, 10, G},
            {kIdcMove, AutoRadio, "移動", 62, 48, 32, 10},
            {kNoControlId, GroupBox, "ファイルのフォルダ振り分け方法", 7, 68, 222, 85, G},
            {kIdcFolderBase, AutoRadio, "コピー先フォルダ", 16, 80, 80, 10, G},
            {kIdcFolderArtist, AutoRadio, "コピー先フォルダ\\アーティスト名", 16, 92, 144, 10},
            {kIdcFolderArtistAlbum, AutoRadio, "コピー先フォルダ\\アーティスト名\\アルバム名", 16,
             104, 192, 10},
            {kIdcFolderUser, AutoRadio, "ユーザ設定", 16, 116, 56, 10},
            {kNoControlId, Label, "コピー先フォルダ\\", 26, 128, 73, 8, G},
            {kIdcFolderPattern, Edit, "", 101, 124, 122, 12},
            {kNoControlId, Label, "* 記述方法はヘルプを参照してください", 24, 138, 145, 8, G},
            {kNoControlId, GroupBox, "ファイル名のリネーム", 7, 158, 222, 101, G},
            {kIdcFileOwnName, AutoRadio, "リネームしない", 16, 170, 72, 10, G},
            {kIdcFileTitle, AutoRadio, "曲名", 16, 182, 32, 10},
            {kIdcFileArtistTitle, AutoRadio, "アーティスト - 曲名", 16, 194, 92, 10},
            {kIdcFileTrackTitle, AutoRadio, "トラック番号.曲名", 16, 206, 84, 10},
            {kIdcFileUser, AutoRadio, "ユーザ設定", 16, 218, 56, 10},
            {kIdcFilePattern, Edit, "", 24, 230, 198, 12},
            {kNoControlId, Label, "* 記述方法はヘルプを参照してください", 24, 244, 145, 8, G},
            {kNoControlId, GroupBox, "優先するタグ情報", 7, 264, 222, 38, G},
            {kIdcTagId3v1, AutoRadio, "ID3 ver.1.x", 16, 275, 60, 10, G},
            {kIdcTagId3v2, AutoRadio, "ID3 ver.2.x, RIFF", 16, 287, 84, 10},
            {kNoControlId, GroupBox, "ファイル名重複時の処理", 7, 307, 222, 41, G},
            {kIdcCollisionAsk, AutoRadio, "上書きする(確認有り)", 16, 319, 96, 10, G},
            {kIdcCollisionRename, AutoRadio, "重複しない名前に変更", 16, 332, 96, 10},
        },
    };
    return dialog;
}

}  // namespace tunvex
