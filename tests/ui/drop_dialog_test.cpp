// The drop window's logic on Qt's offscreen platform: what a drop carries, and the failure rows
// of its initialisation, each leaving a working window.
#include <QMenu>
#include <QtTest>

#include "app/catalogue.h"
#include "app/tunvex_app.h"
#include "tests/support/message_recorder.h"
#include "ui/drop_dialog.h"
#include "ui/dropped_paths.h"

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
            ScopedCatalogueEntry missing(kVersionMenuLabel, std::nullopt);
            testing::MessageRecorder recorder;
            CDropDlg window(app);
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
};

}  // namespace tunvex

QTEST_MAIN(tunvex::DropDialogTest)
#include "drop_dialog_test.moc"
