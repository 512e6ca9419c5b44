#include "gui/dialogs/template_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <string_view>

#include "gui/dialogs/single_line_edit.h"

namespace tunvex {
namespace {

constexpr int kIconPixels = 32;

// The group box a control lies in: the last one before it in the template that holds it whole.
const ControlTemplate* GroupBoxAround(const DialogTemplate& dialogTemplate,
                                      const ControlTemplate& control) {
    const ControlTemplate* around = nullptr;
    for (const ControlTemplate& box : dialogTemplate.controls) {
        if (&box == &control)
            break;
        bool inside = control.x >= box.x && control.y >= box.y &&
                      control.x + control.width <= box.x + box.width &&
                      control.y + control.height <= box.y + box.height;
        if (box.kind == ControlKind::GroupBox && inside)
            around = &box;
    }
    return around;
}

QString GroupBoxLabelAround(const DialogTemplate& dialogTemplate, const ControlTemplate& control) {
    const ControlTemplate* box = GroupBoxAround(dialogTemplate, control);
    return box ? QString::fromUtf8(box->text) : QString();
}

// A text as it is read out: without its mnemonic, "(&P)" after Japanese or "&" in a word.
QString WithoutMnemonic(const char* text) {
    static const QRegularExpression kMnemonic(QStringLiteral("\\(&.\\)|&"));
    return QString::fromUtf8(text).remove(kMnemonic);
}

// Its label; for an edit the label of its group box, for an icon the dialog's caption.
QString AccessibleName(const DialogTemplate& dialogTemplate, const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::Edit:
            return GroupBoxLabelAround(dialogTemplate, control);
        case ControlKind::Icon:
            return QString::fromUtf8(dialogTemplate.caption);
        default:
            return WithoutMnemonic(control.text);
    }
}

bool TextRepeats(const DialogTemplate& dialogTemplate, const ControlTemplate& control) {
    int same = 0;
    for (const ControlTemplate& other : dialogTemplate.controls)
        same += *control.text != '\0' && std::string_view(other.text) == control.text;
    return same > 1;
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

    // A control inside a group box is its child, so that a screen reader tells the group with
    // it; a label just before an edit labels it; a repeated name is told apart by its group.
    QButtonGroup* radioGroup = nullptr;
    std::map<const ControlTemplate*, QWidget*> groupBoxes;
    QLabel* previousLabel = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        if (control.group)
            radioGroup = nullptr;
        const ControlTemplate* box = GroupBoxAround(dialogTemplate, control);
        QWidget* container = box ? groupBoxes.at(box) : this;
        QWidget* widget = CreateControl(control, container);
        QRect place =
            DialogUnitsToPixels(baseUnits_, control.x, control.y, control.width, control.height)
                .translated(clientRect_.topLeft());
        widget->setGeometry(place.translated(-container->mapTo(this, QPoint(0, 0))));
        if (control.kind == ControlKind::GroupBox)
            groupBoxes[&control] = widget;
        widget->setAccessibleName(AccessibleName(dialogTemplate, control));
        if (TextRepeats(dialogTemplate, control))
            widget->setAccessibleDescription(GroupBoxLabelAround(dialogTemplate, control));
        if (previousLabel != nullptr && control.kind == ControlKind::Edit)
            previousLabel->setBuddy(widget);
        previousLabel = qobject_cast<QLabel*>(widget);
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

QWidget* TemplateDialog::CreateControl(const ControlTemplate& control, QWidget* parent) {
    QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
        case ControlKind::DefaultButton:
        case ControlKind::Button: {
            auto* button = new QPushButton(text, parent);
            button->setDefault(control.kind == ControlKind::DefaultButton);
            button->setFocusPolicy(Qt::ClickFocus);
            return button;
        }
        case ControlKind::GroupBox:
            return new QGroupBox(text, parent);
        case ControlKind::Edit: {
            // Not in the template's tab stops, an edit is still reached by Tab: a keyboard
            // user must be able to type every setting.
            auto* edit = new SingleLineEdit(parent);
            edit->setFocusPolicy(Qt::StrongFocus);
            return edit;
        }
        case ControlKind::AutoRadio:
            return new QRadioButton(text, parent);
        case ControlKind::CheckBox:
            return new QCheckBox(text, parent);
        case ControlKind::Label: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(parent);
            label->setPixmap(QIcon(text).pixmap(kIconPixels, kIconPixels));
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
    }
    return new QWidget(parent);
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
