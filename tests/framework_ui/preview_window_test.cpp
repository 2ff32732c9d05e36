// The print preview under the offscreen platform: its tool bar, pages, zoom, wheel, printer scale,
// printing into a PDF file and a printer that cannot be used.
#include <gtest/gtest.h>

#include "FehlerspeicherProtokoll.h"
#include "FspReportLayout.h"
#include "MessageBox.h"
#include "NData.h"
#include "PdfText.h"
#include "Preview.h"
#include "ProtocolRecords.h"
#include "PreviewLogic.h"
#include "ReportRenderer.h"
#include "ReportTestSupport.h"
#include "ScriptedMessageBoxes.h"
#include "StringTable.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QComboBox>
#include <QGraphicsView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// A report whose runs are counted.
class CountedReport final : public ReportProducer {
public:
    explicit CountedReport(int entries) : record(protocolWith(entries)) {
        layout.record = &record;
        layout.columnMode = kSpalteAnzahl;
    }
    Report Prepare() override {
        ++runs;
        return layout.Prepare();
    }
    FehlerspeicherProtokoll record;
    FspReportLayout layout;
    int runs = 0;
};

class PreviewTest : public ::testing::Test {
protected:
    PreviewTest() {
        DiagAttr.Anwendungstitel = "Report test";
        currentPrinterScale = kPrinterScaleBase;
    }
    ~PreviewTest() override { currentPrinterScale = kPrinterScaleBase; }

    // The preview shown (not modally) with the report attached.
    void open(ReportProducer& report) {
        preview.attachReport(report);
        preview.show();
        ASSERT_TRUE(processEventsUntil([&] { return preview.isVisible(); }));
    }

    // Resizes the window so the preview area gets the size.
    void setPreviewArea(int width, int height) {
        const QSize area = preview.QRPreview1->size();
        preview.resize(preview.width() + width - area.width(), preview.height() + height - area.height());
        ASSERT_TRUE(processEventsUntil([&] { return preview.QRPreview1->size() == QSize(width, height); }));
    }

    QImage shownPage() { return preview.QRPreview1->grab().toImage(); }

    TempDir dir;
    PdfReportPrinter printer{dir / "report.pdf"};
    ScriptedMessageBoxes boxes;
    Tfrm_Preview preview;
};

TEST_F(PreviewTest, ToolBarHoldsEveryControlInOrderWithItsHint) {
    EXPECT_EQ(preview.windowTitle(), "Print preview");
    EXPECT_TRUE(preview.isSizeGripEnabled());
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"cmd_GanzeSeite", "Display full page"}, {"cmd_100", "Original size"},
        {"cmd_Seitenbreite", "Adapt to width"},  {"cmd_ErsteSeite", "First page"},
        {"cmd_SeiteZurueck", "Previous page"},   {"cmd_SeiteVor", "Next page"},
        {"cmd_LetzteSeite", "Last page"},        {"cmd_DruckInstall", "Printer setup"},
        {"cmd_Drucken", "Print"},                {"cmd_Exit", "Close print preview"},
        {"cbb_Scale", "Printer scaling"}};
    std::vector<std::pair<std::string, std::string>> shown;
    for (QAction* action : preview.ToolBar1->actions()) {
        if (action->isSeparator()) continue;
        if (QWidget* w = preview.ToolBar1->widgetForAction(action))
            shown.emplace_back(w->objectName().toStdString(), w->toolTip().toStdString());
    }
    EXPECT_EQ(shown, expected);

    for (QToolButton* b : {preview.cmd_GanzeSeite, preview.cmd_100, preview.cmd_Seitenbreite})
        EXPECT_TRUE(b->isCheckable());
    EXPECT_TRUE(preview.cmd_100->isChecked());
    EXPECT_EQ(preview.cmd_Exit->size(), QSize(39, 38));
    EXPECT_EQ(preview.cmd_Exit->iconSize(), QSize(32, 32));

    CountedReport report(3);
    open(report);
    EXPECT_FALSE(preview.cbb_Scale->isVisible());
    QStringList items;
    for (int i = 0; i < preview.cbb_Scale->count(); ++i) items << preview.cbb_Scale->itemText(i);
    EXPECT_EQ(items, QStringList({"200 %", "175 %", "150 %", "125 %", "100 %", "75 %", "50 %", "25 %"}));
    EXPECT_EQ(preview.cbb_Scale->currentText(), "100 %");
    EXPECT_EQ(preview.zoom(), 100);
}

TEST_F(PreviewTest, PageButtonsStopAtTheEnds) {
    CountedReport report(17);
    open(report);
    ASSERT_EQ(preview.pageCount(), 2);
    EXPECT_EQ(preview.currentPage(), 1);

    struct Step {
        QToolButton* button;
        int page;
    };
    for (const Step& s : {Step{preview.cmd_SeiteZurueck, 1}, Step{preview.cmd_SeiteVor, 2},
                          Step{preview.cmd_SeiteVor, 2}, Step{preview.cmd_ErsteSeite, 1},
                          Step{preview.cmd_LetzteSeite, 2}, Step{preview.cmd_LetzteSeite, 2},
                          Step{preview.cmd_SeiteZurueck, 1}, Step{preview.cmd_SeiteZurueck, 1}}) {
        s.button->click();
        EXPECT_EQ(preview.currentPage(), s.page) << s.button->objectName().toStdString();
    }
}

TEST_F(PreviewTest, ZoomFollowsTheButtonAndTheArea) {
    CountedReport report(1);
    open(report);
    setPreviewArea(792, 519);

    preview.cmd_GanzeSeite->click();
    EXPECT_EQ(preview.zoom(), 44);
    EXPECT_DOUBLE_EQ(preview.QRPreview1->zoomFactor(), 0.44);
    preview.cmd_Seitenbreite->click();
    EXPECT_EQ(preview.zoom(), 93);
    // Resizing keeps the chosen button's rule.
    setPreviewArea(371, 900);
    EXPECT_EQ(preview.zoom(), 44);
    preview.cmd_100->click();
    EXPECT_EQ(preview.zoom(), 100);
    EXPECT_DOUBLE_EQ(preview.QRPreview1->zoomFactor(), 1.0);
}

TEST_F(PreviewTest, WheelScrollsTwentyPixels) {
    CountedReport report(1);
    open(report);
    setPreviewArea(600, 300);  // at original size the page is far taller
    auto* view = preview.QRPreview1->findChild<QGraphicsView*>();
    ASSERT_NE(view, nullptr);
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(100);

    auto wheel = [&](int delta) {
        const QPointF at(50, 50);
        QWheelEvent event(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view->viewport(), &event);
    };
    wheel(-120);
    EXPECT_EQ(bar->value(), 120);
    wheel(-120);
    EXPECT_EQ(bar->value(), 140);
    wheel(120);
    EXPECT_EQ(bar->value(), 120);
}

TEST_F(PreviewTest, ScaleBoxTakesTwentyToThreeHundredOnEnter) {
    CountedReport report(1);
    open(report);
    auto enter = [&](const QString& text, Qt::Key key = Qt::Key_Return) {
        preview.cbb_Scale->setEditText(text);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(preview.cbb_Scale->lineEdit(), &press);
    };

    struct Case {
        const char* typed;
        int scale;       // the scale afterwards
        bool refused;    // message 11639
    };
    for (const Case& c : {Case{"125 %", 125, false}, Case{"300", 300, false}, Case{"301 %", 300, true},
                          Case{"19", 300, true}, Case{"20 %", 20, false}, Case{"abc", 20, true},
                          Case{"99999999999 %", 20, true}, Case{"75 %", 75, false}}) {
        boxes.shown.clear();
        enter(c.typed);
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(currentPrinterScale, c.scale);
        EXPECT_EQ(preview.cbb_Scale->currentText().toStdString(), std::to_string(c.scale) + " %");
        ASSERT_EQ(boxes.shown.size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_EQ(boxes.shown[0].text, LoadStr(11639));
            EXPECT_EQ(boxes.shown[0].caption, "Report test");
            EXPECT_EQ(boxes.shown[0].flags & MB_ICONMASK, MB_ICONWARNING);
        }
    }
    // Other keys leave the box alone; picking an item sets it at once.
    enter("150 %", Qt::Key_A);
    EXPECT_EQ(currentPrinterScale, 75);
    preview.cbb_Scale->setCurrentIndex(6);
    emit preview.cbb_Scale->activated(6);
    EXPECT_EQ(currentPrinterScale, 50);
}

TEST_F(PreviewTest, ScalingThereAndBackShowsTheFirstPageExactly) {
    CountedReport report(17);
    open(report);
    setPreviewArea(700, 500);
    const QImage first = shownPage();

    preview.DruckskalierungSetzen(25);
    EXPECT_NE(shownPage(), first);
    preview.DruckskalierungSetzen(100);
    EXPECT_EQ(shownPage(), first);
}

TEST_F(PreviewTest, PrintAfterPreviewingEqualsAPrintAlone) {
    CountedReport report(20);
    open(report);
    preview.cmd_LetzteSeite->click();
    preview.cmd_GanzeSeite->click();
    preview.cmd_Drucken->click();
    preview.cmd_Drucken->click();  // a second print runs the report from its start again
    // Each print into the file says where it went.
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(report.runs, 3);

    const std::filesystem::path alone = dir / "alone.pdf";
    QPrinter direct(QPrinter::HighResolution);
    direct.setOutputFormat(QPrinter::PdfFormat);
    direct.setOutputFileName(QString::fromStdString(alone.string()));
    CountedReport fresh(20);
    ASSERT_TRUE(printReport(fresh.Prepare(), direct, kPrinterScaleBase).printed());

    ASSERT_EQ(pdfPageCount(dir / "report.pdf"), 2);
    ASSERT_EQ(pdfPageCount(alone), 2);
    for (int page = 1; page <= 2; ++page)
        EXPECT_EQ(pdfPageText(dir / "report.pdf", page), pdfPageText(alone, page));
    EXPECT_NE(pdfPageText(alone, 2).find("Valve 20 (20)"), std::string::npos);
}

TEST_F(PreviewTest, UnusablePrinterIsNamedOnceAndThePreviewStaysForAnother) {
    CountedReport report(3);
    open(report);
    const std::filesystem::path unreachable = dir / "no such folder" / "report.pdf";
    printer.printTo(unreachable);

    preview.cmd_Drucken->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const ShownBox& box = boxes.shown[0];
    EXPECT_NE(box.text.find(unreachable.string()), std::string::npos) << box.text;
    EXPECT_NE(box.text.find(LoadStr(11974)), std::string::npos) << box.text;
    EXPECT_EQ(box.caption, "Report test");
    EXPECT_EQ(box.flags & MB_ICONMASK, MB_ICONWARNING);
    EXPECT_TRUE(preview.isVisible());
    EXPECT_FALSE(std::filesystem::exists(unreachable));

    // No printer at all: said so.
    printer.printer().setOutputFileName(QString());
    preview.cmd_Drucken->click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, LoadStr(11971));

    // Another printer chosen in the set-up prints, and the preview shows the report afresh.
    const std::filesystem::path good = dir / "second.pdf";
    printer.setUpAnswer = [&](QPrinter&) {
        printer.printTo(good);
        return true;
    };
    const int runsBefore = report.runs;
    preview.cmd_DruckInstall->click();
    EXPECT_EQ(printer.setUps, 1);
    EXPECT_EQ(report.runs, runsBefore + 1);
    preview.cmd_Drucken->click();
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[2].flags & MB_ICONMASK, MB_ICONINFORMATION);
    EXPECT_EQ(pdfPageCount(good), 1);
}

// A print into a PDF file names the file, whole and absolute, so the technician finds it; a
// print to a printer tells nothing.
TEST_F(PreviewTest, PrintIntoAFileSaysWhereTheFileIs) {
    CountedReport report(3);
    open(report);
    const std::filesystem::path file = dir / "protocols" / "Bus 17 %s.pdf";
    std::filesystem::create_directories(file.parent_path());
    printer.printTo(file);
    preview.cmd_Drucken->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const ShownBox& box = boxes.shown[0];
    EXPECT_EQ(box.text, "The pages have been printed into the PDF file\n\n" + file.string());
    EXPECT_EQ(box.caption, "Report test");
    EXPECT_EQ(box.flags, static_cast<unsigned>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(pdfPageCount(file), 1);
    EXPECT_TRUE(preview.isVisible());

    QPrinter paper;
    paper.setOutputFileName(QString());  // a printer, or none set up: nothing to find
    EXPECT_EQ(printDoneText(paper), "");
}

TEST_F(PreviewTest, ModalResultIsThreeFromExitAndTwoFromTheCloseBox) {
    CountedReport report(1);
    struct Case {
        const char* way;
        std::function<void(Tfrm_Preview&)> close;
        int result;
    };
    for (const Case& c : {Case{"exit", [](Tfrm_Preview& p) { p.cmd_Exit->click(); }, 3},
                          Case{"close box", [](Tfrm_Preview& p) { p.close(); }, 2},
                          Case{"escape", [](Tfrm_Preview& p) { pressEscape(&p); }, 2}}) {
        Tfrm_Preview modal;
        ModalScript script([&](QWidget*) {
            ASSERT_EQ(shownPreview(), &modal);
            EXPECT_EQ(modal.pageCount(), 1);
            c.close(modal);
        });
        EXPECT_EQ(modal.ReportAnzeigen(report), c.result) << c.way;
        EXPECT_TRUE(script.ran());
    }
}

}  // namespace
