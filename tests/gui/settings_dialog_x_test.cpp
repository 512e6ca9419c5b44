// The settings dialog on a real X server, driven by xdotool as a person would drive it: Tab walks
// the template's order, Enter applies. What needs no person's keys is proven offscreen.
#include <QApplication>
#include <QtTest>

#include <filesystem>

#include "core/settings/settings.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/dialogs/settings_dialog.h"
#include "gui/dialogs/settings_dialog_template.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_actions.h"
#include "tests/support/x_session.h"

namespace tunvex {

using testing::PressKeys;
using testing::RunXTool;

namespace {

// Focus as the X server and the window manager see it. A window manager still starting may
// miss the first map or the first request, so both are repeated. No --sync: the window answers
// the window manager only from the event loop, which this thread runs.
bool Activate(QWidget& window) {
    for (int attempt = 0; attempt < 3 && !QTest::qWaitForWindowExposed(&window, 10000); ++attempt) {
        window.hide();
        window.show();
    }
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::string id = std::to_string(window.winId());
        RunXTool({"xdotool", "windowactivate", id});
        RunXTool({"xdotool", "windowfocus", id});
        if (QTest::qWaitFor([&] { return window.isActiveWindow(); }, 1000))
            return true;
    }
    return false;
}

int ControlIdOf(const CSettingsDlg& dialog, QWidget* widget) {
    for (const ControlTemplate& control : SettingsDialogTemplate().controls) {
        if (control.id != kNoControlId && dialog.Item(control.id) == widget)
            return control.id;
    }
    return 0;
}

}  // namespace

class SettingsDialogXTest : public QObject {
    Q_OBJECT

    testing::TempFolder folder_;

  private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        std::filesystem::create_directories(folder_ / "Desktop");
        std::filesystem::create_directories(folder_ / "music");
    }

    // Tab walks the template's order: its tab stops, each radio group at its checked button,
    // and the pattern edits while they are enabled. Enter then applies.
    void tabWalksTheTemplateOrderAndEnterApplies() {
        Settings settings;
        settings.BaseFolderPath = folder_ / "Desktop";
        settings.FolderNamingMode = 3;
        settings.FileNamingMode = 1;
        CSettingsDlg dialog(settings);
        dialog.open();
        QVERIFY(Activate(dialog));
        std::vector<int> walked{ControlIdOf(dialog, QApplication::focusWidget())};
        for (int step = 0; step < 11; ++step) {
            PressKeys({"Tab"});
            QTest::qWait(30);
            walked.push_back(ControlIdOf(dialog, QApplication::focusWidget()));
        }
        QCOMPARE(walked,
                 (std::vector<int>{1, 2, 1003, 1004, 1006, 1011, 1005, 1014, 1017, 1020, 1, 2}));
        dialog.Edit(1003)->setFocus();
        dialog.Edit(1003)->setText(QString::fromStdString(folder_ / "music"));
        PressKeys({"Return"});
        QVERIFY(QTest::qWaitFor([&] { return !dialog.isVisible(); }));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(settings.BaseFolderPath, folder_ / "music");
    }
};

}  // namespace tunvex

int main(int argc, char** argv) {
    tunvex::testing::XSession session;
    if (!session.ready())
        return 1;
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    tunvex::SettingsDialogXTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "settings_dialog_x_test.moc"
