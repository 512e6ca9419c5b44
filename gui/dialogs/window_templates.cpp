#include "gui/dialogs/window_templates.h"

#include <string>

#include "core/base/version.h"

namespace tunvex {

const DialogTemplate& AboutDialogTemplate() {
    using enum ControlKind;
    static const std::string versionLine = std::string("tunvex ver.") + kTunvexVersion + "a";
    static const DialogTemplate dialog{
        "tunvexのバージョン情報",
        "ＭＳ Ｐゴシック",
        9,
        191,
        55,
        {
            {kNoControlId, Icon, kIconResource, 11, 17, 20, 20},
            {kIdcVersionLine, Label, versionLine.c_str(), 40, 16, 119, 8, true},
            {kIdcSecondLine, Label, "", 40, 30, 119, 8, true},
            {kIdOk, DefaultButton, "OK", 134, 19, 50, 14, true, true},
        },
    };
    return dialog;
}

const DialogTemplate& DropDialogTemplate() {
    static const DialogTemplate dialog{"tunvex", "ＭＳ Ｐゴシック", 9, 111, 125, {}};
    return dialog;
}

}  // namespace tunvex
