// The drop window's logic on Qt's offscreen platform: what a drop carries, the failure rows of
// its initialisation, each leaving a working window, keys and stops around a sort, where a
// stored position opens, and what the summary box tells.
#include <QMenu>
#include <QMessageBox>
#include <QtTest>

#include "core/files/file_copy.h"
#include "gui/drop_dialog.h"
#include "gui/dropped_paths.h"
#include "gui/sort_progress.h"
#include "gui/tunvex_app.h"
#include "gui/window_templates.h"
#include "tests/support/catalogue_with.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_folder.h"

// The embedded pictures taken away and given back, outside any namespace as Qt's macros need.
void RemovePictures() {
    Q_CLEANUP_RESOURCE(tunvex);
}
void RestorePictures() {
    Q_INIT_RESOURCE(tunvex);
}

namespace tunvex {

using Paths = std::optional<std::vector<std::string>>;

class DropDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void uriLists_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<Paths>("paths");
        QTest::newRow("two files")
            << QByteArray("file:///a%20b\r\nfile:///c/d\r\n") << Paths({{"/a b", "/c/d"}});
        QTest::newRow("local host and comment")
            << QByteArray("# from a file manager\nfile://localhost/x\nfile://here/y")
            << Paths({{"/x", "/y"}});
        QTest::newRow("bytes kept")
            << QByteArray("file:///%83%5C.mp3") << Paths({{"/\x83\x5C.mp3"}});
        QTest::newRow("another host") << QByteArray("file:///x\nfile://there/y") << Paths();
        QTest::newRow("another scheme") << QByteArray("https://example.org/a.mp3") << Paths();
        QTest::newRow("a NUL") << QByteArray("file:///a%00b") << Paths();
        QTest::newRow("empty") << QByteArray("\r\n") << Paths();
    }

    void uriLists() {
        QFETCH(QByteArray, list);
        QFETCH(Paths, paths);
        QCOMPARE(LocalPathsFromUriList(list, "here"), paths);
    }

    void initialisationFailuresLeaveAWorkingWindow() {
        CTunvexApp app;
        {
            testing::MessageRecorder recorder;
            CDropDlg window(app);
            QVERIFY(recorder.shown.empty());
            QVERIFY(!window.windowIcon().isNull());
            QVERIFY(window.acceptDrops());
        }
        {
            testing::MessageRecorder recorder;
            CDropDlg window(app, testing::CatalogueWith(kVersionMenuLabel, std::nullopt));
            QCOMPARE(recorder.shown, std::vector<unsigned>{613});
            QVERIFY(window.windowIcon().isNull());
            QVERIFY(window.acceptDrops());
        }
        RemovePictures();
        {
            testing::MessageRecorder recorder;
            CDropDlg window(app);
            QCOMPARE(recorder.shown, std::vector<unsigned>{618});
            QVERIFY(window.acceptDrops());
        }
        RestorePictures();
    }

    // Until its sort has ended the window takes no key; the source is told a copy whatever it
    // proposed; keypad Enter then ends the window like Enter.
    void keysWaitForTheSortAndTheDropIsACopy() {
        CTunvexApp app;
        testing::TempFolder empty;
        CDropDlg window(app);
        window.show();
        QMimeData data;
        data.setData("text/uri-list", "file://" + QByteArray(empty.path().c_str()) + "\r\n");
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data,
                              Qt::LeftButton, Qt::NoModifier);
        enter.setDropAction(Qt::MoveAction);
        QCoreApplication::sendEvent(&window, &enter);
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        drop.setDropAction(Qt::MoveAction);
        QCoreApplication::sendEvent(&window, &drop);
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
        QTest::keyClick(&window, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QVERIFY(window.isVisible());
        QTest::keyClick(&window, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }

    // A stop signal ends what is open above the window too, not only the window.
    void aStopEndsTheDialogsAboveTheWindow() {
        CTunvexApp app;
        CDropDlg window(app);
        int nestedResult = -1;
        QTimer::singleShot(0, &window, [&] {
            QDialog nested(&window);
            QTimer::singleShot(0, &window, [&] { window.OnStopRequested(); });
            QTimer::singleShot(5000, &nested, [&] { nested.done(7); });
            nestedResult = nested.exec();
        });
        QCOMPARE(window.exec(), int(QDialog::Rejected));
        QCOMPARE(nestedResult, int(QDialog::Rejected));
    }

    // A stored position is kept unless no screen would show any of the window.
    void aPositionOffEveryScreenOpensCentred() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (auto [x, y, centred] : {std::tuple{5000, -4000, true}, {100, 80, false}}) {
            CTunvexApp app;
            app.settings.WindowPositionX = x;
            app.settings.WindowPositionY = y;
            CDropDlg window(app);
            window.show();
            // Placed again once the frame is known, as on a desktop.
            auto offset = [&] {
                QRect frame = window.frameGeometry();
                return centred ? frame.center() - screen.center() : frame.topLeft() - QPoint(x, y);
            };
            QTRY_VERIFY2_WITH_TIMEOUT(offset().manhattanLength() <= 2,
                                      qPrintable(QString::number(x)), 3000);
        }
    }

    // A run that went well shows nothing; one the user must know more of shows one box.
    // On a screen of 1.5 or 2 device pixels a pixel, the background keeps its 1x look (the same
    // picture once scaled back down) and is drawn at that ratio, not scaled up from the bitmap.
    void theBackgroundIsSharpAtHighPixelRatios() {
        CTunvexApp app;
        CDropDlg window(app);
        // The part of the first tile that the window shows.
        const QSize part = QImage(kBitmapResource).size().boundedTo(window.ClientRect().size());
        const QImage bitmap = QImage(kBitmapResource)
                                  .copy(QRect(QPoint(), part))
                                  .convertToFormat(QImage::Format_RGB32);
        auto difference = [](const QImage& a, const QImage& b) {
            qint64 sum = 0;
            for (int y = 0; y < a.height(); ++y) {
                for (int x = 0; x < a.width(); ++x) {
                    QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                    sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                           std::abs(qBlue(p) - qBlue(q));
                }
            }
            return double(sum) / (3.0 * a.width() * a.height());
        };
        for (qreal ratio : {1.5, 2.0}) {
            QImage shown(window.size() * ratio, QImage::Format_RGB32);
            shown.setDevicePixelRatio(ratio);
            window.render(&shown);
            shown.setDevicePixelRatio(1);
            const QImage tile =
                shown.copy(QRect(window.ClientRect().topLeft() * ratio, bitmap.size() * ratio));
            const QImage scaledDown =
                tile.scaled(bitmap.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QVERIFY2(difference(scaledDown, bitmap) < 1, "not the 1x look");
            QVERIFY2(difference(tile, bitmap.scaled(tile.size())) > 0.3, "the bitmap scaled up");
        }
    }

    void summaryBoxTellsWhatTheUserMustKnow() {
        TransferSummary clean{.transferred = 3};
        TransferSummary failed{.transferred = 2, .failed = 1};
        TransferSummary noJournal{.transferred = 3, .journalError = "cannot create /s: No space"};
        TransferSummary attributes{.transferred = 3, .attributesNotKept = kLostOwner | kLostAcl};
        const std::pair<TransferSummary, QString> rows[] = {
            {clean, ""},
            {failed, "2 個のファイルを振り分けました。スキップ 0 個、失敗 1 個\n"},
            {noJournal, "記録を残せませんでした: cannot create /s: No space"},
            {attributes, "一部のファイルの所有者、ACLを保てませんでした"},
        };
        for (const auto& [summary, expected] : rows) {
            QString shown;
            QTimer::singleShot(0, [&shown] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    shown = box->text() + '\n' + box->informativeText();
                    box->accept();
                }
            });
            SortProgress progress(nullptr, CodePage::Utf8, TransferOperation::Copy,
                                  [] { return false; });
            progress.ShowSummary(summary);
            QCoreApplication::processEvents();
            QVERIFY2(expected.isEmpty() ? shown.isEmpty() : shown.contains(expected),
                     qPrintable(shown));
        }
    }
};

}  // namespace tunvex

QTEST_MAIN(tunvex::DropDialogTest)
#include "drop_dialog_test.moc"
