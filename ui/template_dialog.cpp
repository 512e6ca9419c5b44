#include "ui/template_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include "ui/single_line_edit.h"

namespace tunvex {
namespace {

constexpr int kIconPixels = 32;

// An edit is named by the group box it lies in.
QString GroupBoxLabelAround(const DialogTemplate& dialogTemplate, const ControlTemplate& edit) {
    QString label;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        if (&control == &edit)
            break;
        bool inside = edit.x >= control.x && edit.y >= control.y &&
                      edit.x + edit.width <= control.x + control.width &&
                      edit.y + edit.height <= control.y + control.height;
        if (control.kind == ControlKind::GroupBox && inside)
            label = QString::fromUtf8(control.text);
    }
    return label;
}

// Its label; for an edit the label of its group box, for an icon the dialog's caption.
QString AccessibleName(const DialogTemplate& dialogTemplate, const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::Edit:
            return GroupBoxLabelAround(dialogTemplate, control);
        case ControlKind::Icon:
            return QString::fromUtf8(dialogTemplate.caption);
        default:
            return QString::fromUtf8(control.text);
    }
}

}  // namespace

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent,
                               QMenuBar* menuBar)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    setFont(DialogFont(dialogTemplate.fontName, dialogTemplate.pointSize, logicalDpiY()));
    baseUnits_ = MeasureBaseUnits(font());

    int menuHeight = 0;
    if (menuBar != nullptr) {
        menuBar->setParent(this);
        menuHeight = menuBar->sizeHint().height();
    }
    clientRect_ = QRect(QPoint(0, menuHeight), DialogUnitsToPixels(baseUnits_, dialogTemplate.width,
                                                                   dialogTemplate.height));
    setFixedSize(clientRect_.width(), clientRect_.bottom() + 1);
    if (menuBar != nullptr)
        menuBar->setGeometry(0, 0, clientRect_.width(), menuHeight);

    QButtonGroup* radioGroup = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        if (control.group)
            radioGroup = nullptr;
        QWidget* widget = CreateControl(control);
        widget->setGeometry(
            DialogUnitsToPixels(baseUnits_, control.x, control.y, control.width, control.height)
                .translated(clientRect_.topLeft()));
        widget->setAccessibleName(AccessibleName(dialogTemplate, control));
        if (control.tabStop)
            widget->setFocusPolicy(Qt::StrongFocus);
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            if (radioGroup == nullptr) {
                radioGroup = new QButtonGroup(this);
                connect(radioGroup, &QButtonGroup::buttonToggled, this,
                        [this, radioGroup] { FollowCheckedRadio(radioGroup); });
            }
            radioGroup->addButton(radio);
            FollowCheckedRadio(radioGroup);
        }
        if (control.id != kNoControlId)
            items_[control.id] = widget;
    }
    if (QAbstractButton* ok = Button(kIdOk))
        connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    if (QAbstractButton* cancel = Button(kIdCancel))
        connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
}

QWidget* TemplateDialog::CreateControl(const ControlTemplate& control) {
    QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
        case ControlKind::DefaultButton:
        case ControlKind::Button: {
            auto* button = new QPushButton(text, this);
            button->setDefault(control.kind == ControlKind::DefaultButton);
            button->setFocusPolicy(Qt::ClickFocus);
            return button;
        }
        case ControlKind::GroupBox:
            return new QGroupBox(text, this);
        case ControlKind::Edit: {
            // Not in the template's tab stops, an edit is still reached by Tab: a keyboard
            // user must be able to type every setting.
            auto* edit = new SingleLineEdit(this);
            edit->setFocusPolicy(Qt::StrongFocus);
            return edit;
        }
        case ControlKind::AutoRadio:
            return new QRadioButton(text, this);
        case ControlKind::Label: {
            auto* label = new QLabel(text, this);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(this);
            label->setPixmap(QIcon(text).pixmap(kIconPixels, kIconPixels));
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
    }
    return new QWidget(this);
}

// A radio group is one tab stop, at its checked button (its first one while none is checked);
// the arrow keys move within the group, as on Windows.
void TemplateDialog::FollowCheckedRadio(QButtonGroup* group) {
    QAbstractButton* stop = group->checkedButton();
    if (stop == nullptr && !group->buttons().isEmpty())
        stop = group->buttons().first();
    for (QAbstractButton* button : group->buttons())
        button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

QWidget* TemplateDialog::Item(int id) const {
    auto item = items_.find(id);
    return item == items_.end() ? nullptr : item->second;
}

QAbstractButton* TemplateDialog::Button(int id) const {
    return qobject_cast<QAbstractButton*>(Item(id));
}

QLineEdit* TemplateDialog::Edit(int id) const {
    return qobject_cast<QLineEdit*>(Item(id));
}

bool TemplateDialog::IsChecked(int id) const {
    QAbstractButton* button = Button(id);
    return button != nullptr && button->isChecked();
}

void TemplateDialog::Check(int id) {
    if (QAbstractButton* button = Button(id))
        button->setChecked(true);
}

}  // namespace tunvex
