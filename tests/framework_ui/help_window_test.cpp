// The help window over our own help-file fixture (tests/framework/help): topics, the default
// page, links inside the file, pictures, and what a missing file or page gives.
#include "HelpWindow.h"

#include "TempDir.h"
#include "UiTestSupport.h"

#include <QCoreApplication>
#include <QDialog>
#include <QWindow>
#include <QImage>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
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

TEST_F(HelpWindowTest, BackStaysInsideOneHelpFile) {
    TempDir dir;
    const std::string other = (dir / "Other.chm").string();
    std::filesystem::copy_file(kFixture, other);
    ASSERT_TRUE(ShowHtmlHelpTopic(kFixture, "1203"));
    ASSERT_TRUE(ShowHtmlHelp(kFixture));
    ASSERT_TRUE(helpWindow()->browser()->isBackwardAvailable());
    // Another file: nothing to go back to, its first page is where its history starts.
    ASSERT_TRUE(ShowHtmlHelpTopic(other, "1203"));
    auto* back = helpWindow()->findChild<QPushButton*>(QStringLiteral("btnBack"));
    EXPECT_FALSE(back->isEnabled());
    EXPECT_FALSE(helpWindow()->browser()->isBackwardAvailable());
    ASSERT_TRUE(ShowHtmlHelp(other));
    back->click();
    EXPECT_EQ(helpWindow()->currentFile(), other);
    EXPECT_EQ(helpWindow()->currentPage(), "/1203.htm");
    helpWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Notes every window that Qt blocks for a modal dialog.
class BlockedWindows : public QObject {
public:
    BlockedWindows() { qApp->installEventFilter(this); }
    ~BlockedWindows() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowBlocked) blocked.insert(watched);
        if (event->type() == QEvent::WindowUnblocked) blocked.erase(watched);
        return false;
    }
    std::set<QObject*> blocked;
};

TEST_F(HelpWindowTest, HelpFromAModalDialogCanBeUsedBesideIt) {
    // The help window is new, or was open already before the dialog.
    for (const bool openBefore : {false, true}) {
        SCOPED_TRACE(openBefore ? "open before the dialog" : "opened inside the dialog");
        if (openBefore) {
            ASSERT_TRUE(ShowHtmlHelp(kFixture));
        }
        BlockedWindows windows;
        QDialog dialog;
        bool helpShown = false;
        bool helpBlocked = true;
        ModalScript script([&](QWidget*) {
            helpShown = ShowHtmlHelpTopic(kFixture, "1203");
            QCoreApplication::processEvents();
            helpBlocked = windows.blocked.count(helpWindow()) != 0 ||
                          windows.blocked.count(static_cast<QObject*>(helpWindow()->windowHandle())) != 0;
            dialog.reject();
        });
        dialog.exec();
        ASSERT_TRUE(script.ran());
        EXPECT_TRUE(helpShown);
        EXPECT_FALSE(helpBlocked);
        // It outlives the dialog.
        ASSERT_NE(helpWindow(), nullptr);
        EXPECT_TRUE(helpWindow()->isVisible());
        helpWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
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
