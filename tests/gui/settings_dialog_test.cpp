// The settings dialogs offscreen: layout, glyphs, screen reader, Tab order, Apply, paste, picker.
#include <QtTest>
#include <QtWidgets>

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
#include "tests/support/next_modal.h"
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

int ControlIdOf(const CSettingsDlg& dialog, QWidget* widget) {
    for (const ControlTemplate& control : SettingsDialogTemplate().controls) {
        if (control.id != kNoControlId && dialog.Item(control.id) == widget)
            return control.id;
    }
    return 0;
}

bool ShowActive(QDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

// Picks chosen in the next folder browser, or cancels when it is empty; fails on English text.
void AnswerFolderBrowser(const QString& chosen, QString* title, QString* start) {
    testing::AnswerNextModal<QFileDialog>([=](QFileDialog* browser) {
        *title = browser->windowTitle();
        *start = browser->directory().absolutePath();
        QStringList shown;
        for (QLabel* label : browser->findChildren<QLabel*>())
            shown << label->text();
        for (QAbstractButton* button : browser->findChildren<QAbstractButton*>())
            shown << button->text();
        for (const char* english :
             {"Look in:", "Directory:", "&Choose", "Cancel", "Files of type:"})
            QVERIFY2(!shown.contains(QString::fromUtf8(english)), english);
        QVERIFY2(shown.contains(QStringLiteral("キャンセル")), qPrintable(shown.join('|')));
        if (chosen.isEmpty()) {
            browser->reject();
        } else {
            browser->setDirectory(chosen);
            static_cast<QDialog*>(browser)->accept();
        }
    });
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
    }

    // Read through the interface Qt's AT-SPI bridge publishes; a description tells repeated names.
    void opensWithTheRecordAtItsFontSizeAndIsReadOut() {
        Settings settings = DefaultSettings(desktop_);
        CSettingsDlg dialog(settings);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("tunvex 設定"));
        QCOMPARE(QFontInfo(dialog.font()).family(), QStringLiteral("IPAGothic"));
        // 9 points at 96 dpi: IPAGothic's base units are 6 by 13 pixels.
        QCOMPARE(dialog.size(), QSize(353, 622));
        QWidget* radio = dialog.Item(1011);
        QCOMPARE(QRect(radio->mapTo(&dialog, QPoint(0, 0)), radio->size()), QRect(24, 189, 84, 16));
        std::vector<int> checked;
        for (int id = 1006; id <= 1022; ++id) {
            if (dialog.IsChecked(id))
                checked.push_back(id);
        }
        QCOMPARE(checked, (std::vector<int>{1006, 1008, 1013, 1018, 1020}));
        QCOMPARE(dialog.Edit(1003)->text(), QString::fromStdString(desktop_));
        QCOMPARE(dialog.Edit(1005)->text(), QStringLiteral("?a"));
        QCOMPARE(dialog.Edit(1012)->text(), QStringLiteral("?t.?T"));
        QRawFont font = QRawFont::fromFont(dialog.font());
        for (const ControlTemplate& control : SettingsDialogTemplate().controls) {
            for (char32_t c : QString::fromUtf8(control.text).toUcs4())
                QVERIFY2(font.supportsCharacter(c), control.text);
        }

        const QString folders = QStringLiteral("ファイルのフォルダ振り分け方法");
        const QString files = QStringLiteral("ファイル名のリネーム");
        auto heard = [](QWidget* widget, QAccessible::Text text) {
            return QAccessible::queryAccessibleInterface(widget)->text(text);
        };
        const std::tuple<int, QString, QStringList, QString> cases[] = {
            {1003, "コピー先フォルダ", {"コピー先フォルダ"}, ""},
            {1005, folders, {"コピー先フォルダ\\", folders}, ""},
            {1012, files, {files}, ""},
            {1007, "移動", {"コピー動作"}, ""},
            {1008, "コピー先フォルダ", {folders}, folders},
            {1011, "ユーザ設定", {folders}, folders},
            {1016, "ユーザ設定", {files}, files},
            {1021, "重複しない名前に変更", {"ファイル名重複時の処理"}, ""},
            {1022, "トラック番号.曲名", {files}, ""},
        };
        for (const auto& [id, name, labelledBy, told] : cases) {
            QStringList labels;
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(dialog.Item(id));
            for (const auto& [label, relation] : control->relations(QAccessible::Label))
                labels << label->text(QAccessible::Name);
            QCOMPARE(heard(dialog.Item(id), QAccessible::Name), name);
            QCOMPARE(labels, labelledBy);
            QCOMPARE(heard(dialog.Item(id), QAccessible::Description), told);
        }
        QStringList helpNotes;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->text().startsWith("* "))
                helpNotes << heard(label, QAccessible::Description);
        }
        QCOMPARE(helpNotes, (QStringList{folders, files}));

        for (auto [button, edit, enabled] : {std::tuple{1011, 1005, true},
                                             {1009, 1005, false},
                                             {1016, 1012, true},
                                             {1014, 1012, false}}) {
            dialog.Button(button)->click();
            QCOMPARE(dialog.Edit(edit)->isEnabled(), enabled);
        }
    }

    // Tab walks the tab stops, each radio group at its checked button; Enter applies.
    void tabWalksTheTemplateOrderAndEnterApplies() {
        Settings settings = DefaultSettings(desktop_);
        settings.FolderNamingMode = 3;
        settings.FileNamingMode = 1;
        CSettingsDlg dialog(settings);
        QVERIFY(ShowActive(dialog));
        std::vector<int> walked{ControlIdOf(dialog, QApplication::focusWidget())};
        for (int step = 0; step < 11; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked.push_back(ControlIdOf(dialog, QApplication::focusWidget()));
        }
        QCOMPARE(walked,
                 (std::vector<int>{1, 2, 1003, 1004, 1006, 1011, 1005, 1014, 1018, 1020, 1, 2}));
        dialog.Edit(1003)->setFocus();
        dialog.Edit(1003)->setText(QString::fromStdString(folder_ / "music"));
        QTest::keyClick(dialog.Edit(1003), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(settings.BaseFolderPath, folder_ / "music");
    }

    // Refusals leave the dialog open with the edits as typed and the record unchanged.
    void applyStoresOrRefuses() {
        struct Row {
            const char* name;
            QString base;
            int folderRadio;
            QString folder;
            int fileRadio;
            QString file;
            int message;  // 0: accepted
            QString storedBase = {}, storedFolder = {}, storedFile = {};
        };
        const QString music = QString::fromStdString(folder_ / "music");
        // clang-format off
        const Row rows[] = {
            {"missing folder", music + "/none", 1011, "?A", 1016, "?T", 607},
            {"relative", "music", 1011, "?A", 1016, "?T", 607},
            {"line break in folder", music + "/two\nlines", 1011, "?A", 1016, "?T", 621},
            {"line break in folder pattern", music, 1011, "?A\n?a", 1016, "?T", 622},
            {"line break in unused file pattern", music, 1008, "?a", 1013, "?t\r?T", 623},
            {"leading dot", music, 1011, ".?A", 1016, "?T", 609},
            {"trailing dot", music, 1011, "?A.", 1016, "?T", 609},
            {"dot before level", music, 1011, "?A.\\?a", 1016, "?T", 609},
            {"colon", music, 1011, "?A:?a", 1016, "?T", 609},
            {"one removal pass", music, 1011, "??AA", 1016, "?T", 609},
            {"folder pattern first", music, 1011, "?A|", 1016, "?T|", 609},
            {"backslash in file", music, 1011, "?A", 1016, "?A\\?T", 610},
            {"question mark in file", music, 1011, "?A", 1016, "?T?", 610},
            {"dot elements", music + "/./new/../new/", 1008, "?a", 1013, "?t.?T", 0,
             music + "/new/", "?a", "?t.?T"},
            {"trimmed", music, 1011, " \t?A\\?a  ", 1016, " .?T.\n", 0, music, "?A\\?a", ".?T."},
            {"fixed modes store unchecked", music, 1008, " a:b ", 1015, "<*>", 0, music, "a:b",
             "<*>"},
        };
        // clang-format on
        for (const Row& row : rows) {
            Settings settings = DefaultSettings(desktop_);
            CSettingsDlg dialog(settings);
            dialog.open();
            dialog.Button(row.folderRadio)->click();
            dialog.Button(row.fileRadio)->click();
            dialog.Button(1007)->click();
            dialog.Edit(1003)->setText(row.base);
            dialog.Edit(1005)->setText(row.folder);
            dialog.Edit(1012)->setText(row.file);
            MessageRecorder recorder;
            dialog.Button(1)->click();
            const std::vector<unsigned> expected(row.message != 0, unsigned(row.message));
            QVERIFY2(recorder.shown == expected, row.name);
            QVERIFY2(dialog.isVisible() == (row.message != 0), row.name);
            QCOMPARE(dialog.Edit(1003)->text(), row.base);
            QCOMPARE(dialog.Edit(1005)->text(), row.folder);
            if (row.message != 0) {
                QCOMPARE(settings.BaseFolderPath, desktop_);
                QCOMPARE(settings.CopyMode, 0);
                QCOMPARE(settings.FolderNamingFormat, std::string("?a"));
                continue;
            }
            QCOMPARE(QString::fromStdString(settings.BaseFolderPath), row.storedBase);
            QCOMPARE(QString::fromStdString(settings.FolderNamingFormat), row.storedFolder);
            QCOMPARE(QString::fromStdString(settings.FileNamingFormat), row.storedFile);
            QCOMPARE(settings.CopyMode, 1);
            QCOMPARE(settings.FolderNamingMode, row.folderRadio - 1008);
            QCOMPARE(settings.FileNamingMode, row.fileRadio == 1016 ? 4 : row.fileRadio - 1013);
        }
    }

    // Ctrl+V of several lines takes the first, wherever the cursor or the selection is.
    void pasteKeepsTheFirstLine() {
        // before, selection start and length, clipboard, expected, cursor
        const std::tuple<QString, int, int, QString, QString, int> cases[] = {
            {"", 0, 0, "?A\n?a", "?A", 2},
            {"xy", 1, 0, "?A\r\n?a", "x?Ay", 3},
            {"abc", 1, 1, "b\nb", "abc", 2},
            {"abc", 0, 3, "\nrest", "", 0},
        };
        Settings settings = DefaultSettings(desktop_);
        CSettingsDlg dialog(settings);
        QLineEdit* edit = dialog.Edit(1012);
        edit->setEnabled(true);
        for (const auto& [before, start, length, clipboard, expected, cursor] : cases) {
            edit->setText(before);
            edit->setSelection(start, length);
            QGuiApplication::clipboard()->setText(clipboard);
            QTest::keySequence(edit, QKeySequence::Paste);
            QCOMPARE(edit->text(), expected);
            QCOMPARE(edit->cursorPosition(), cursor);
        }
    }

    void browseThenCancelStoresNothing() {
        Settings settings = DefaultSettings(desktop_);
        CSettingsDlg dialog(settings);
        dialog.open();
        QString title, start;
        const QString chosen = QString::fromStdString(folder_ / "music/new");
        AnswerFolderBrowser(chosen, &title, &start);
        dialog.Button(1004)->click();
        QCOMPARE(title, QStringLiteral("コピー先フォルダを選択"));
        QCOMPARE(start, QString::fromStdString(desktop_));
        QCOMPARE(dialog.Edit(1003)->text(), chosen);
        AnswerFolderBrowser({}, &title, &start);
        dialog.Button(1004)->click();
        QCOMPARE(start, chosen);
        QCOMPARE(dialog.Edit(1003)->text(), chosen);
        dialog.Button(1011)->click();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(settings.BaseFolderPath, desktop_);
        QCOMPARE(settings.FolderNamingMode, 0);
    }

    // Read out by label and hint, a key for each, F1 opens its page, the default shows whole.
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

        QVERIFY(ShowActive(dialog));
        QSet<QChar> keys;
        for (auto [id, reached] : {std::pair<int, QWidget*>{kIdcExtraPatternsLabel, patterns},
                                   {kIdcCarryExtras, dialog.Item(kIdcCarryExtras)},
                                   {kIdcRemoveEmptied, dialog.Item(kIdcRemoveEmptied)},
                                   {kIdcUseAlbumArtist, dialog.Item(kIdcUseAlbumArtist)},
                                   {kIdcPreviewBeforeSort, dialog.Item(kIdcPreviewBeforeSort)}}) {
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

    // The edit's text set as an input method or a screen reader would, past the paste filter.
    void extraSettingsApply() {
        // clang-format off
        const std::tuple<bool, QString, int, QString> rows[] = {  // carry, typed, message, stored
            {true, kDefaultExtras, 0, kDefaultExtras},
            {true, " *.nfo;folder.* ", 0, "*.nfo;folder.*"},
            {true, "cover *.jpg", 0, "cover *.jpg"},
            {false, "", 0, ""},
            {true, "  ;  ", 625, {}},
            {true, "*.cue;*.jpg,*.png", 625, {}},
            {false, "*.jpg\r*.png", 624, {}},
        };
        // clang-format on
        for (const auto& [carry, typed, message, stored] : rows) {
            Settings settings = DefaultSettings(desktop_);
            settings.ExtraFilePatterns = kDefaultExtras;
            CExtraSettingsDlg dialog(settings);
            dialog.open();
            dialog.Button(kIdcCarryExtras)->setChecked(carry);
            dialog.Button(kIdcRemoveEmptied)->setChecked(true);
            dialog.Button(kIdcUseAlbumArtist)->setChecked(true);
            dialog.Button(kIdcPreviewBeforeSort)->setChecked(true);
            dialog.Edit(kIdcExtraPatterns)->setText(typed);
            MessageRecorder recorder;
            dialog.Button(kIdOk)->click();
            const std::vector<unsigned> expected(message != 0, unsigned(message));
            QVERIFY2(recorder.shown == expected, qPrintable(typed));
            QCOMPARE(dialog.isVisible(), message != 0);
            QCOMPARE(QString::fromStdString(settings.ExtraFilePatterns),
                     message != 0 ? kDefaultExtras : stored);
            QCOMPARE(settings.RemoveEmptiedFolders, message != 0 ? 0 : 1);
            QCOMPARE(settings.UseAlbumArtist, message != 0 ? 0 : 1);
            QCOMPARE(settings.PreviewBeforeSort, message != 0 ? 0 : 1);
            QCOMPARE(settings.CarryExtraFiles, message == 0 && carry ? 1 : 0);
        }
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

        // A folder whose name Shift-JIS cannot hold is no place to sort into.
        std::string emoji = folder_ / "music/\xF0\x9F\x8E\xB5";
        std::filesystem::create_directories(emoji);
        CSettingsDlg browsing(settings, nullptr, CodePage::ShiftJis);
        browsing.open();
        QString title, start;
        AnswerFolderBrowser(QString::fromStdString(emoji), &title, &start);
        browsing.Button(1004)->click();
        QCOMPARE(recorder.shown, std::vector<unsigned>{612});
        QCOMPARE(browsing.Edit(1003)->text(), QString::fromStdString(folder_ / "music"));
    }
};

}  // namespace tunvex

QTEST_MAIN(tunvex::SettingsDialogTest)
#include "settings_dialog_test.moc"
