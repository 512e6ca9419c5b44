#include "gui/extra_settings_dialog_template.h"

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
        128,
        {
            {kNoControlId, GroupBox, "アルバムの付属ファイル", 7, 6, 222, 58, G},
            {kIdcCarryExtras, CheckBox, "付属ファイルも曲といっしょに振り分ける", 16, 18, 190, 10,
             G, T},
            {kNoControlId, Label, "ファイルの種類", 26, 34, 60, 8, G},
            {kIdcExtraPatterns, Edit, "", 88, 32, 135, 12, _, T},
            {kNoControlId, Label, "* ; で区切って指定します (例: *.jpg;*.cue)", 24, 48, 190, 8, G},
            {kNoControlId, GroupBox, "移動元のフォルダ", 7, 68, 222, 27, G},
            {kIdcRemoveEmptied, CheckBox, "空になった元のフォルダを削除する", 16, 80, 170, 10, G,
             T},
            {kIdOk, DefaultButton, "適用", 126, 104, 45, 14, _, T},
            {kIdCancel, Button, "キャンセル", 176, 104, 45, 14, _, T},
        },
    };
    return dialog;
}

}  // namespace tunvex
