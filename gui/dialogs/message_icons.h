// The icons of the program's message boxes, drawn at whatever size and device pixel ratio a box
// asks for: the style's own are 32-pixel bitmaps, soft once a box scales them up.
#pragma once

namespace tunvex {

// Puts a style in front of the application's that draws the message box icons; the rest is the
// application style's. Call once the application object exists.
void InstallDrawnMessageIcons();

}  // namespace tunvex
