#include "BasisDialog.h"
#include "QtApplicationWindows.h"
#include "UiTestSupport.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

class QtApplicationWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        main.setCentralWidget(new QWidget);
        main.menuBar()->addMenu("&File");
        toolBar = main.addToolBar("tools");
        main.statusBar()->showMessage("ready");
        main.show();
    }

    QMainWindow main;
    QToolBar* toolBar = nullptr;
};

TEST_F(QtApplicationWindowsTest, DisablesTheControlsButNotTheDialogs) {
    QtApplicationWindows windows(&main);
    TNBasisDialog dialog(&main);
    dialog.show();

    windows.setMainWindowEnabled(false);
    EXPECT_FALSE(windows.mainWindowEnabled());
    EXPECT_FALSE(main.centralWidget()->isEnabled());
    EXPECT_FALSE(main.menuBar()->isEnabled());
    EXPECT_FALSE(toolBar->isEnabled());
    EXPECT_TRUE(dialog.isEnabled());
    EXPECT_TRUE(dialog.btn1->isEnabled());

    windows.setMainWindowEnabled(true);
    EXPECT_TRUE(main.centralWidget()->isEnabled());
    EXPECT_TRUE(main.menuBar()->isEnabled());
    EXPECT_TRUE(toolBar->isEnabled());
}

TEST_F(QtApplicationWindowsTest, EnablingGivesBackOnlyWhatItTook) {
    QtApplicationWindows windows(&main);
    toolBar->setEnabled(false);  // the program's own choice
    windows.setMainWindowEnabled(false);
    windows.setMainWindowEnabled(false);  // twice: still one state to undo
    windows.setMainWindowEnabled(true);
    EXPECT_FALSE(toolBar->isEnabled());
    EXPECT_TRUE(main.centralWidget()->isEnabled());
}

TEST_F(QtApplicationWindowsTest, WorksThroughTheHubWithNestedDialogs) {
    QtApplicationWindows windows(&main);
    AutomationHub hub(&windows);
    hub.RegisterModalWindow(11);
    hub.RegisterModalWindow(12);
    hub.UnregisterModalWindow(12);
    EXPECT_FALSE(main.centralWidget()->isEnabled());
    hub.UnregisterModalWindow(11);
    EXPECT_TRUE(main.centralWidget()->isEnabled());
}

TEST_F(QtApplicationWindowsTest, RaisesTheWindowWithThatHandle) {
    QtApplicationWindows windows(&main);
    QWidget other;
    other.show();
    other.activateWindow();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &other);

    windows.raiseWindow(static_cast<WindowHandle>(main.winId()));
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &main);

    // Unknown handles and 0 are ignored.
    windows.raiseWindow(0);
    windows.raiseWindow(0x7FFFFFF0);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &main);
}

TEST_F(QtApplicationWindowsTest, QuitBeforeTheLoopMakesExecReturnAtOnce) {
    QtApplicationWindows windows(&main);
    AutomationHub hub(&windows);
    hub.RequestCloseApplication();
    EXPECT_TRUE(hub.closeRequested());
    EXPECT_TRUE(windows.quitRequested());
    // Would block for good if the request were lost.
    EXPECT_EQ(windows.exec(), 0);
}

TEST_F(QtApplicationWindowsTest, QuitEndsARunningLoopAndItsDialogs) {
    QtApplicationWindows windows(&main);
    TNBasisDialog dialog(&main);
    int dialogResult = -1;
    bool dialogReturned = false;
    // In the loop: a modal dialog opens, and from inside it the application is ended.
    QTimer::singleShot(0, &main, [&] {
        ModalScript script([&](QWidget*) { windows.quitApplication(); });
        dialogResult = dialog.exec();
        dialogReturned = true;
        dialog.hide();
    });
    EXPECT_EQ(windows.exec(), 0);
    EXPECT_TRUE(dialogReturned);
    EXPECT_EQ(dialogResult, 0);
    EXPECT_TRUE(windows.quitRequested());
}

TEST(QtApplicationWindowsWithoutMain, IsHarmless) {
    QtApplicationWindows windows;
    windows.setMainWindowEnabled(false);
    EXPECT_FALSE(windows.mainWindowEnabled());
    // A main window set later takes over the current state.
    QMainWindow main;
    main.setCentralWidget(new QWidget);
    windows.setMainWindow(&main);
    EXPECT_FALSE(main.centralWidget()->isEnabled());
    windows.setMainWindowEnabled(true);
    EXPECT_TRUE(main.centralWidget()->isEnabled());
}

}  // namespace
