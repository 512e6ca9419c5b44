// The sort's thread reaches the window through the relay only (TSan runs it); the summary box.
#include <QtTest>
#include <QtWidgets>

#include <atomic>
#include <cerrno>
#include <string>

#include "core/files/attribute_loss.h"
#include "gui/window/off_ui_thread.h"
#include "gui/window/sort_progress.h"
#include "gui/window/sort_relay.h"
#include "tests/support/next_modal.h"

namespace tunvex {

class SortRelayTest : public QObject {
    Q_OBJECT

  private slots:
    // The relay driven flat out while the window shows it; スキップ to the question, then cancel.
    void aSortsThreadReachesTheWindowThroughTheRelayOnly() {
        SortProgress progress(nullptr, CodePage::Utf8, TransferOperation::Copy,
                              [] { return false; });
        SortRelay relay(progress);
        testing::AnswerNextModal<QMessageBox>([](QMessageBox* box) {
            for (QAbstractButton* button : box->buttons()) {
                if (button->text().startsWith(QStringLiteral("スキップ")))
                    button->click();
            }
            QTimer::singleShot(100, [] {
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    if (auto* dialog = qobject_cast<QProgressDialog*>(widget))
                        emit dialog->canceled();
                }
            });
        });
        std::size_t files = 0;
        CollisionAnswer first = CollisionAnswer::Replace;
        CollisionAnswer answer = CollisionAnswer::Replace;
        RunOffUiThread([&] {
            first = relay.AskReplace("/in/b.mp3", "/out/b.mp3");
            while (relay.OnReading(files, 1'000'000) && files < 1'000'000) {
                ++files;
                relay.OnProgress({files, 1'000'000, files * 10, 10'000'000});
                relay.OnFileDone({"/in/" + std::to_string(files) + ".mp3",
                                  "",
                                  files % 2 == 0 ? FileOutcome::Failed : FileOutcome::Transferred,
                                  {FailureKind::NoTags}});
            }
            answer = relay.AskReplace("/in/a.mp3", "/out/a.mp3");
        });
        QCOMPARE(first, CollisionAnswer::Skip);
        QVERIFY(files < 1'000'000);
        QCOMPARE(answer, CollisionAnswer::Cancel);
    }

    // A stop on the way to the replace question answers it: no 置換 can still replace a file.
    void aStopBeforeTheQuestionIsItsAnswer() {
        std::atomic<bool> stop = false;
        SortProgress progress(nullptr, CodePage::Utf8, TransferOperation::Move,
                              [&] { return stop.load(); });
        SortRelay relay(progress);
        bool asked = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked = true;
                box->reject();
            }
        });
        watch.start(20);
        CollisionAnswer answer = CollisionAnswer::Replace;
        RunOffUiThread([&] {
            stop = true;
            answer = relay.AskReplace("/in/a.mp3", "/out/a.mp3");
        });
        QCOMPARE(answer, CollisionAnswer::Cancel);
        QVERIFY(!asked);
    }

    // A warning icon only for failures; many show a few lines, the rest counted and in the details.
    void summaryBoxTellsWhatTheUserMustKnow() {
        // clang-format off
        struct Row {
            TransferSummary summary;  // each failure a file of its own
            QMessageBox::Icon icon;
            QString expected;  // lines shown
        };
        const Row rows[] = {
            {{.transferred = 3}, QMessageBox::NoIcon, ""},
            {{.transferred = 2, .failed = 1}, QMessageBox::Warning,
             "2 個のファイルを振り分けました。スキップ 0 個、失敗 1 個\n"
             "/in/0.mp3: フォルダ「/out/A」を作成できませんでした (パスの途中にフォルダでないものがあります)"},
            {{.transferred = 3,
              .journalError = {FailureKind::JournalFolderNotCreated, ENOSPC, "/s"}},
             QMessageBox::Warning,
             "記録を残せませんでした: 記録のフォルダ「/s」を作成できませんでした (ディスクの空き容量が足りません)"},
            {{.transferred = 3, .attributesNotKept = kLostOwner | kLostAcl},
             QMessageBox::Information,
             "一部のファイルの所有者、ACLを保てませんでした"},
            {{.failed = 1005}, QMessageBox::Warning, "ほか 993 件"},
            {{.transferred = 3, .foldersRemoved = 1,
              .foldersKept = {{"/in/d", {FailureKind::FolderNotEmpty}},
                              {"/in/e", {FailureKind::FolderNotRemoved, EACCES}}}},
             QMessageBox::Information,
             "/in/d: 空ではありません\n/in/e: 削除できませんでした (アクセスが拒否されました)\n"
             "削除しなかった元のフォルダ: 2 個"},
            {{.transferred = 4, .cancelled = true}, QMessageBox::Information,
             "キャンセルしました。4 個のファイルを振り分け、残りのファイルは元の場所にあります。\n"
             "この振り分けは右クリックのメニューから元に戻せます。"},
        };
        // clang-format on
        for (const Row& row : rows) {
            QString shown, details, copied;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    shown = box->text() + '\n' + box->informativeText();
                    details = box->detailedText();
                    icon = box->icon();
                    if (auto* copy = box->findChild<QShortcut*>()) {
                        QCOMPARE(copy->key(), QKeySequence(QKeySequence::Copy));
                        emit copy->activated();
                        copied = QGuiApplication::clipboard()->text();
                    }
                    box->accept();
                }
            });
            SortProgress progress(nullptr, CodePage::Utf8, TransferOperation::Copy,
                                  [] { return false; });
            for (std::size_t i = 0; i < row.summary.failed; ++i)
                progress.OnFileDone({"/in/" + std::to_string(i) + ".mp3",
                                     "",
                                     FileOutcome::Failed,
                                     {FailureKind::FolderNotCreated, ENOTDIR, "/out/A"}});
            progress.ShowSummary(row.summary);
            QCoreApplication::processEvents();
            QVERIFY2(row.expected.isEmpty() == shown.isEmpty(), qPrintable(shown));
            for (const QString& line : row.expected.split('\n', Qt::SkipEmptyParts))
                QVERIFY2(shown.contains(line), qPrintable(shown));
            QCOMPARE(icon, row.icon);
            if (row.summary.failed > kSummaryLinesShown) {
                QVERIFY(details.contains(QStringLiteral("/in/999.mp3")));
                QVERIFY(details.contains(QStringLiteral("ほか 5 個のファイル")));
                QVERIFY(copied.contains(QStringLiteral("/in/999.mp3")));
            }
        }
    }
};

}  // namespace tunvex

QTEST_MAIN(tunvex::SortRelayTest)
#include "sort_relay_test.moc"
