#include "gui/dialogs/extra_settings_dialog_template.h"

namespace tunvex {

const DialogTemplate& ExtraSettingsDialogTemplate() {
    using enum ControlKind;
    constexpr bool G = true;  // starts a group
    constexpr bool T = true;  // tab stop
    constexpr bool _ = false;
    static const DialogTemplate dialog{
        "tunvex 詳細設定",
        "ＭＳ ゴシック",
        9,
        235,
        154,
        {
            {kNoControlId, GroupBox, "アルバムの付属ファイル", 7, 6, 222, 70, G},
            {kIdcCarryExtras, CheckBox, "付属ファイルも曲といっしょに振り分ける(&E)", 16, 18, 200,
             10, G, T},
            {kIdcExtraPatternsLabel, Label, "ファイル名のパターン(&P)", 16, 32, 120, 8, G},
            {kIdcExtraPatterns, Edit, "", 16, 42, 206, 12, _, T},
            {kIdcExtraPatternsHint, Label, "; で区切って指定します (例: *.jpg;*.cue)", 16, 58, 200,
             8, G},
            {kIdcRemoveEmptied, CheckBox, "移動で空になった元のフォルダを削除する(&D)", 9, 84, 210,
             10, G, T},
            {kIdcUseAlbumArtist, CheckBox, "フォルダ名にアルバムアーティストを使う(&A)", 9, 98, 210,
             10, G, T},
            {kIdcPreviewBeforeSort, CheckBox, "振り分ける前に確認する(&V)", 9, 112, 210, 10, G, T},
            {kIdOk, DefaultButton, "適用", 126, 132, 45, 14, _, T},
            {kIdCancel, Button, "キャンセル", 176, 132, 45, 14, _, T},
        },
    };
    return dialog;
}

}  // namespace tunvex
