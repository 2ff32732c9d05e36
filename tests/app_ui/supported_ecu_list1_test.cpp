// The program's supported-ECU window: the framework's list in the taller layout, filled and
// shown through Execute.
#include "Suppeculiste.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <string>

namespace {

QLabel* rowLabel(const TfrmSupportedEcuList& window, std::size_t row, int column) {
    return window.sbECUListe->widget()->findChild<QLabel*>(QStringLiteral("row%1_%2").arg(row).arg(column));
}

int topIn(const QWidget* child, const QWidget* window) { return child->mapTo(window, QPoint(0, 0)).y(); }

// Seventeen entries, as the main window fills the list.
EcuListEntries seventeen() {
    EcuListEntries list;
    for (int i = 0; i < 17; ++i)
        list.push_back({"441 000 " + std::to_string(300 + i) + " 0", "1078" + std::to_string(1000 + i)});
    return list;
}

TEST(SupportedEcuList1, TallerLayout) {
    EcuListEntries none;
    TfrmSupportedEcuList1 window(nullptr, none);
    EXPECT_EQ(window.windowTitle(), "Supported ECUs");
    EXPECT_EQ(window.minimumSize(), QSize(350, 280));
    window.show();
    EXPECT_EQ(window.size(), QSize(592, 526));
    EXPECT_EQ(topIn(window.sbECUListe, &window), 120);
    EXPECT_EQ(window.sbECUListe->height(), 342);
    EXPECT_EQ(topIn(window.btn1, &window), 484);
    EXPECT_TRUE(window.btn1->isVisible());
    EXPECT_TRUE(window.btn2->isHidden());
    EXPECT_TRUE(window.btn3->isHidden());

    // The list area stays anchored on all sides.
    window.resize(700, 626);
    EXPECT_EQ(window.sbECUListe->height(), 442);
    EXPECT_EQ(topIn(window.btn1, &window), 584);
}

TEST(SupportedEcuList1, ExecuteShowsEveryEntry) {
    const EcuListEntries list = seventeen();
    TfrmSupportedEcuList1 window(nullptr, list);
    ModalScript script([&](QWidget* modal) {
        ASSERT_EQ(modal, &window);
        const int dpi = window.logicalDpiY();
        for (std::size_t i = 0; i < list.size(); ++i) {
            SCOPED_TRACE(i);
            QLabel* part = rowLabel(window, i, 0);
            QLabel* id = rowLabel(window, i, 1);
            ASSERT_TRUE(part && id);
            EXPECT_TRUE(part->isVisible());
            EXPECT_EQ(part->text().toStdString(), list[i].Teilenummer);
            EXPECT_EQ(id->text().toStdString(), list[i].Diagnosekennung);
            EXPECT_EQ(part->y(), ecuListRowTop(i, dpi));
            EXPECT_GT(id->x(), part->x());
        }
        EXPECT_EQ(rowLabel(window, list.size(), 0), nullptr);
        if (dpi == 96) {
            // The point of the taller layout: all seventeen rows without scrolling.
            EXPECT_EQ(window.sbECUListe->verticalScrollBar()->maximum(), 0);
        }
        window.btn1->click();
    });
    EXPECT_EQ(window.Execute(), 1);
    EXPECT_TRUE(script.ran());
}

TEST(SupportedEcuList1, CloseBoxAnswersCancel) {
    EcuListEntries none;
    TfrmSupportedEcuList1 window(nullptr, none);
    ModalScript script([&](QWidget*) { window.close(); });
    EXPECT_EQ(window.Execute(), 2);
}

}  // namespace
