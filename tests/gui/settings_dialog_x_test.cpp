// The settings dialog on a real X server, driven by xdotool as a person would drive it, and
// the summary box that ends a sort.
#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QRawFont>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <filesystem>

#include "core/base/failure_reason.h"
#include "core/settings/settings.h"
#include "gui/base/qt_translation.h"
#include "gui/dialog_units.h"
#include "gui/drop_dialog.h"
#include "gui/message_icons.h"
#include "gui/settings_dialog.h"
#include "gui/settings_dialog_template.h"
#include "gui/sort_progress.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_session.h"

namespace tunvex {

using testing::RunXTool;

namespace {

void PressKey(const char* key) {
    RunXTool({"xdotool", "key", "--clearmodifiers", key});
}

// Focus as the X server and the window manager see it. A window manager still starting may
// miss the first map or the first request, so both are repeated.
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
    std::string screenshots_ = SCREENSHOT_FOLDER;

  private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        InstallDrawnMessageIcons();
        std::filesystem::create_directories(folder_ / "Desktop");
        std::filesystem::create_directories(folder_ / "music");
        std::filesystem::create_directories(screenshots_);
    }

    void opensAtItsSizeWithEveryGlyph() {
        Settings settings;
        settings.BaseFolderPath = folder_ / "Desktop";
        settings.FolderNamingFormat = "?a";
        settings.FileNamingFormat = "?t.?T";
        settings.TagMode = 1;
        CSettingsDlg dialog(settings);
        dialog.open();
        QVERIFY(Activate(dialog));
        std::string info = RunXTool({"xwininfo", "-id", std::to_string(dialog.winId())});
        QVERIFY2(info.find("Width: 353\n") != std::string::npos, info.c_str());
        QVERIFY2(info.find("Height: 622\n") != std::string::npos, info.c_str());

        QCOMPARE(QFontInfo(dialog.font()).family(), QStringLiteral("IPAGothic"));
        QRawFont font = QRawFont::fromFont(dialog.font());
        for (const ControlTemplate& control : SettingsDialogTemplate().controls) {
            for (char32_t c : QString::fromUtf8(control.text).toUcs4())
                QVERIFY2(font.supportsCharacter(c), control.text);
        }

        // Taken from the server by the window's id, frame included, again until the dialog has
        // painted (a black picture packs into a few hundred bytes): a busy machine takes seconds.
        const std::string shot = screenshots_ + "/settings-dialog.png";
        for (int attempt = 0; attempt < 40; ++attempt) {
            QTest::qWait(250);
            RunXTool({"import", "-frame", "-window", std::to_string(dialog.winId()), shot});
            if (std::filesystem::exists(shot) && std::filesystem::file_size(shot) > 1000)
                break;
        }
        QVERIFY2(std::filesystem::file_size(shot) > 1000,
                 RunXTool({"xwininfo", "-id", std::to_string(dialog.winId())}).c_str());
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
            PressKey("Tab");
            QTest::qWait(30);
            walked.push_back(ControlIdOf(dialog, QApplication::focusWidget()));
        }
        QCOMPARE(walked,
                 (std::vector<int>{1, 2, 1003, 1004, 1006, 1011, 1005, 1014, 1017, 1020, 1, 2}));
        dialog.Edit(1003)->setFocus();
        dialog.Edit(1003)->setText(QString::fromStdString(folder_ / "music"));
        PressKey("Return");
        QVERIFY(QTest::qWaitFor([&] { return !dialog.isVisible(); }));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(settings.BaseFolderPath, folder_ / "music");
    }

    // The texts of Qt's folder picker, none left in English; looked at in its screenshot.
    void theFolderPickerSpeaksJapanese() {
        Settings settings;
        settings.BaseFolderPath = folder_ / "Desktop";
        CSettingsDlg dialog(settings);
        dialog.open();
        QVERIFY(Activate(dialog));
        QStringList shown;
        QTimer::singleShot(0, [&] {
            QVERIFY(QTest::qWaitFor(
                [&] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }));
            QWidget* picker = QApplication::activeModalWidget();
            for (QLabel* label : picker->findChildren<QLabel*>())
                shown << label->text();
            for (QAbstractButton* button : picker->findChildren<QAbstractButton*>())
                shown << button->text();
            QVERIFY(QTest::qWaitForWindowExposed(picker));
            QTest::qWait(500);  // painted
            RunXTool({"import", "-frame", "-window", std::to_string(picker->winId()),
                      screenshots_ + "/folder-picker.png"});
            picker->close();
        });
        dialog.Button(1004)->click();
        for (const char* english :
             {"Look in:", "Directory:", "&Choose", "Cancel", "Files of type:"})
            QVERIFY2(!shown.contains(QString::fromUtf8(english)), english);
        QVERIFY2(shown.contains(QStringLiteral("キャンセル")), qPrintable(shown.join('|')));
    }

    // Failures in the summary box read in Japanese, their errors too; looked at in its screenshot.
    void theSummaryBoxWordsAFailureInJapanese() {
        SortProgress progress(nullptr, CodePage::Utf8, TransferOperation::Copy,
                              [] { return false; });
        // More than the box shows at once: the rest are counted, all of them in its details.
        for (int track = 1; track <= 12; ++track)
            progress.OnFileDone(
                {"/home/user/ダウンロード/" + std::to_string(track) + ".mp3",
                 {},
                 FileOutcome::Failed,
                 {FailureKind::FolderNotCreated, ENOTDIR, "/home/user/音楽/Artist/Album"}});
        QString shown;
        QTimer::singleShot(0, [&] {
            QVERIFY(QTest::qWaitFor(
                [&] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            shown = box->informativeText();
            box->setWindowTitle(QStringLiteral("tunvex"));  // the program's name, not this test's
            QVERIFY(QTest::qWaitForWindowExposed(box));
            QTest::qWait(500);  // painted
            RunXTool({"import", "-frame", "-window", std::to_string(box->winId()),
                      screenshots_ + "/summary-failure.png"});
            box->accept();
        });
        progress.ShowSummary({.transferred = 2, .failed = 12});
        QVERIFY2(shown.contains(
                     QStringLiteral("フォルダ「/home/user/音楽/Artist/Album」を作成できませんで"
                                    "した (パスの途中にフォルダでないものがあります)")),
                 qPrintable(shown));
    }

    // What a screen reader is given, read through the interface that Qt's AT-SPI bridge
    // publishes: each control inside its group and labelled by it, a label labelling the edit
    // after it, repeated names told apart; the drop window's area named and focused.
    void aScreenReaderHearsGroupsLabelsAndTheDropArea() {
        Settings settings;
        settings.BaseFolderPath = folder_ / "Desktop";
        CSettingsDlg dialog(settings);
        dialog.open();
        QVERIFY(Activate(dialog));
        auto labels = [](QWidget* widget) {
            QStringList names;
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
            for (const auto& [label, relation] : control->relations(QAccessible::Label))
                names << label->text(QAccessible::Name);
            return names;
        };
        auto description = [](QWidget* widget) {
            return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Description);
        };
        const QString folders = QStringLiteral("ファイルのフォルダ振り分け方法");
        const QString files = QStringLiteral("ファイル名のリネーム");
        const std::tuple<int, QStringList, QString> cases[] = {
            {1003, {"コピー先フォルダ"}, ""},
            {1005, {"コピー先フォルダ\\", folders}, ""},
            {1012, {files}, ""},
            {1007, {"コピー動作"}, ""},
            {1008, {folders}, folders},  // its name is also the first group's
            {1011, {folders}, folders},
            {1016, {files}, files},
            {1021, {"ファイル名重複時の処理"}, ""},
        };
        for (const auto& [id, labelledBy, told] : cases) {
            QCOMPARE(labels(dialog.Item(id)), labelledBy);
            QCOMPARE(description(dialog.Item(id)), told);
        }
        QStringList helpNotes;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->text().startsWith("* "))
                helpNotes << description(label);
        }
        QCOMPARE(helpNotes, (QStringList{folders, files}));

        TagLibrary library;
        CDropDlg window(settings, library, {});
        window.open();
        QVERIFY(Activate(window));
        QAccessibleInterface* focused = QAccessible::queryAccessibleInterface(window.focusWidget());
        QVERIFY(focused);
        QCOMPARE(focused->text(QAccessible::Name), QStringLiteral("ファイルのドロップ先"));
        QVERIFY(!focused->text(QAccessible::Description).isEmpty());
        window.reject();
    }

    void escapeCancels() {
        Settings settings;
        settings.BaseFolderPath = folder_ / "Desktop";
        CSettingsDlg dialog(settings);
        dialog.open();
        QVERIFY(Activate(dialog));
        dialog.Button(1007)->click();
        dialog.Edit(1003)->setText(QString::fromStdString(folder_ / "music"));
        PressKey("Escape");
        QVERIFY(QTest::qWaitFor([&] { return !dialog.isVisible(); }));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(settings.BaseFolderPath, folder_ / "Desktop");
        QCOMPARE(settings.CopyMode, 0);
    }
};

}  // namespace tunvex

int main(int argc, char** argv) {
    tunvex::testing::XSession session;
    if (!session.ready())
        return 1;
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    tunvex::InstallQtJapanese();
    tunvex::SettingsDialogXTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "settings_dialog_x_test.moc"
