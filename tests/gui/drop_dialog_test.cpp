// The drop window offscreen: what a drop carries, failed set-ups, keys, stops, where it opens.
#include <QtTest>
#include <QtWidgets>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/base/catalogue.h"
#include "core/base/owned_fd.h"
#include "gui/dialogs/message_icons.h"
#include "gui/dialogs/window_templates.h"
#include "gui/window/drop_dialog.h"
#include "gui/window/dropped_paths.h"
#include "tests/support/catalogue_with.h"
#include "tests/support/message_recorder.h"
#include "tests/support/next_modal.h"
#include "tests/support/scoped_environment.h"
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

    Settings settings_;
    TagLibrary library_;

  private slots:
    void uriLists() {
        // clang-format off
        const std::pair<QByteArray, Paths> cases[] = {
            {"file:///a%20b\r\nfile:///c/d\r\n", Paths({{"/a b", "/c/d"}})},
            {"# from a file manager\nfile://localhost/x\nfile://here/y", Paths({{"/x", "/y"}})},
            {"file:///%83%5C.mp3", Paths({{"/\x83\x5C.mp3"}})},
            {" FILE:///Z%zz%4\t", Paths({{"/Z%zz%4"}})},
            {"file:///x\nfile://there/y", Paths()},
            {"https://example.org/a.mp3", Paths()},
            {"file:///a%00b", Paths()},
            {"\r\n", Paths()},
        };
        // clang-format on
        for (const auto& [list, paths] : cases)
            QCOMPARE(LocalPathsFromUriList(list, "here"), paths);
    }

    void initialisationFailuresLeaveAWorkingWindow() {
        {
            testing::MessageRecorder recorder;
            CDropDlg window(settings_, library_, {});
            QVERIFY(recorder.shown.empty());
            QVERIFY(!window.windowIcon().isNull());
            QVERIFY(window.acceptDrops());
            // Fixed size, no minimise or maximise: the window manager reads these flags.
            QCOMPARE(window.minimumSize(), window.maximumSize());
            QVERIFY(
                (window.windowFlags() & (Qt::CustomizeWindowHint | Qt::WindowMinMaxButtonsHint)) ==
                Qt::CustomizeWindowHint);
            window.show();
            QAccessibleInterface* area =
                QAccessible::queryAccessibleInterface(window.focusWidget());
            QCOMPARE(area->text(QAccessible::Name), QStringLiteral("ファイルのドロップ先"));
            QVERIFY(!area->text(QAccessible::Description).isEmpty());
        }
        {
            testing::MessageRecorder recorder;
            CDropDlg window(settings_, library_, {},
                            testing::CatalogueWith(kVersionMenuLabel, std::nullopt));
            QCOMPARE(recorder.shown, std::vector<unsigned>{613});
            QVERIFY(window.windowIcon().isNull());
            QVERIFY(window.acceptDrops());
        }
        RemovePictures();
        {
            testing::MessageRecorder recorder;
            CDropDlg window(settings_, library_, {});
            QCOMPARE(recorder.shown, std::vector<unsigned>{618});
            QVERIFY(window.acceptDrops());
        }
        RestorePictures();
    }

    // No key until the sort ends; the source is told a copy whatever it proposed; keypad Enter.
    void keysWaitForTheSortAndTheDropIsACopy() {
        testing::TempFolder empty;
        CDropDlg window(settings_, library_, {});
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

    // Esc on the window while it sorts, before the progress dialog shows, cancels the sort: the
    // summary says so, and the rest stay where they were.
    void escapeOnTheBusyWindowCancelsTheSort() {
        TagLibrary library;
        QVERIFY(BindTagLibrary(library,
                               testing::CatalogueWith(kTagLibraryFileName, "fake_plain_kind.dll")));
        testing::TempFolder in, out;
        for (int i = 0; i < 3000; ++i)
            testing::WriteFile(in / (std::to_string(i) + ".mp3"), "x");
        Settings settings = settings_;
        settings.BaseFolderPath = out.path();
        CDropDlg window(settings, library, {});
        window.show();
        QString said;
        testing::AnswerNextModal<QMessageBox>([&](QMessageBox* box) {
            said = box->text();
            box->accept();
        });
        QTimer::singleShot(0, [&] { QTest::keyClick(&window, Qt::Key_Escape); });
        window.OnDropFiles({in.path()});
        QVERIFY2(said.startsWith(QStringLiteral("キャンセルしました。")), qPrintable(said));
        QVERIFY(window.isVisible());
        const auto copied = std::distance(std::filesystem::recursive_directory_iterator(out.path()),
                                          std::filesystem::recursive_directory_iterator());
        QVERIFY(copied < 3000);
        UnloadTagLibrary(library);
    }

    // The undo item is greyed until there is a run to undo; a screen reader hears its name.
    void theUndoItemWaitsForARunToUndo() {
        testing::TempFolder state;
        testing::ScopedEnvironment stateHome("XDG_STATE_HOME", state.path());
        CDropDlg window(settings_, library_, {});
        auto* menu = window.findChild<QMenu*>();
        const QList<QAction*> items = menu->actions();
        const auto undoAt = std::find_if(items.begin(), items.end(), [](QAction* item) {
            return item->text().startsWith(QStringLiteral("最後の振り分け"));
        });
        QVERIFY(undoAt != items.end() && undoAt + 1 != items.end());
        QAction* undo = *undoAt;
        QAction* undoBefore = *(undoAt + 1);
        // A journal its run still holds is not offered; the next item reaches the run before.
        OwnedFd held;
        const std::string journal = state / "tunvex/run.journal";
        for (const char* step : {"none", "held", "kept", "two"}) {
            if (step == std::string("held")) {
                std::filesystem::create_directory(state / "tunvex");
                testing::WriteFile(journal, "tunvex-journal\t2\tmove\t0\n");
                chmod(journal.c_str(), 0600);
                held = OwnedFd(open(journal.c_str(), O_RDONLY | O_CLOEXEC));
                QCOMPARE(flock(held.get(), LOCK_EX), 0);
            } else if (step == std::string("kept")) {
                held.Reset();
            } else if (step == std::string("two")) {
                std::filesystem::copy_file(journal, state / "tunvex/older.journal");
                chmod((state / "tunvex/older.journal").c_str(), 0600);
            }
            emit menu->aboutToShow();
            QCOMPARE(undo->isEnabled(), step != std::string("none") && step != std::string("held"));
            QCOMPARE(undoBefore->isEnabled(), step == std::string("two"));
        }
        QAccessibleInterface* item =
            QAccessible::queryAccessibleInterface(menu)->child(int(undoAt - items.begin()));
        QCOMPARE(item->text(QAccessible::Name), QStringLiteral("最後の振り分けを元に戻す..."));
    }

    // A stop signal ends what is open above the window too, not only the window.
    void aStopEndsTheDialogsAboveTheWindow() {
        CDropDlg window(settings_, library_, {});
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

    // A stored position is kept unless no screen would show any of the window, however far off.
    void aPositionOffEveryScreenOpensCentred() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // clang-format off
        const std::tuple<int, int, bool> positions[] = {
            {5000, -4000, true}, {100, 80, false}, {2147483647, 2147483647, true},
            {-2147483647 - 1, 100, true}, {100, 2147483600, true}};
        // clang-format on
        for (auto [x, y, centred] : positions) {
            settings_.WindowPositionX = x;
            settings_.WindowPositionY = y;
            CDropDlg window(settings_, library_, {});
            window.show();
            // Placed again once the frame is known, as on a desktop.
            auto offset = [&] {
                QRect frame = window.frameGeometry();
                return centred ? frame.center() - screen.center() : frame.topLeft() - QPoint(x, y);
            };
            QVERIFY2(QTest::qWaitFor([&] { return offset().manhattanLength() <= 2; }, 3000),
                     qPrintable(QString::number(x)));
        }
    }

    // At 1.5 and 2 device pixels a pixel the background keeps its 1x look, not the bitmap scaled.
    void theBackgroundIsSharpAtHighPixelRatios() {
        CDropDlg window(settings_, library_, {});
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

    // At 1.5 device pixels a pixel each icon is drawn at 72 pixels, not a 32-pixel bitmap scaled.
    void messageBoxIconsAreDrawnAtTheScreensRatio() {
        InstallDrawnMessageIcons();
        for (QStyle::StandardPixmap kind :
             {QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxWarning,
              QStyle::SP_MessageBoxCritical, QStyle::SP_MessageBoxQuestion}) {
            const QImage drawn =
                QApplication::style()->standardIcon(kind).pixmap(QSize(48, 48), 1.5).toImage();
            QCOMPARE(drawn.size(), QSize(72, 72));
            QCOMPARE(qAlpha(drawn.pixel(36, 8)), 255);
            QCOMPARE(qAlpha(drawn.pixel(0, 0)), 0);
        }
    }
};

}  // namespace tunvex

QTEST_MAIN(tunvex::DropDialogTest)
#include "drop_dialog_test.moc"
