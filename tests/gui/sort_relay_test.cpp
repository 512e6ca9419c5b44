// The sort's thread drives the relay flat out while the window's thread shows its reports, asks the
// question and the user cancels: under ThreadSanitizer, nothing of the window is touched from the
// sort's thread.
#include <QAbstractButton>
#include <QMessageBox>
#include <QProgressDialog>
#include <QtTest>

#include <string>

#include "gui/window/off_ui_thread.h"
#include "gui/window/sort_progress.h"
#include "gui/window/sort_relay.h"

namespace tunvex {

class SortRelayTest : public QObject {
    Q_OBJECT

  private slots:
    void aSortsThreadReachesTheWindowThroughTheRelayOnly() {
        SortProgress progress(nullptr, CodePage::Utf8, TransferOperation::Copy,
                              [] { return false; });
        SortRelay relay(progress);
        // The user answers the question スキップ, then cancels.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
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
            }
        });
        watch.start(10);
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
};

}  // namespace tunvex

QTEST_MAIN(tunvex::SortRelayTest)
#include "sort_relay_test.moc"
