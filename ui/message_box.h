// The message sink of the window: a modal warning box with one OK button, captioned with the
// executable's base name and owned by the active window.
#pragma once

#include "platform/text.h"

namespace tunvex {

void InstallWindowMessageSink(CodePage codePage);

}  // namespace tunvex
