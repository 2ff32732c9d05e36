// Help page names, the help calls against a recording viewer, and reading the pages of a .chm
// file (the fixture in help/, see help/README.md).
#include "ChmFile.h"
#include "HtmlHelp.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string kFixture = KELT_HELP_FIXTURE;

TEST(HelpNames, TopicLocation) {
    struct Case {
        const char* file;
        const char* topic;
        const char* expected;
    } cases[] = {
        {"/opt/kelt/Tarvik.chm", "1203", "/opt/kelt/Tarvik.chm::/1203.htm"},
        {"Tarvik_Fsp.chm", "0", "Tarvik_Fsp.chm::/0.htm"},
        {"a.chm", "", "a.chm::/.htm"},
    };
    for (const Case& c : cases) EXPECT_EQ(helpTopicLocation(c.file, c.topic), c.expected);
}

TEST(HelpNames, SplitLocation) {
    struct Case {
        const char* location;
        const char* file;
        const char* page;
    } cases[] = {
        {"/opt/kelt/Tarvik.chm::/1203.htm", "/opt/kelt/Tarvik.chm", "/1203.htm"},
        {"/opt/kelt/Tarvik.chm", "/opt/kelt/Tarvik.chm", ""},
        {"x.chm::/sub/detail.htm#part", "x.chm", "/sub/detail.htm#part"},
        {"x.chm::", "x.chm", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        const std::optional<HelpLocation> split = splitHelpLocation(c.location);
        ASSERT_TRUE(split.has_value());
        EXPECT_EQ(split->file, c.file);
        EXPECT_EQ(split->page, c.page);
    }
    EXPECT_FALSE(splitHelpLocation("").has_value());
}

class RecordingViewer final : public HtmlHelpViewer {
public:
    std::vector<std::string> shown;
    bool answer = true;
    bool displayTopic(const std::string& location) override {
        shown.push_back(location);
        return answer;
    }
};

class HelpCalls : public ::testing::Test {
protected:
    RecordingViewer viewer;
    HtmlHelpViewer* previous = nullptr;
    void SetUp() override {
        previous = installHtmlHelpViewer(nullptr);
        LoadHtmlHelp();
    }
    void TearDown() override {
        installHtmlHelpViewer(previous);
        LoadHtmlHelp();
    }
};

TEST_F(HelpCalls, WithoutViewerHelpIsNotAvailable) {
    EXPECT_FALSE(LoadHtmlHelp());
    EXPECT_FALSE(HtmlHelpAvailable());
    EXPECT_FALSE(ShowHtmlHelp(kFixture));
    EXPECT_FALSE(ShowHtmlHelpTopic(kFixture, "1203"));
}

TEST_F(HelpCalls, HelpNeedsLoadingFirst) {
    installHtmlHelpViewer(&viewer);
    // Installed after the last load: help stays unavailable until loaded again.
    EXPECT_FALSE(ShowHtmlHelp(kFixture));
    EXPECT_TRUE(viewer.shown.empty());
    EXPECT_TRUE(LoadHtmlHelp());
    EXPECT_TRUE(HtmlHelpAvailable());
    EXPECT_TRUE(ShowHtmlHelp(kFixture));
    EXPECT_EQ(viewer.shown, std::vector<std::string>{kFixture});
}

TEST_F(HelpCalls, FileAndTopicReachTheViewer) {
    installHtmlHelpViewer(&viewer);
    ASSERT_TRUE(LoadHtmlHelp());
    EXPECT_TRUE(ShowHtmlHelpTopic(kFixture, "1203"));
    EXPECT_EQ(viewer.shown, std::vector<std::string>{kFixture + "::/1203.htm"});
    viewer.answer = false;  // the viewer could not open a window
    EXPECT_FALSE(ShowHtmlHelp(kFixture));
}

TEST_F(HelpCalls, MissingHelpFileOpensNothing) {
    installHtmlHelpViewer(&viewer);
    ASSERT_TRUE(LoadHtmlHelp());
    TempDir dir;
    EXPECT_FALSE(ShowHtmlHelp((dir / "Missing.chm").string()));
    EXPECT_FALSE(ShowHtmlHelpTopic((dir / "Missing.chm").string(), "1203"));
    EXPECT_FALSE(ShowHtmlHelp(dir.path().string()));  // a folder is no help file
    EXPECT_FALSE(ShowHtmlHelp(""));
    EXPECT_TRUE(viewer.shown.empty());
}

// --- the .chm reader --------------------------------------------------------------------------

TEST(ChmReader, PagesOfTheFixture) {
    std::string error;
    const auto chm = ChmFile::open(kFixture, &error);
    ASSERT_TRUE(chm) << error;
    EXPECT_EQ(chm->defaultPage(), "/index.htm");

    const std::optional<std::string> topic = chm->read("/1203.htm");
    ASSERT_TRUE(topic.has_value());
    EXPECT_NE(topic->find("Topic 1203"), std::string::npos);
    EXPECT_EQ(chm->read("1203.htm"), topic);  // the leading slash is optional
    EXPECT_TRUE(chm->contains("/sub/detail.htm"));

    const std::optional<std::string> picture = chm->read("/dot.png");
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->substr(1, 3), "PNG");
    EXPECT_EQ(chm->read("/dot.png", 10), std::nullopt);  // above the size limit

    EXPECT_FALSE(chm->read("/9999.htm").has_value());
    EXPECT_FALSE(chm->contains("/9999.htm"));
    EXPECT_FALSE(chm->read(std::string(600, 'a')).has_value());  // longer than any stored path

    const std::vector<std::string> objects = chm->objects();
    for (const char* page : {"/index.htm", "/1203.htm", "/sub/detail.htm", "/dot.png"})
        EXPECT_NE(std::find(objects.begin(), objects.end(), page), objects.end()) << page;
}

TEST(ChmReader, NonHelpFilesAreRefused) {
    TempDir dir;
    TempDir::writeFile(dir / "fake.chm", "ITSF but not really a help file");
    TempDir::writeFile(dir / "empty.chm", "");
    struct Case {
        std::filesystem::path file;
    } cases[] = {{dir / "fake.chm"}, {dir / "empty.chm"}, {dir / "missing.chm"}, {dir.path()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string());
        std::string error;
        EXPECT_EQ(ChmFile::open(c.file, &error), nullptr);
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
