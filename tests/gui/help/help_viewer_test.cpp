// The help viewer on Qt's offscreen platform: pages, pictures, style, links, contents, index,
// history, and what a missing or damaged file shows; then the launcher's one viewer at a time.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <chrono>
#include <fstream>
#include <thread>

#include "core/base/paths.h"
#include "gui/help/help_viewer.h"
#include "gui/help_launcher.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// Stands in for the desktop's opener, through Qt's own hook for it.
class LinkRecorder : public QObject {
    Q_OBJECT

  public slots:
    void Open(const QUrl& url) { opened.append(url.toString()); }

  public:
    QStringList opened;
};

class HelpViewerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "help_viewer_test";
        static char* argv[] = {name, nullptr};
        // Never destroyed: Qt's test input device must not outlive it at exit.
        static QApplication* application = new QApplication(argc, argv);
        (void)application;
    }

    std::string Title() const { return viewer.windowTitle().toStdString(); }
    std::string Current(QTreeWidget* tree) { return tree->currentItem()->text(0).toStdString(); }
    QTextBrowser* Browser() { return viewer.findChild<QTextBrowser*>(); }
    QTreeWidget* Contents() { return viewer.findChild<QTreeWidget*>(); }
    QTreeWidgetItem* ContentsEntry(const QString& name) {
        return Contents()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }

    std::string helpFile = ExecutableDirectory() + "/tunvex.chm";
    HelpViewer viewer;
};

TEST_F(HelpViewerTest, OpensAtTheDefaultTopicWithItsStyleAndPictures) {
    viewer.OpenFile(helpFile);
    EXPECT_EQ(Title(), "tunvex とは - tunvex ヘルプ");
    EXPECT_EQ(Browser()->source().toString(), "chm:///index.html");
    EXPECT_EQ(Current(Contents()), "tunvex とは");
    EXPECT_GE(Contents()->topLevelItemCount(), 4);
    EXPECT_GE(viewer.findChild<QListWidget*>()->count(), 20);

    QTextDocument* document = Browser()->document();
    const QTextBlock heading = document->firstBlock();
    EXPECT_EQ(heading.blockFormat().headingLevel(), 1);
    EXPECT_EQ(heading.charFormat().foreground().color(), QColor("#1f3f77")) << "style.css";
    for (const char* picture : {"pictures/tunvex.png", "pictures/window.png"}) {
        const QVariant data = Browser()->loadResource(QTextDocument::ImageResource, QUrl(picture));
        EXPECT_FALSE(QImage::fromData(data.toByteArray()).isNull()) << picture;
    }
}

TEST_F(HelpViewerTest, LinksContentsIndexAndHistoryNavigate) {
    viewer.OpenFile(helpFile);
    emit Browser()->anchorClicked(QUrl("chm:///settings.html#file"));
    EXPECT_EQ(Title(), "設定ダイアログ - tunvex ヘルプ");
    EXPECT_EQ(Current(Contents()), "設定ファイル");
    Browser()->backward();
    EXPECT_EQ(Title(), "tunvex とは - tunvex ヘルプ");

    QTreeWidgetItem* entry = ContentsEntry("tunvex-sort (コマンドライン)");
    ASSERT_TRUE(entry);
    emit Contents()->itemActivated(entry, 0);
    EXPECT_EQ(Title(), "tunvex-sort (コマンドライン) - tunvex ヘルプ");

    QLineEdit* keyword = viewer.findChild<QLineEdit*>();
    QInputMethodEvent typed;  // Japanese arrives from the input method
    typed.setCommitString("ごみ");
    QApplication::sendEvent(keyword, &typed);
    EXPECT_EQ(viewer.findChild<QListWidget*>()->currentItem()->text().toStdString(), "ごみ箱");
    QTest::keyClick(keyword, Qt::Key_Return);
    EXPECT_EQ(Title(), "同名ファイルとごみ箱 - tunvex ヘルプ");

    emit Browser()->anchorClicked(QUrl("chm:///no-such-page.html"));
    EXPECT_EQ(Title(), "ページが見つかりません - tunvex ヘルプ");
    viewer.ShowDefaultTopic();
    EXPECT_EQ(Title(), "tunvex とは - tunvex ヘルプ");
}

// Web and mail links go to the desktop's opener; any other link outside the file is refused with
// a line in the viewer, the page staying.
TEST_F(HelpViewerTest, OnlyWebAndMailLinksLeaveTheViewer) {
    LinkRecorder opener;
    const std::pair<const char*, bool> cases[] = {
        {"https://example.org/", true},
        {"mailto:someone@example.org", true},
        {"file:///usr/share/applications/x.desktop", false},
        {"ftp://example.org/", false},
    };
    for (const char* scheme : {"https", "mailto", "file", "ftp"})
        QDesktopServices::setUrlHandler(scheme, &opener, "Open");
    viewer.OpenFile(helpFile);
    for (const auto& [link, handed] : cases) {
        opener.opened.clear();
        emit Browser()->anchorClicked(QUrl(link));
        EXPECT_EQ(opener.opened, handed ? QStringList{link} : QStringList{}) << link;
        EXPECT_EQ(viewer.statusBar()->currentMessage().contains("開けません"), !handed) << link;
        EXPECT_EQ(Title(), "tunvex とは - tunvex ヘルプ") << link;
    }
    emit Browser()->anchorClicked(QUrl("chm:///settings.html"));
    EXPECT_EQ(Title(), "設定ダイアログ - tunvex ヘルプ");
    EXPECT_EQ(viewer.statusBar()->currentMessage(), "");
}

TEST_F(HelpViewerTest, AMissingOrDamagedFileIsSaidInTheViewer) {
    TempFolder temp;
    const std::string whole = ReadFile(helpFile);
    WriteFile(temp / "garbage.chm", std::string(whole.size(), 'x'));
    WriteFile(temp / "truncated.chm", whole.substr(0, whole.size() / 2));
    const std::pair<std::string, QString> cases[] = {
        {temp / "missing.chm", "が見つかりません"},
        {temp / "garbage.chm", "壊れているか"},
        {temp / "truncated.chm", "壊れているか"},
    };
    for (const auto& [path, said] : cases) {
        viewer.OpenFile(path);
        EXPECT_TRUE(Browser()->toPlainText().contains(said))
            << path << ": " << Browser()->toPlainText().toStdString();
        EXPECT_NE(Title(), "tunvex とは - tunvex ヘルプ");
    }
    viewer.OpenFile(helpFile);
    EXPECT_EQ(Title(), "tunvex とは - tunvex ヘルプ");
}

// Our children that run the viewer.
std::vector<pid_t> ViewerProcesses() {
    std::vector<pid_t> found;
    DIR* proc = opendir("/proc");
    while (dirent* entry = readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string pid, name, state;
        pid_t parent = 0;
        if (stat >> pid >> name >> state >> parent && parent == getpid() &&
            name == "(tunvex-help)" && state != "Z")
            found.push_back(std::stoi(pid));
    }
    closedir(proc);
    return found;
}

std::vector<pid_t> ViewerProcessesAfterSettling(std::size_t expected) {
    for (int i = 0; i < 100 && ViewerProcesses().size() != expected; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return ViewerProcesses();
}

TEST_F(HelpViewerTest, OneViewerAtATime) {
    ASSERT_TRUE(ShowHtmlHelp(helpFile));
    const std::vector<pid_t> first = ViewerProcessesAfterSettling(1);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_TRUE(ShowHtmlHelp(helpFile));
    EXPECT_EQ(ViewerProcessesAfterSettling(1), first) << "the running viewer is brought forward";

    TempFolder temp;
    ASSERT_TRUE(ShowHtmlHelp(temp / "other.chm"));
    const std::vector<pid_t> second = ViewerProcessesAfterSettling(1);
    ASSERT_EQ(second.size(), 1u) << "the viewer of the first file has closed";
    EXPECT_NE(second, first);
}

}  // namespace
}  // namespace tunvex

#include "help_viewer_test.moc"
