// The sort's side of the window on Qt's offscreen platform: the work off the UI thread, the
// question relayed to it, and what the summary box tells.
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QShortcut>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <thread>

#include "core/files/file_copy.h"
#include "gui/window/off_ui_thread.h"
#include "gui/window/sort_progress.h"
#include "gui/window/sort_relay.h"

namespace tunvex {

class SortProgressTest : public QObject {
    Q_OBJECT

  private slots:
    // The sort's thread waits here for what only the UI thread's event loop does (a timer), which
    // would never come were the work on the UI thread; what it asks is answered there, and what
    // it posted has all run, in order, when the call returns.
    void workOffTheUiThreadLeavesTheEventLoopRunning() {
        const std::thread::id uiThread = std::this_thread::get_id();
        std::atomic<bool> timerFired = false;
        QTimer::singleShot(10, [&] { timerFired = true; });
        std::thread::id workThread, askedOn;
        std::vector<int> posted;
        int answer = 0;
        RunOffUiThread([&] {
            workThread = std::this_thread::get_id();
            while (!timerFired)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            for (int each : {1, 2, 3})
                PostToUiThread([&posted, each] { posted.push_back(each); });
            answer = AskOnUiThread([&] {
                askedOn = std::this_thread::get_id();
                return 42;
            });
        });
        QVERIFY(workThread != uiThread);
        QVERIFY(askedOn == uiThread);
        QCOMPARE(answer, 42);
        QCOMPARE(posted, (std::vector<int>{1, 2, 3}));
    }

    // A stop that came while the sort was on its way to the replace question answers it: no
    // question comes up whose 置換 could still replace a file.
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

    // The icon warns only when something failed; many failures show a few lines, the count of the
    // rest and every one in the details; a cancel says what was placed and that it can be undone.
    void summaryBoxTellsWhatTheUserMustKnow() {
        struct Row {
            TransferSummary summary;
            std::size_t failedFiles;
            QString expected;
            QMessageBox::Icon icon;
        };
        const Row rows[] = {
            {{.transferred = 3}, 0, "", QMessageBox::NoIcon},
            {{.transferred = 2, .failed = 1},
             1,
             "2 個のファイルを振り分けました。スキップ 0 個、失敗 1 個\n/in/0.mp3: "
             "フォルダ「/out/A」"
             "を作成できませんでした (パスの途中にフォルダでないものがあります)\n",
             QMessageBox::Warning},
            {{.transferred = 3,
              .journalError = {FailureKind::JournalFolderNotCreated, ENOSPC, "/s"}},
             0,
             "記録を残せませんでした: 記録のフォルダ「/s」"
             "を作成できませんでした (ディスクの空き容量が足りません)",
             QMessageBox::Warning},
            {{.transferred = 3, .attributesNotKept = kLostOwner | kLostAcl},
             0,
             "一部のファイルの所有者、ACLを保てませんでした",
             QMessageBox::Information},
            {{.failed = 1005}, 1005, "ほか 993 件", QMessageBox::Warning},
            {{.transferred = 3,
              .foldersRemoved = 1,
              .foldersKept = {{"/in/d", {FailureKind::FolderNotEmpty}},
                              {"/in/e", {FailureKind::FolderNotRemoved, EACCES}}}},
             0,
             "/in/d: 空ではありません\n/in/e: 削除できませんでした (アクセスが拒否されました)\n"
             "削除しなかった元のフォルダ: 2 個",
             QMessageBox::Information},
            {{.transferred = 4, .cancelled = true},
             0,
             "キャンセルしました。4 個のファイルを振り分け、残りのファイルは元の場所にあります。\n"
             "この振り分けは右クリックのメニューから元に戻せます。",
             QMessageBox::Information},
        };
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
            for (std::size_t i = 0; i < row.failedFiles; ++i)
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
            if (row.failedFiles > kSummaryLinesShown) {
                QVERIFY(details.contains(QStringLiteral("/in/999.mp3")));
                QVERIFY(details.contains(QStringLiteral("ほか 5 個のファイル")));
                QVERIFY(copied.contains(QStringLiteral("/in/999.mp3")));
            }
        }
    }
};

}  // namespace tunvex

QTEST_MAIN(tunvex::SortProgressTest)
#include "sort_progress_test.moc"
