// The built help file: every page of res/help/ is in it, and every link of its contents, its
// index and its pages leads to a page (and an anchor) that exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "core/base/paths.h"
#include "gui/help/chm_archive.h"
#include "gui/help/help_sitemap.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

namespace fs = std::filesystem;

class HelpFileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(archive) << "no help file at " << helpFile; }

    // "page.html#anchor", relative to the archive's root: the page exists and holds the anchor.
    void ExpectTarget(const std::string& link, const std::string& from) {
        const std::size_t hash = link.find('#');
        const std::string page = link.substr(0, hash);
        std::optional<std::string> text = archive->Read(page);
        ASSERT_TRUE(text) << from << " links to a missing " << link;
        if (hash != std::string::npos) {
            EXPECT_NE(text->find("id=\"" + link.substr(hash + 1) + "\""), std::string::npos)
                << from << " links to a missing anchor " << link;
        }
    }

    void ExpectTopicTargets(const std::vector<HelpTopic>& topics, const std::string& file,
                            std::set<std::string>& pages) {
        for (const HelpTopic& topic : topics) {
            ExpectTarget(topic.local, file + " " + topic.name);
            pages.insert(topic.local.substr(0, topic.local.find('#')));
            ExpectTopicTargets(topic.children, file, pages);
        }
    }

    std::string helpFile = ExecutableDirectory() + "/tunvex.chm";
    std::unique_ptr<ChmArchive> archive = ChmArchive::Open(helpFile);
};

TEST_F(HelpFileTest, HoldsEveryPageAndPictureAndNamesItsDefaultTopic) {
    EXPECT_EQ(archive->info().title, "tunvex ヘルプ");
    EXPECT_EQ(archive->info().defaultTopic, "index.html");
    ExpectTarget(archive->info().defaultTopic, "#SYSTEM");
    std::set<std::string> files;
    for (const std::string& path : archive->FilePaths())
        files.insert(path.substr(1));
    for (const auto& entry : fs::directory_iterator(TUNVEX_HELP_SOURCE_DIR)) {
        const std::string name = entry.path().filename();
        if (name.ends_with(".html") || name.ends_with(".css")) {
            EXPECT_TRUE(files.contains(name)) << name;
        }
    }
    EXPECT_TRUE(files.contains("pictures/tunvex.png"));
    EXPECT_TRUE(files.contains("pictures/window.png"));
}

TEST_F(HelpFileTest, ContentsAndIndexLeadToExistingPagesAndContentsReachesEveryPage) {
    std::set<std::string> inContents;
    std::optional<std::string> contents = archive->Read(archive->info().contentsFile);
    ASSERT_TRUE(contents);
    const std::vector<HelpTopic> topics = ParseSitemap(*contents);
    ASSERT_GE(topics.size(), 4u);
    ExpectTopicTargets(topics, "contents", inContents);

    std::set<std::string> inIndex;
    std::optional<std::string> index = archive->Read(archive->info().indexFile);
    ASSERT_TRUE(index);
    ExpectTopicTargets(ParseSitemap(*index), "index", inIndex);
    EXPECT_GE(inIndex.size(), 6u);

    for (const std::string& path : archive->FilePaths()) {
        if (path.ends_with(".html")) {
            EXPECT_TRUE(inContents.contains(path.substr(1))) << path << " is not in the contents";
        }
    }
}

TEST_F(HelpFileTest, EveryLinkAndPictureOfEveryPageResolves) {
    const std::regex reference(R"re((href|src)="([^"]*)")re");
    for (const std::string& path : archive->FilePaths()) {
        if (!path.ends_with(".html"))
            continue;
        const std::string text = archive->Read(path).value_or("");
        for (std::sregex_iterator it(text.begin(), text.end(), reference), end; it != end; ++it) {
            const std::string link = (*it)[2];
            ASSERT_EQ(link.find(':'), std::string::npos) << path << ": " << link;
            ExpectTarget(link.front() == '#' ? path.substr(1) + link : link, path);
        }
    }
}

TEST(ChmArchiveTest, AMissingOrForeignFileDoesNotOpen) {
    testing::TempFolder temp;
    testing::WriteFile(temp / "garbage.chm", std::string(4096, 'x'));
    testing::WriteFile(temp / "empty.chm", "");
    for (const char* name : {"missing.chm", "garbage.chm", "empty.chm"})
        EXPECT_FALSE(ChmArchive::Open(temp / name)) << name;
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
    EXPECT_EQ(topics[0].name, "A & B");
    EXPECT_EQ(topics[0].local, "a.html");
    ASSERT_EQ(topics[0].children.size(), 2u);
    EXPECT_EQ(topics[0].children[0].name, "a1");
    EXPECT_EQ(topics[0].children[0].local, "a.html#one");
    EXPECT_EQ(topics[0].children[1].name, "海へ");
    EXPECT_EQ(topics[0].children[1].local, "");
    EXPECT_EQ(topics[1].name, "B") << "an object left open ends with its list";
}

}  // namespace
}  // namespace tunvex
