// The one layer that turns a dialog template into a Qt dialog: controls at absolute positions
// from dialog units, radio groups, tab stops and the default button as the template marks
// them, an accessible name for every control, a control inside a group box as its child. OK
// and Cancel end the dialog as the framework does; a subclass overrides accept() to check
// before it closes.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>

#include <map>

#include "gui/dialogs/dialog_template.h"
#include "gui/dialogs/dialog_units.h"

class QButtonGroup;
class QMenuBar;

namespace tunvex {

class TemplateDialog : public QDialog {
  public:
    // A menu bar, when given, comes on top of the template's client area.
    TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent,
                   QMenuBar* menuBar = nullptr);

    QWidget* Item(int id) const;
    QAbstractButton* Button(int id) const;
    QLineEdit* Edit(int id) const;
    bool IsChecked(int id) const;
    // Checks an automatic radio button and clears the others of its group.
    void Check(int id);

    const DialogBaseUnits& BaseUnits() const { return baseUnits_; }
    // The template's client area, below the menu bar.
    QRect ClientRect() const { return clientRect_; }

  private:
    QWidget* CreateControl(const ControlTemplate& control, QWidget* parent);
    void FollowCheckedRadio(QButtonGroup* group);

    DialogBaseUnits baseUnits_;
    QRect clientRect_;
    std::map<int, QWidget*> items_;
};

}  // namespace tunvex
