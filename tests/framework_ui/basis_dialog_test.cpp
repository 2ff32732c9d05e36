#include "BasisDialog.h"
#include "ProgramModes.h"
#include "QtApplicationWindows.h"
#include "UiTestSupport.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Automation mode with a connected client whose events are recorded, and the Qt window side
// on a main window of our own.
class AutomationModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        main.setCentralWidget(new QWidget);
        main.setGeometry(100, 100, 900, 700);
        main.show();
        AutomatisierungsModus = 1;
        applicationHub().setWindows(&windows);
        applicationHub().connectClient(0x1234);
        ASSERT_TRUE(applicationHub().attachSink(&sink).ok());
    }
    void TearDown() override {
        EXPECT_TRUE(applicationHub().ModalWindows().empty());
        applicationHub().disconnectClient();
        applicationHub().setWindows(nullptr);
        AutomatisierungsModus = 0;
    }

    bool mainControlsEnabled() const { return main.centralWidget()->isEnabled(); }

    QMainWindow main;
    QtApplicationWindows windows{&main};
    RecordingSink sink;
};

enum class CloseWay { Accept, Reject, Done, CloseBox, Escape, Destroy };

struct CloseCase {
    const char* name;
    CloseWay way;
};

class DialogCloseTest : public AutomationModeTest, public ::testing::WithParamInterface<CloseCase> {};

void closeBy(CloseWay way, std::unique_ptr<TfrmCOMBasisDialog>& dialog) {
    switch (way) {
    case CloseWay::Accept: dialog->accept(); break;
    case CloseWay::Reject: dialog->reject(); break;
    case CloseWay::Done: dialog->done(7); break;
    case CloseWay::CloseBox: dialog->close(); break;
    case CloseWay::Escape: pressEscape(dialog.get()); break;
    case CloseWay::Destroy: dialog.reset(); break;
    }
}

TEST_P(DialogCloseTest, EveryShowingIsAnnouncedAndWithdrawnOnce) {
    auto dialog = std::make_unique<TfrmCOMBasisDialog>(&main);
    for (int showing = 1; showing <= 2 && dialog; ++showing) {
        SCOPED_TRACE(showing);
        dialog->show();
        const WindowHandle handle = dialog->announcedHandle();
        ASSERT_NE(handle, 0u);
        EXPECT_EQ(handle, static_cast<WindowHandle>(dialog->winId()));
        EXPECT_EQ(applicationHub().ModalWindows(), std::vector<WindowHandle>{handle});
        ASSERT_EQ(sink.activated.size(), static_cast<std::size_t>(showing));
        EXPECT_EQ(sink.activated.back(), handle);
        EXPECT_EQ(sink.deactivated, showing - 1);
        EXPECT_FALSE(mainControlsEnabled());

        // Showing again while shown is the same showing.
        dialog->show();
        EXPECT_EQ(sink.activated.size(), static_cast<std::size_t>(showing));

        closeBy(GetParam().way, dialog);
        if (dialog) {
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(dialog->announcedHandle(), 0u);
        }
        EXPECT_TRUE(applicationHub().ModalWindows().empty());
        EXPECT_EQ(sink.deactivated, showing);
        EXPECT_TRUE(mainControlsEnabled());

        // A second hide of the same showing changes nothing.
        if (dialog) dialog->hide();
        EXPECT_EQ(sink.deactivated, showing);
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, DialogCloseTest,
                         ::testing::Values(CloseCase{"Accept", CloseWay::Accept},
                                           CloseCase{"Reject", CloseWay::Reject},
                                           CloseCase{"Done", CloseWay::Done},
                                           CloseCase{"CloseBox", CloseWay::CloseBox},
                                           CloseCase{"Escape", CloseWay::Escape},
                                           CloseCase{"Destroy", CloseWay::Destroy}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AutomationModeTest, ModalExecIsAnnouncedWhileItRuns) {
    TNBasisDialog dialog(&main);
    WindowHandle during = 0;
    WindowHandle shownAs = 0;
    bool mainEnabledDuring = true;
    ModalScript script([&](QWidget*) {
        during = applicationHub().ModalWindows().empty() ? 0 : applicationHub().ModalWindows().back();
        shownAs = static_cast<WindowHandle>(dialog.winId());
        mainEnabledDuring = mainControlsEnabled();
        dialog.btn2->click();
    });
    dialog.closeWith(dialog.btn2, 1);
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_TRUE(script.ran());
    // The native window may be a new one at the next showing; the stack held this showing's.
    EXPECT_EQ(during, shownAs);
    EXPECT_EQ(sink.activated, std::vector<WindowHandle>{shownAs});
    EXPECT_FALSE(mainEnabledDuring);
    EXPECT_EQ(sink.activated.size(), 1u);
    EXPECT_EQ(sink.deactivated, 1);
    EXPECT_TRUE(mainControlsEnabled());
}

TEST_F(AutomationModeTest, MainWindowComesBackOnlyAfterTheLastDialog) {
    TfrmCOMBasisDialog outer(&main);
    TfrmCOMBasisDialog inner(&outer);
    outer.show();
    inner.show();
    EXPECT_EQ(applicationHub().ModalWindows(),
              (std::vector<WindowHandle>{outer.announcedHandle(), inner.announcedHandle()}));

    inner.reject();
    EXPECT_FALSE(mainControlsEnabled());
    EXPECT_EQ(applicationHub().ModalWindows(), std::vector<WindowHandle>{outer.announcedHandle()});
    // The dialogs themselves stay usable while the main window is held.
    EXPECT_TRUE(outer.isEnabled());
    outer.accept();
    EXPECT_TRUE(mainControlsEnabled());

    // Out of order: the outer one closes first, the inner one still holds the main window.
    outer.show();
    inner.show();
    outer.hide();
    EXPECT_FALSE(mainControlsEnabled());
    EXPECT_EQ(applicationHub().ModalWindows(), std::vector<WindowHandle>{inner.announcedHandle()});
    inner.hide();
    EXPECT_TRUE(mainControlsEnabled());
    EXPECT_EQ(sink.activated.size(), 4u);
    EXPECT_EQ(sink.deactivated, 4);
}

TEST_F(AutomationModeTest, DialogIsCentredOnItsOwner) {
    QWidget owner;
    owner.setGeometry(300, 200, 800, 600);
    owner.show();
    TfrmCOMBasisDialog dialog(&owner);
    EXPECT_EQ(dialog.placement(), TfrmCOMBasisDialog::Placement::OwnerCentre);
    dialog.show();
    const QPoint offset = dialog.geometry().center() - owner.geometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
    dialog.hide();
}

TEST(BasisDialogOutsideAutomation, ShowsAndClosesWithoutEvents) {
    ASSERT_EQ(AutomatisierungsModus, 0);
    RecordingSink sink;
    applicationHub().connectClient(1);
    applicationHub().attachSink(&sink);
    TNBasisDialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.announcedHandle(), 0u);
    dialog.close();
    EXPECT_TRUE(applicationHub().ModalWindows().empty());
    EXPECT_TRUE(sink.activated.empty());
    EXPECT_EQ(sink.deactivated, 0);
    applicationHub().disconnectClient();
}

TEST(BasisDialogOutsideAutomation, BasicDialogIsCentredOnTheMainWindow) {
    QMainWindow main;
    main.setGeometry(150, 120, 1000, 700);
    main.show();
    TNBasisDialog dialog;  // no owner: the main window still decides
    EXPECT_EQ(dialog.placement(), TfrmCOMBasisDialog::Placement::MainFormCentre);
    dialog.show();
    const QPoint offset = dialog.geometry().center() - main.geometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
}

TEST(BasisDialogLayout, ButtonsKeepTheirCornerWhenResized) {
    TNBasisDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Basic dialog");
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
    EXPECT_TRUE(dialog.isSizeGripEnabled());
    dialog.show();
    EXPECT_EQ(dialog.size(), QSize(632, 453));
    EXPECT_LT(dialog.minimumSize().width(), dialog.maximumSize().width());

    auto distances = [&] {
        const QRect b1 = dialog.btn1->geometry();
        return QPoint(dialog.width() - b1.right(), dialog.height() - b1.bottom());
    };
    const QPoint before = distances();
    dialog.resize(900, 650);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(dialog.size(), QSize(900, 650));
    EXPECT_EQ(distances(), before);
    // Right to left: btn1, btn2, btn3; the separator lies above them and spans the width.
    EXPECT_GT(dialog.btn1->x(), dialog.btn2->x());
    EXPECT_GT(dialog.btn2->x(), dialog.btn3->x());
    EXPECT_LT(dialog.Panel1->geometry().bottom(), dialog.btn1->y());
    EXPECT_GT(dialog.Panel1->width(), 800);
    EXPECT_GE(dialog.btn1->width(), 75);
}

// A minimum size set for another font grows, when shown, to what the controls need; a larger
// one stays.
TEST(BasisDialogLayout, MinimumSizeLeavesRoomForTheControls) {
    for (const QSize set : {QSize(200, 150), QSize(700, 500)}) {
        TNBasisDialog dialog;
        auto* row = new QHBoxLayout(dialog.clientArea());
        auto* wide = new QLabel(QStringLiteral("A caption much wider than the minimum the dialog was given"));
        row->addWidget(wide);
        dialog.setMinimumSize(set);
        dialog.show();
        const QSize needed = dialog.layout()->totalMinimumSize();
        EXPECT_EQ(dialog.minimumSize(), set.expandedTo(needed));
        dialog.resize(dialog.minimumSize());
        QCoreApplication::sendPostedEvents();
        EXPECT_GE(wide->width(), wide->sizeHint().width());
    }
}

TEST(BasisDialogLayout, ButtonClosesWithItsModalResult) {
    TNBasisDialog dialog;
    dialog.closeWith(dialog.btn3, 6);
    dialog.show();
    dialog.btn3->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 6);
}

}  // namespace
