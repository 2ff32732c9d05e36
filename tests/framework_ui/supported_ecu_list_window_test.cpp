// The supported-ECU list window: headings, one row per entry at its computed place, scrolling
// by the wheel.
#include "SupportedEcuListWindow.h"

#include "UiTestSupport.h"
#include "LayoutCheck.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <string>

namespace {

QList<QLabel*> rowLabels(const TfrmSupportedEcuList& window) {
    return window.sbECUListe->widget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
}

QLabel* rowLabel(const TfrmSupportedEcuList& window, std::size_t row, int column) {
    return window.sbECUListe->widget()->findChild<QLabel*>(QStringLiteral("row%1_%2").arg(row).arg(column));
}

TEST(SupportedEcuListWindow, LayoutAndButtons) {
    EcuListEntries none;
    TfrmSupportedEcuList window(nullptr, none);
    EXPECT_EQ(window.windowTitle(), "Supported ECUs");
    EXPECT_EQ(window.size(), QSize(592, 416));
    EXPECT_TRUE(window.Panel2->text().startsWith("This diagnostic software supports the following ECUs"));
    EXPECT_EQ(window.lblTeilenummer->text(), "NORVA device number");
    EXPECT_EQ(window.lblDiagnosekennung->text(), "Diagnostics identifier");
    EXPECT_EQ(window.btn1->text(), "&OK");
    EXPECT_TRUE(window.btn2->isHidden());
    EXPECT_TRUE(window.btn3->isHidden());
    EXPECT_EQ(window.sbECUListe->widget()->palette().color(QPalette::Window), QColor(Qt::white));
    window.show();
    EXPECT_EQ(layoutFaults(&window), "");
}

TEST(SupportedEcuListWindow, RowsFollowTheHeadingsAndTheResolution) {
    const EcuListEntries list = {{"441 000 100 0", "10700100"},
                                 {"441 000 200 0", "10700200"},
                                 {"441 000 300 \xB2", "10710200"}};
    TfrmSupportedEcuList window(nullptr, list);
    window.show();
    window.prepareExecute();
    ASSERT_EQ(rowLabels(window).size(), 6);
    const int dpi = window.logicalDpiY();
    const int left1 = window.lblTeilenummer->x() - window.sbECUListe->x();
    const int left2 = window.lblDiagnosekennung->x() - window.sbECUListe->x();
    EXPECT_GT(left2, left1);
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(i);
        QLabel* part = rowLabel(window, i, 0);
        QLabel* id = rowLabel(window, i, 1);
        ASSERT_TRUE(part && id);
        EXPECT_EQ(part->pos(), QPoint(left1, ecuListRowTop(i, dpi)));
        EXPECT_EQ(id->pos(), QPoint(left2, ecuListRowTop(i, dpi)));
        EXPECT_EQ(id->text(), QString::fromStdString(list[i].Diagnosekennung));
    }
    EXPECT_EQ(rowLabel(window, 0, 0)->text(), "441 000 100 0");
    EXPECT_EQ(rowLabel(window, 2, 0)->text(), QString::fromUtf8("441 000 300 \xC2\xB2"));  // Windows-1252

    // Built again (a second Execute): the old rows are replaced, not doubled.
    window.prepareExecute();
    EXPECT_EQ(rowLabels(window).size(), 6);
}

TEST(SupportedEcuListWindow, EmptyListShowsHeadingsOnly) {
    EcuListEntries none;
    TfrmSupportedEcuList window(nullptr, none);
    int result = -1;
    ModalScript script([&](QWidget* modal) {
        ASSERT_EQ(modal, &window);
        EXPECT_TRUE(window.lblTeilenummer->isVisible());
        EXPECT_TRUE(window.lblDiagnosekennung->isVisible());
        EXPECT_TRUE(window.sbECUListe->isVisible());
        window.btn1->click();
    });
    result = window.Execute();
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(rowLabels(window).empty());
}

TEST(SupportedEcuListWindow, CloseBoxAnswersCancel) {
    EcuListEntries none;
    TfrmSupportedEcuList window(nullptr, none);
    ModalScript script([&](QWidget*) { window.close(); });
    EXPECT_EQ(window.Execute(), 2);
}

TEST(SupportedEcuListWindow, ProgramListIsTheDefault) {
    const EcuListEntries saved = ECUListe;
    ECUListe = {{"441 000 999 0", "10780100"}};
    TfrmSupportedEcuList window;
    window.prepareExecute();
    ASSERT_NE(rowLabel(window, 0, 1), nullptr);
    EXPECT_EQ(rowLabel(window, 0, 1)->text(), "10780100");
    ECUListe = saved;
}

void wheel(QWidget* target, int delta) {
    const QPointF at(10, 10);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
}

TEST(SupportedEcuListWindow, WheelMovesTheListByTwentyPixels) {
    EcuListEntries many;
    for (int i = 0; i < 60; ++i) many.push_back({"441 000 " + std::to_string(100 + i) + " 0", std::to_string(10700000 + i)});
    TfrmSupportedEcuList window(nullptr, many);
    window.show();
    window.prepareExecute();
    QScrollBar* bar = window.sbECUListe->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);

    wheel(window.sbECUListe->viewport(), -120);  // down, over the list
    EXPECT_EQ(bar->value(), 20);
    wheel(&window, -120);  // down, over the window
    EXPECT_EQ(bar->value(), 40);
    wheel(window.sbECUListe->viewport(), 120);  // up
    EXPECT_EQ(bar->value(), 20);
    window.sbECUListeMouseWheelUp();
    window.sbECUListeMouseWheelUp();  // not above the top
    EXPECT_EQ(bar->value(), 0);
    window.sbECUListeMouseWheelDown();
    EXPECT_EQ(bar->value(), 20);
}

TEST(SupportedEcuListWindow, ListAreaFollowsTheWindowSize) {
    EcuListEntries none;
    TfrmSupportedEcuList window(nullptr, none);
    window.show();
    const QSize before = window.sbECUListe->size();
    window.resize(800, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.sbECUListe->width(), before.width() + 208);
    EXPECT_EQ(window.sbECUListe->height(), before.height() + 184);
    EXPECT_EQ(window.sbECUListe->y(), 120);
}

}  // namespace
