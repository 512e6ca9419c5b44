// Dialog templates as data: every control with its id, kind, text, position and size in dialog
// units, and the group and tab-stop marks, in template order (which is also the tab order).
#pragma once

#include <vector>

namespace tunvex {

enum class ControlKind {
    DefaultButton,
    Button,
    GroupBox,
    Edit,  // one line, scrolls horizontally
    AutoRadio,
    CheckBox,
    Label,
    Icon,  // text: the Qt resource path of the icon
};

constexpr int kNoControlId = -1;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;  // UTF-8
    int x, y, width, height;
    bool group = false;  // starts a new group
    bool tabStop = false;
};

struct DialogTemplate {
    const char* caption;   // UTF-8
    const char* fontName;  // as the template names it; substituted by an installed font
    int pointSize;
    int width, height;  // of the client area
    std::vector<ControlTemplate> controls;
};

}  // namespace tunvex
