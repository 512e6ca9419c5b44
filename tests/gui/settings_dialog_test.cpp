// The settings dialog on Qt's offscreen platform: its layout, glyphs and what a screen reader
// hears, what Apply stores or refuses, paste, cancel, the folder picker in Japanese.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFontInfo>
#include <QLabel>
#include <QRawFont>
#include <QTimer>
#include <QtTest>

#include <filesystem>

#include "core/settings/settings.h"
#include "gui/base/qt_translation.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/dialogs/extra_settings_dialog.h"
#include "gui/dialogs/extra_settings_dialog_template.h"
#include "gui/dialogs/help_key.h"
#include "gui/dialogs/settings_dialog.h"
#include "gui/dialogs/settings_dialog_template.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using testing::MessageRecorder;
using testing::TempFolder;

constexpr char kDefaultExtras[] = "*.jpg;*.jpeg;*.png;*.cue;*.log;*.lrc;*.txt";

// The record at its defaults, the desktop folder being an existing one.
Settings DefaultSettings(const std::string& desktop) {
    Settings settings;
    settings.BaseFolderPath = desktop;
    settings.FolderNamingFormat = "?a";
    settings.FileNamingFormat = "?t.?T";
    settings.TagMode = 1;
    return settings;
}

std::vector<int> CheckedRadios(const CSettingsDlg& dialog) {
    std::vector<int> checked;
    for (int id = 1006; id <= 1022; ++id) {
        if (dialog.IsChecked(id))
            checked.push_back(id);
    }
    return checked;
}

// Texts of Qt's folder picker that would show its English; none may.
const char* const kEnglishPickerTexts[] = {"Look in:", "Directory:", "&Choose", "Cancel",
                                           "Files of type:"};

// Answers the next folder browser: picks chosen, or cancels when it is empty. Reports the
// browser's title and the folder it opened at, and fails on a text it shows in English.
void AnswerFolderBrowser(const QString& chosen, QString* title, QString* start) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* browser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (browser == nullptr)
            return;
        poll->deleteLater();
        *title = browser->windowTitle();
        *start = browser->directory().absolutePath();
        QStringList shown;
        for (QLabel* label : browser->findChildren<QLabel*>())
            shown << label->text();
        for (QAbstractButton* button : browser->findChildren<QAbstractButton*>())
            shown << button->text();
        for (const char* english : kEnglishPickerTexts)
            QVERIFY2(!shown.contains(QString::fromUtf8(english)), english);
        QVERIFY2(shown.contains(QStringLiteral("キャンセル")), qPrintable(shown.join('|')));
        if (chosen.isEmpty()) {
            browser->reject();
        } else {
            browser->setDirectory(chosen);
            static_cast<QDialog*>(browser)->accept();
        }
    });
    poll->start(10);
}

}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT

  private:
    TempFolder folder_;
    std::string desktop_ = folder_ / "Desktop";

  private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        InstallQtJapanese();
        std::filesystem::create_directories(desktop_);
        std::filesystem::create_directories(folder_ / "music/new");
        std::filesystem::create_directories(folder_ / "music/two\nlines");
        testing::WriteFile(folder_ / "music/file.mp3", "x");
    }

    void opensWithTheRecordAtItsFontSize() {
        Settings settings = DefaultSettings(desktop_);
        CSettingsDlg dialog(settings);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("tunvex 設定"));
        QCOMPARE(QFontInfo(dialog.font()).family(), QStringLiteral("IPAGothic"));
        // 9 points at 96 dpi is 12 pixels: IPAGothic is 6 pixels wide a letter, 13 high.
        QCOMPARE(dialog.logicalDpiY(), 96);
        QCOMPARE(dialog.BaseUnits().x, 6);
        QCOMPARE(dialog.BaseUnits().y, 13);
        QCOMPARE(dialog.size(), QSize(353, 622));
        QWidget* radio = dialog.Item(1011);
        QCOMPARE(QRect(radio->mapTo(&dialog, QPoint(0, 0)), radio->size()), QRect(24, 189, 84, 16));
        QCOMPARE(CheckedRadios(dialog), (std::vector<int>{1006, 1008, 1013, 1018, 1020}));
        QCOMPARE(dialog.Edit(1003)->text(), QString::fromStdString(desktop_));
        QCOMPARE(dialog.Edit(1005)->text(), QStringLiteral("?a"));
        QCOMPARE(dialog.Edit(1012)->text(), QStringLiteral("?t.?T"));
        QVERIFY(!dialog.Edit(1005)->isEnabled());
        QVERIFY(!dialog.Edit(1012)->isEnabled());
        QCOMPARE(dialog.Edit(1003)->accessibleName(), QStringLiteral("コピー先フォルダ"));
        QCOMPARE(dialog.Edit(1005)->accessibleName(),
                 QStringLiteral("ファイルのフォルダ振り分け方法"));
        QCOMPARE(dialog.Edit(1012)->accessibleName(), QStringLiteral("ファイル名のリネーム"));
        QCOMPARE(dialog.Button(1022)->accessibleName(), QStringLiteral("トラック番号.曲名"));
        QRawFont font = QRawFont::fromFont(dialog.font());
        for (const ControlTemplate& control : SettingsDialogTemplate().controls) {
            for (char32_t c : QString::fromUtf8(control.text).toUcs4())
                QVERIFY2(font.supportsCharacter(c), control.text);
        }
    }

    // What a screen reader is given, read through the interface that Qt's AT-SPI bridge
    // publishes: each control inside its group and labelled by it, a label labelling the edit
    // after it, repeated names told apart.
    void aScreenReaderHearsGroupsAndLabels() {
        Settings settings = DefaultSettings(desktop_);
        CSettingsDlg dialog(settings);
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
    }

    void radioButtonsEnableTheirPatternEdit() {
        Settings settings = DefaultSettings(desktop_);
        CSettingsDlg dialog(settings);
        const std::vector<std::tuple<int, int, bool>> clicks = {
            {1011, 1005, true}, {1010, 1005, false}, {1011, 1005, true}, {1009, 1005, false},
            {1016, 1012, true}, {1022, 1012, false}, {1016, 1012, true}, {1014, 1012, false},
        };
        for (auto [radio, edit, enabled] : clicks) {
            dialog.Button(radio)->click();
            QCOMPARE(dialog.Edit(edit)->isEnabled(), enabled);
        }
        QCOMPARE(CheckedRadios(dialog), (std::vector<int>{1006, 1009, 1014, 1018, 1020}));
        QCOMPARE(dialog.Edit(1005)->text(), QStringLiteral("?a"));
    }

    void apply_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<int>("folderRadio");
        QTest::addColumn<QString>("folderPattern");
        QTest::addColumn<int>("fileRadio");
        QTest::addColumn<QString>("filePattern");
        QTest::addColumn<int>("message");  // 0: accepted
        QTest::addColumn<QString>("storedBase");
        QTest::addColumn<QString>("storedFolderPattern");
        QTest::addColumn<QString>("storedFilePattern");

        QString music = QString::fromStdString(folder_ / "music");
        auto row = [&](const char* name, QString base, int folderRadio, QString folder,
                       int fileRadio, QString file, int message, QString storedBase = {},
                       QString storedFolder = {}, QString storedFile = {}) {
            QTest::newRow(name) << base << folderRadio << folder << fileRadio << file << message
                                << storedBase << storedFolder << storedFile;
        };
        row("missing folder", music + "/none", 1011, "?A", 1016, "?T", 607);
        row("a file", music + "/file.mp3", 1011, "?A", 1016, "?T", 607);
        row("empty", "", 1011, "?A", 1016, "?T", 607);
        row("relative", "music", 1011, "?A", 1016, "?T", 607);
        row("first failure only", "", 1011, "?A:", 1016, "?T:", 607);
        row("line break in folder", music + "/two\nlines", 1011, "?A", 1016, "?T", 621);
        row("line break in folder pattern", music, 1011, "?A\n?a", 1016, "?T", 622);
        row("line break in unused file pattern", music, 1008, "?a", 1013, "?t\r?T", 623);
        row("dot elements", music + "/./new/../new/", 1008, "?a", 1013, "?t.?T", 0, music + "/new/",
            "?a", "?t.?T");
        row("leading dot", music, 1011, ".?A", 1016, "?T", 609);
        row("trailing dot", music, 1011, "?A.", 1016, "?T", 609);
        row("dot before level", music, 1011, "?A.\\?a", 1016, "?T", 609);
        row("colon", music, 1011, "?A:?a", 1016, "?T", 609);
        row("unknown placeholder", music, 1011, "?b", 1016, "?T", 609);
        row("one removal pass", music, 1011, "??AA", 1016, "?T", 609);
        row("folder pattern before file pattern", music, 1011, "?A|", 1016, "?T|", 609);
        row("levels", music, 1011, "?A\\?a", 1016, "?T", 0, music, "?A\\?a", "?T");
        row("trimmed", music, 1011, " \t?A - ?a  ", 1016, " ?T\n", 0, music, "?A - ?a", "?T");
        row("empty patterns", music, 1011, "", 1016, "", 0, music, "", "");
        row("backslash in file", music, 1011, "?A", 1016, "?A\\?T", 610);
        row("question mark in file", music, 1011, "?A", 1016, "?T?", 610);
        row("dots around file", music, 1011, "?A", 1016, ".?T.", 0, music, "?A", ".?T.");
        row("fixed modes store unchecked", music, 1008, " a:b ", 1015, "<*>", 0, music, "a:b",
            "<*>");
    }

    void apply() {
        QFETCH(QString, base);
        QFETCH(int, folderRadio);
        QFETCH(QString, folderPattern);
        QFETCH(int, fileRadio);
        QFETCH(QString, filePattern);
        QFETCH(int, message);

        Settings settings = DefaultSettings(desktop_);
        CSettingsDlg dialog(settings);
        dialog.open();
        dialog.Button(folderRadio)->click();
        dialog.Button(fileRadio)->click();
        dialog.Button(1007)->click();
        dialog.Edit(1003)->setText(base);
        dialog.Edit(1005)->setText(folderPattern);
        dialog.Edit(1012)->setText(filePattern);
        MessageRecorder recorder;
        dialog.Button(1)->click();

        if (message != 0) {
            QCOMPARE(recorder.shown, std::vector<unsigned>{static_cast<unsigned>(message)});
            QVERIFY(dialog.isVisible());
            QCOMPARE(settings.BaseFolderPath, desktop_);
            QCOMPARE(settings.CopyMode, 0);
            QCOMPARE(settings.FolderNamingFormat, std::string("?a"));
            QCOMPARE(dialog.Edit(1003)->text(), base);
            QCOMPARE(dialog.Edit(1005)->text(), folderPattern);
            return;
        }
        QFETCH(QString, storedBase);
        QFETCH(QString, storedFolderPattern);
        QFETCH(QString, storedFilePattern);
        QVERIFY(recorder.shown.empty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(settings.BaseFolderPath), storedBase);
        QCOMPARE(QString::fromStdString(settings.FolderNamingFormat), storedFolderPattern);
        QCOMPARE(QString::fromStdString(settings.FileNamingFormat), storedFilePattern);
        QCOMPARE(settings.CopyMode, 1);
        QCOMPARE(settings.FolderNamingMode, folderRadio - 1008);
        QCOMPARE(settings.FileNamingMode, fileRadio == 1016 ? 4 : fileRadio - 1013);
        QCOMPARE(dialog.Edit(1003)->text(), base);
    }

    // Ctrl+V of several lines takes the first, wherever the cursor or the selection is.
    void pasteKeepsTheFirstLine() {
        struct Case {
            QString before;
            int selectionStart, selectionLength;
            QString clipboard, expected;
            int cursor;
        };
        const Case cases[] = {
            {"", 0, 0, "?A\n?a", "?A", 2},
            {"xy", 1, 0, "?A\r\n?a", "x?Ay", 3},
            {"abc", 1, 1, "b\nb", "abc", 2},
            {"abc", 0, 3, "\nrest", "", 0},
        };
        Settings settings = DefaultSettings(desktop_);
        CSettingsDlg dialog(settings);
        QLineEdit* edit = dialog.Edit(1012);
        edit->setEnabled(true);
        for (const Case& c : cases) {
            edit->setText(c.before);
            edit->setSelection(c.selectionStart, c.selectionLength);
            QGuiApplication::clipboard()->setText(c.clipboard);
            QTest::keySequence(edit, QKeySequence::Paste);
            QCOMPARE(edit->text(), c.expected);
            QCOMPARE(edit->cursorPosition(), c.cursor);
        }
    }

    void outOfRangeModesCheckNothingAndStoreTheLastValue() {
        Settings settings = DefaultSettings(desktop_);
        settings.CopyMode = 7;
        settings.FolderNamingMode = 9;
        settings.FolderNamingFormat = "bad:pattern";
        settings.FileNamingMode = -1;
        settings.TagMode = 2;
        settings.CollisionMode = -5;
        CSettingsDlg dialog(settings);
        QCOMPARE(CheckedRadios(dialog), std::vector<int>{});
        QVERIFY(dialog.Edit(1005)->isEnabled());
        QVERIFY(dialog.Edit(1012)->isEnabled());
        MessageRecorder recorder;
        dialog.open();
        dialog.accept();
        QVERIFY(recorder.shown.empty());
        QCOMPARE(settings.CopyMode, 1);
        QCOMPARE(settings.FolderNamingMode, 3);
        QCOMPARE(settings.FolderNamingFormat, std::string("bad:pattern"));
        QCOMPARE(settings.FileNamingMode, 4);
        QCOMPARE(settings.TagMode, 1);
        QCOMPARE(settings.CollisionMode, 1);
    }

    void cancelStoresNothing_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("cancel button") << false;
        QTest::newRow("escape") << true;
    }

    void cancelStoresNothing() {
        QFETCH(bool, escape);
        Settings settings = DefaultSettings(desktop_);
        CSettingsDlg dialog(settings);
        dialog.open();
        QString title;
        QString start;
        std::string chosen = folder_ / "music/new";
        AnswerFolderBrowser(QString::fromStdString(chosen), &title, &start);
        dialog.Button(1004)->click();
        QCOMPARE(title, QStringLiteral("コピー先フォルダを選択"));
        QCOMPARE(start, QString::fromStdString(desktop_));
        QCOMPARE(dialog.Edit(1003)->text(), QString::fromStdString(chosen));
        AnswerFolderBrowser({}, &title, &start);
        dialog.Button(1004)->click();
        QCOMPARE(start, QString::fromStdString(chosen));
        QCOMPARE(dialog.Edit(1003)->text(), QString::fromStdString(chosen));
        dialog.Button(1011)->click();
        if (escape) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            dialog.Button(2)->click();
        }
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(settings.BaseFolderPath, desktop_);
        QCOMPARE(settings.FolderNamingMode, 0);
    }

    // Each control is read out by its own label, the patterns with their hint; each label and
    // check box has a key of its own; F1 opens the dialog's page; the default patterns show whole.
    void extraSettingsAreNamedReachedAndExplained() {
        Settings settings = DefaultSettings(desktop_);
        settings.CarryExtraFiles = 1;
        settings.ExtraFilePatterns = kDefaultExtras;
        CExtraSettingsDlg dialog(settings);
        QLineEdit* patterns = dialog.Edit(kIdcExtraPatterns);
        QCOMPARE(patterns->accessibleName(), QStringLiteral("ファイル名のパターン"));
        QCOMPARE(patterns->accessibleDescription(),
                 QStringLiteral("; で区切って指定します (例: *.jpg;*.cue)"));
        QCOMPARE(dialog.Button(kIdcCarryExtras)->accessibleName(),
                 QStringLiteral("付属ファイルも曲といっしょに振り分ける"));
        QVERIFY(QFontMetrics(patterns->font()).horizontalAdvance(patterns->text()) + 8 <=
                patterns->width());

        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QSet<QChar> keys;
        const std::pair<int, QWidget*> mnemonics[] = {
            {kIdcExtraPatternsLabel, patterns},
            {kIdcCarryExtras, dialog.Item(kIdcCarryExtras)},
            {kIdcRemoveEmptied, dialog.Item(kIdcRemoveEmptied)},
        };
        for (auto [id, reached] : mnemonics) {
            const QString text = dialog.Item(id)->property("text").toString();
            const qsizetype amp = text.indexOf('&');
            QVERIFY2(amp >= 0 && amp + 1 < text.size(), qPrintable(text));
            const QChar key = text[amp + 1];
            QVERIFY2(!keys.contains(key), qPrintable(text));
            keys.insert(key);
            dialog.Item(kIdOk)->setFocus();
            QTest::keyClick(&dialog, Qt::Key(key.toUpper().unicode()), Qt::AltModifier);
            QCOMPARE(dialog.focusWidget(), reached);
        }

        std::string topic = "none";
        HelpKeyFilter help([&](const char* page) { topic = page != nullptr ? page : ""; });
        QTest::keyClick(patterns, Qt::Key_F1);
        QCOMPARE(topic, std::string("advanced.html"));
        CSettingsDlg other(settings);
        QTest::keyClick(&other, Qt::Key_F1);
        QCOMPARE(topic, std::string());
    }

    void extraSettingsApply_data() {
        QTest::addColumn<bool>("carry");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("message");  // 0: accepted
        QTest::addColumn<QString>("stored");
        QTest::newRow("unchanged")
            << true << QString(kDefaultExtras) << 0 << QString(kDefaultExtras);
        QTest::newRow("trimmed") << true << " *.nfo;folder.* " << 0 << "*.nfo;folder.*";
        QTest::newRow("a name with a space") << true << "cover *.jpg" << 0 << "cover *.jpg";
        QTest::newRow("empty") << true << "" << 625 << QString();
        QTest::newRow("spaces") << true << "  ;  " << 625 << QString();
        QTest::newRow("space-separated") << true << "*.jpg *.png" << 625 << QString();
        QTest::newRow("comma-separated") << true << "*.cue;*.jpg,*.png" << 625 << QString();
        QTest::newRow("empty while not carried") << false << "" << 0 << "";
        QTest::newRow("line break") << true << "*.jpg\n*.png" << 624 << QString();
        QTest::newRow("line break while not carried")
            << false << "*.jpg\r*.png" << 624 << QString();
    }

    // The edit's text set as an input method or a screen reader would, past the paste filter.
    void extraSettingsApply() {
        QFETCH(bool, carry);
        QFETCH(QString, typed);
        QFETCH(int, message);
        QFETCH(QString, stored);
        Settings settings = DefaultSettings(desktop_);
        settings.ExtraFilePatterns = kDefaultExtras;
        CExtraSettingsDlg dialog(settings);
        dialog.open();
        dialog.Button(kIdcCarryExtras)->setChecked(carry);
        dialog.Button(kIdcRemoveEmptied)->setChecked(true);
        dialog.Edit(kIdcExtraPatterns)->setText(typed);
        MessageRecorder recorder;
        dialog.Button(kIdOk)->click();
        if (message != 0) {
            QCOMPARE(recorder.shown, std::vector<unsigned>{static_cast<unsigned>(message)});
            QVERIFY(dialog.isVisible());
            QCOMPARE(settings.ExtraFilePatterns, std::string(kDefaultExtras));
            QCOMPARE(settings.RemoveEmptiedFolders, 0);
            return;
        }
        QVERIFY(recorder.shown.empty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(QString::fromStdString(settings.ExtraFilePatterns), stored);
        QCOMPARE(settings.CarryExtraFiles, carry ? 1 : 0);
        QCOMPARE(settings.RemoveEmptiedFolders, 1);
    }

    // 0x83 0x5C is "ソ" in Shift-JIS: its trail byte is no backslash.
    void shiftJisTextRoundTrips() {
        Settings settings = DefaultSettings(folder_ / "music");
        settings.FileNamingMode = 4;
        settings.FileNamingFormat = "\x83\x5C?T";
        CSettingsDlg dialog(settings, nullptr, CodePage::ShiftJis);
        QCOMPARE(dialog.Edit(1012)->text(), QStringLiteral("ソ?T"));
        MessageRecorder recorder;
        dialog.open();
        dialog.accept();
        QVERIFY(recorder.shown.empty());
        QCOMPARE(settings.FileNamingFormat, std::string("\x83\x5C?T"));

        // Bytes UTF-8 cannot show, left untouched, are stored as they were.
        Settings latin1 = DefaultSettings(folder_ / "lat\xE9");
        std::filesystem::create_directories(latin1.BaseFolderPath);
        latin1.FolderNamingFormat = "\xE9?a";
        CSettingsDlg untouched(latin1, nullptr, CodePage::Utf8);
        untouched.open();
        untouched.accept();
        QVERIFY(recorder.shown.empty());
        QCOMPARE(latin1.BaseFolderPath, folder_ / "lat\xE9");
        QCOMPARE(latin1.FolderNamingFormat, std::string("\xE9?a"));

        // A folder whose name Shift-JIS cannot hold is no place to sort into.
        std::string emoji = folder_ / "music/\xF0\x9F\x8E\xB5";
        std::filesystem::create_directories(emoji);
        CSettingsDlg browsing(settings, nullptr, CodePage::ShiftJis);
        browsing.open();
        QString title;
        QString start;
        AnswerFolderBrowser(QString::fromStdString(emoji), &title, &start);
        browsing.Button(1004)->click();
        QCOMPARE(recorder.shown, std::vector<unsigned>{612});
        QCOMPARE(browsing.Edit(1003)->text(), QString::fromStdString(folder_ / "music"));
    }
};

}  // namespace tunvex

QTEST_MAIN(tunvex::SettingsDialogTest)
#include "settings_dialog_test.moc"
