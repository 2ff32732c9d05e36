// The help window over our own help-file fixture (tests/framework/help): topics, the default
// page, links inside the file, pictures, and what a missing file or page gives.
#include "HelpWindow.h"

#include "TempDir.h"

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kFixture = KELT_HELP_FIXTURE;

class HelpWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        installQtHtmlHelpViewer();
        ASSERT_TRUE(LoadHtmlHelp());
    }
    static QString shownText() { return helpWindow()->browser()->toPlainText(); }
};

void press(QWidget* target, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &up);
}

TEST_F(HelpWindowTest, TopicOpensItsPageWithPictureAndLinks) {
    ASSERT_TRUE(ShowHtmlHelpTopic(kFixture, "1203"));
    HelpWindow* window = helpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->currentFile(), kFixture);
    EXPECT_EQ(window->currentPage(), "/1203.htm");
    EXPECT_TRUE(shownText().contains("Level sensor front axle: signal implausible."));
    const QVariant picture = window->browser()->document()->resource(
        QTextDocument::ImageResource, QUrl(QStringLiteral("dot.png")));
    ASSERT_TRUE(picture.canConvert<QImage>());
    EXPECT_EQ(picture.value<QImage>().size(), QSize(4, 4));

    // Following the link by keyboard, as a user does: Tab to the link, Enter.
    ChmTextBrowser* browser = window->browser();
    browser->setFocus();
    press(browser, Qt::Key_Tab);
    press(browser, Qt::Key_Return);
    EXPECT_EQ(window->currentPage(), "/sub/detail.htm");
    EXPECT_TRUE(shownText().contains("Check the sensor cable."));

    // A relative link up out of the sub folder.
    browser->setSource(QUrl(QStringLiteral("../1203.htm")));
    EXPECT_EQ(window->currentPage(), "/1203.htm");

    auto* back = window->findChild<QPushButton*>(QStringLiteral("btnBack"));
    ASSERT_NE(back, nullptr);
    ASSERT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(window->currentPage(), "/sub/detail.htm");
}

TEST_F(HelpWindowTest, FileAloneOpensItsDefaultPageInTheSameWindow) {
    ASSERT_TRUE(ShowHtmlHelpTopic(kFixture, "1203"));
    HelpWindow* first = helpWindow();
    ASSERT_TRUE(ShowHtmlHelp(kFixture));
    EXPECT_EQ(helpWindow(), first);
    EXPECT_EQ(helpWindow()->currentPage(), "/index.htm");
    EXPECT_TRUE(shownText().contains("Start page of the test help file."));
}

TEST_F(HelpWindowTest, MissingTopicShowsANoticeMissingFileOpensNothing) {
    ASSERT_TRUE(ShowHtmlHelpTopic(kFixture, "9999"));
    EXPECT_EQ(helpWindow()->currentPage(), "/9999.htm");
    EXPECT_TRUE(shownText().contains("Page not found"));
    EXPECT_TRUE(shownText().contains("/9999.htm"));

    TempDir dir;
    TempDir::writeFile(dir / "broken.chm", "this is no help file");
    EXPECT_FALSE(ShowHtmlHelp((dir / "Missing.chm").string()));
    EXPECT_FALSE(ShowHtmlHelpTopic((dir / "Missing.chm").string(), "1203"));
    EXPECT_FALSE(ShowHtmlHelp((dir / "broken.chm").string()));
    // The window keeps what it showed.
    EXPECT_EQ(helpWindow()->currentFile(), kFixture);
    EXPECT_EQ(helpWindow()->currentPage(), "/9999.htm");
}

TEST_F(HelpWindowTest, ClosedWindowIsMadeAgain) {
    ASSERT_TRUE(ShowHtmlHelp(kFixture));
    helpWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(helpWindow(), nullptr);
    ASSERT_TRUE(ShowHtmlHelpTopic(kFixture, "1203"));
    ASSERT_NE(helpWindow(), nullptr);
    EXPECT_TRUE(helpWindow()->isVisible());
    EXPECT_EQ(helpWindow()->currentPage(), "/1203.htm");
}

}  // namespace
