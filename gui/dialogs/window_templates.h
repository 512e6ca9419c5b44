// Dialog templates 100 (the version box) and 102 (the drop window), with menu 129's commands.
#pragma once

#include "gui/dialogs/dialog_template.h"

namespace tunvex {

constexpr int kIdcVersionLine = 1000;
constexpr int kIdcSecondLine = 1001;

constexpr int kCommandAbout = 32771;
constexpr int kCommandHelp = 32784;
constexpr int kCommandSettings = 32785;
constexpr unsigned kSysCommandAbout = 16;

constexpr const char* kIconResource = ":/res/icon132.ico";
constexpr const char* kBitmapResource = ":/res/bitmap130.bmp";
// The drawing the bitmap is made from, for screens of more pixels than 1x.
constexpr const char* kBackgroundSource = ":/res/background.svg";

const DialogTemplate& AboutDialogTemplate();
const DialogTemplate& DropDialogTemplate();

}  // namespace tunvex
