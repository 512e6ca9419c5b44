// The built help file, every page and link in it; its viewer offscreen; one viewer at a time.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QtTest>
#include <QtWidgets>
#include <fstream>
#include <regex>
#include <set>

#include "core/base/paths.h"
#include "gui/help/chm_archive.h"
#include "gui/help/help_sitemap.h"
#include "gui/help/help_viewer.h"
#include "gui/help_launcher.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wait_until.h"

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

const std::string kHelpFile = ExecutableDirectory() + "/tunvex.chm";

// "page.html#anchor", relative to the archive's root: the page exists and holds the anchor.
void ExpectTarget(ChmArchive& archive, const std::string& link, const std::string& from) {
    const std::size_t hash = link.find('#');
    std::optional<std::string> text = archive.Read(link.substr(0, hash));
    ASSERT_TRUE(text) << from << " links to a missing " << link;
    if (hash != std::string::npos) {
        EXPECT_NE(text->find("id=\"" + link.substr(hash + 1) + "\""), std::string::npos)
            << from << " links to a missing anchor " << link;
    }
}

// The pages that the topics of a contents or index file and their children lead to.
void ExpectTopicTargets(ChmArchive& archive, const std::string& file,
                        const std::vector<HelpTopic>& topics, std::set<std::string>& pages) {
    for (const HelpTopic& topic : topics) {
        ExpectTarget(archive, topic.local, file + " " + topic.name);
        pages.insert(topic.local.substr(0, topic.local.find('#')));
        ExpectTopicTargets(archive, file, topic.children, pages);
    }
}

TEST(HelpFileTest, HoldsEveryPageReachedFromItsContentsAndEveryLinkResolves) {
    std::unique_ptr<ChmArchive> archive = ChmArchive::Open(kHelpFile);
    ASSERT_TRUE(archive) << kHelpFile;
    std::set<std::string> files, inContents, inIndex;
    for (const std::string& path : archive->FilePaths())
        files.insert(path.substr(1));
    for (const auto& entry : std::filesystem::directory_iterator(TUNVEX_HELP_SOURCE_DIR)) {
        const std::string name = entry.path().filename();
        EXPECT_TRUE(files.contains(name) || !(name.ends_with(".html") || name.ends_with(".css")))
            << name;
    }
    const std::vector<HelpTopic> contents =
        ParseSitemap(archive->Read(archive->info().contentsFile).value_or(""));
    ASSERT_GE(contents.size(), 4u);
    ExpectTopicTargets(*archive, "contents", contents, inContents);
    ExpectTopicTargets(*archive, "index",
                       ParseSitemap(archive->Read(archive->info().indexFile).value_or("")),
                       inIndex);
    EXPECT_GE(inIndex.size(), 6u);

    const std::regex reference(R"re((href|src)="([^"]*)")re");
    for (const std::string& path : archive->FilePaths()) {
        if (!path.ends_with(".html"))
            continue;
        EXPECT_TRUE(inContents.contains(path.substr(1))) << path << " is not in the contents";
        const std::string text = archive->Read(path).value_or("");
        for (std::sregex_iterator it(text.begin(), text.end(), reference), end; it != end; ++it) {
            const std::string link = (*it)[2];
            ASSERT_EQ(link.find(':'), std::string::npos) << path << ": " << link;
            ExpectTarget(*archive, link.front() == '#' ? path.substr(1) + link : link, path);
        }
    }
}

TEST(ParseSitemapTest, NestsTopicsAsTheirListsNest) {
    const std::string text = R"(<HTML><BODY><OBJECT type="text/site properties">
        <param name="ImageType" value="Folder"></OBJECT>
        <UL><LI><OBJECT type="text/sitemap"><param name="Name" value="A &amp; B">
              <param name="Local" value="a.html"><param name="Local" value="ignored.html"></OBJECT>
          <UL><LI><object TYPE='text/sitemap'><PARAM NAME='name' VALUE='a1'>
                <param name=local value=a.html#one></object>
              <LI><OBJECT type="text/sitemap"><param name="Name" value="&#x6D77;&#12408;"></OBJECT>
          </UL>
          <LI><OBJECT type="text/sitemap"><param name="Local" value="nameless.html"></OBJECT>
          <LI><OBJECT type="text/sitemap"><param name="Name" value="B"><param name="Local" value="b.html">
        </UL></BODY></HTML>)";
    const std::vector<HelpTopic> topics = ParseSitemap(text);
    ASSERT_EQ(topics.size(), 2u);
    EXPECT_EQ(topics[0].name + "|" + topics[0].local, "A & B|a.html");
    ASSERT_EQ(topics[0].children.size(), 2u);
    EXPECT_EQ(topics[0].children[0].name + "|" + topics[0].children[0].local, "a1|a.html#one");
    EXPECT_EQ(topics[0].children[1].name + "|" + topics[0].children[1].local, "海へ|");
    EXPECT_EQ(topics[1].name, "B") << "an object left open ends with its list";
}

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
    QTextBrowser* Browser() { return viewer.findChild<QTextBrowser*>(); }
    QTreeWidget* Contents() { return viewer.findChild<QTreeWidget*>(); }

    HelpViewer viewer;
};

// By keys as well: the focus starts in the contents, Enter opens an entry, Alt+Left goes back.
TEST_F(HelpViewerTest, OpensAtTheDefaultTopicAndNavigates) {
    viewer.OpenFile(kHelpFile);
    EXPECT_EQ(Title(), "tunvex とは - tunvex ヘルプ");
    EXPECT_EQ(Browser()->source().toString(), "chm:///index.html");
    EXPECT_EQ(Contents()->currentItem()->text(0).toStdString(), "tunvex とは");
    EXPECT_GE(viewer.findChild<QListWidget*>()->count(), 20);
    const QTextBlock heading = Browser()->document()->firstBlock();
    EXPECT_EQ(heading.blockFormat().headingLevel(), 1);
    EXPECT_EQ(heading.charFormat().foreground().color(), QColor("#1f3f77")) << "style.css";
    for (const char* picture : {"pictures/tunvex.png", "pictures/window.png"}) {
        const QVariant data = Browser()->loadResource(QTextDocument::ImageResource, QUrl(picture));
        EXPECT_FALSE(QImage::fromData(data.toByteArray()).isNull()) << picture;
    }

    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
    EXPECT_EQ(QApplication::focusWidget(), Contents());
    const std::pair<std::vector<QKeyCombination>, std::string> keys[] = {
        {{Qt::Key_Down, Qt::Key_Return}, "ファイルのドロップ"},
        {{Qt::AltModifier | Qt::Key_Left}, "tunvex とは"},
        {{Qt::Key_End, Qt::Key_Return}, "ファイルが振り分けられないとき"},
    };
    for (const auto& [pressed, page] : keys) {
        for (QKeyCombination key : pressed)
            QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        EXPECT_EQ(Title(), page + " - tunvex ヘルプ");
    }

    emit Browser()->anchorClicked(QUrl("chm:///settings.html#file"));
    EXPECT_EQ(Title(), "設定ダイアログ - tunvex ヘルプ");
    EXPECT_EQ(Contents()->currentItem()->text(0).toStdString(), "設定ファイル");
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

// Web and mail links go to the desktop's opener; any other outside link is refused, said below.
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
    viewer.OpenFile(kHelpFile);
    for (const auto& [link, handed] : cases) {
        opener.opened.clear();
        emit Browser()->anchorClicked(QUrl(link));
        EXPECT_EQ(opener.opened, handed ? QStringList{link} : QStringList{}) << link;
        EXPECT_EQ(viewer.statusBar()->currentMessage().contains("開けません"), !handed) << link;
        EXPECT_EQ(Title(), "tunvex とは - tunvex ヘルプ") << link;
    }
    emit Browser()->anchorClicked(QUrl("chm:///settings.html"));
    EXPECT_EQ(viewer.statusBar()->currentMessage(), "");
}

TEST_F(HelpViewerTest, AMissingOrDamagedFileIsSaidInTheViewer) {
    TempFolder temp;
    const std::string whole = ReadFile(kHelpFile);
    WriteFile(temp / "garbage.chm", std::string(whole.size(), 'x'));
    WriteFile(temp / "truncated.chm", whole.substr(0, whole.size() / 2));
    WriteFile(temp / "empty.chm", "");
    const std::pair<std::string, QString> cases[] = {
        {temp / "missing.chm", "が見つかりません"},
        {temp / "garbage.chm", "壊れているか"},
        {temp / "truncated.chm", "壊れているか"},
        {temp / "empty.chm", "壊れているか"},
    };
    for (const auto& [path, said] : cases) {
        viewer.OpenFile(path);
        EXPECT_TRUE(Browser()->toPlainText().contains(said))
            << path << ": " << Browser()->toPlainText().toStdString();
        EXPECT_NE(Title(), "tunvex とは - tunvex ヘルプ");
    }
    viewer.OpenFile(kHelpFile);
    EXPECT_EQ(Title(), "tunvex とは - tunvex ヘルプ");
}

// Our children that run the viewer, once there are expected of them or after some seconds.
std::vector<pid_t> ViewerProcesses(std::size_t expected) {
    std::vector<pid_t> found;
    testing::WaitUntil([&] {
        found.clear();
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
        return found.size() == expected;
    });
    return found;
}

TEST_F(HelpViewerTest, OneViewerAtATime) {
    ASSERT_TRUE(ShowHtmlHelp(kHelpFile));
    const std::vector<pid_t> first = ViewerProcesses(1);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_TRUE(ShowHtmlHelp(kHelpFile, "advanced.html"));
    EXPECT_EQ(ViewerProcesses(1), first) << "the running viewer is brought forward";
    TempFolder temp;
    ASSERT_TRUE(ShowHtmlHelp(temp / "other.chm"));
    const std::vector<pid_t> second = ViewerProcesses(1);
    ASSERT_EQ(second.size(), 1u) << "the viewer of the first file has closed";
    EXPECT_NE(second, first);
}

}  // namespace
}  // namespace tunvex

#include "help_viewer_test.moc"
