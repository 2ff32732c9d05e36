#include "Preview.h"

#include "Artwork.h"
#include "MessageBox.h"
#include "NData.h"
#include "Numbers.h"
#include "PreviewLogic.h"
#include "ReportPrinter.h"
#include "ReportRenderer.h"
#include "StringTable.h"
#include "TextCodec.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr int kIdScaleRange = 11639;
constexpr int kWheelStep = 20;
constexpr int kEnterKey = 13;
constexpr int kCancelResult = 2;  // the close box and Escape

QToolButton* toolButton(QToolBar* bar, const char* name, PreviewTool tool, const char* hint) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(previewToolIcon(tool));
    button->setIconSize(QSize(32, 32));
    button->setFixedSize(39, 38);
    button->setToolTip(QString::fromLatin1(hint));
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

}  // namespace

Tfrm_Preview::Tfrm_Preview(QWidget* owner)
    : TfrmCOMBasisDialog(owner, Placement::ScreenCentre),
      previewPrinter_(new QPrinter(QPrinter::HighResolution)) {
    setObjectName(QStringLiteral("frm_Preview"));
    setWindowTitle(QStringLiteral("Print preview"));
    resize(820, 700);
    // Sizeable, whatever the base's frame says.
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    // The preview only records pages; it never opens a device.
    previewPrinter_->setOutputFormat(QPrinter::PdfFormat);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(32, 32));
    cmd_GanzeSeite = toolButton(ToolBar1, "cmd_GanzeSeite", PreviewTool::FullPage, "Display full page");
    cmd_100 = toolButton(ToolBar1, "cmd_100", PreviewTool::OriginalSize, "Original size");
    cmd_Seitenbreite = toolButton(ToolBar1, "cmd_Seitenbreite", PreviewTool::PageWidth, "Adapt to width");
    ToolBar1->addSeparator();
    cmd_ErsteSeite = toolButton(ToolBar1, "cmd_ErsteSeite", PreviewTool::FirstPage, "First page");
    cmd_SeiteZurueck = toolButton(ToolBar1, "cmd_SeiteZurueck", PreviewTool::PreviousPage, "Previous page");
    cmd_SeiteVor = toolButton(ToolBar1, "cmd_SeiteVor", PreviewTool::NextPage, "Next page");
    cmd_LetzteSeite = toolButton(ToolBar1, "cmd_LetzteSeite", PreviewTool::LastPage, "Last page");
    ToolBar1->addSeparator();
    cmd_DruckInstall = toolButton(ToolBar1, "cmd_DruckInstall", PreviewTool::PrinterSetup, "Printer setup");
    cmd_Drucken = toolButton(ToolBar1, "cmd_Drucken", PreviewTool::Print, "Print");
    cmd_Exit = toolButton(ToolBar1, "cmd_Exit", PreviewTool::Exit, "Close print preview");

    cbb_Scale = new QComboBox(ToolBar1);
    cbb_Scale->setObjectName(QStringLiteral("cbb_Scale"));
    cbb_Scale->setToolTip(QStringLiteral("Printer scaling"));
    cbb_Scale->setEditable(true);
    cbb_Scale->setInsertPolicy(QComboBox::NoInsert);
    for (const char* item : {"200 %", "175 %", "150 %", "125 %", "100 %", "75 %", "50 %", "25 %"})
        cbb_Scale->addItem(QString::fromLatin1(item));
    cbb_Scale->installEventFilter(this);
    cbb_Scale->lineEdit()->installEventFilter(this);
    // The layout keeps the scale box out of sight; the scale then stays as it is.
    ToolBar1->addWidget(cbb_Scale)->setVisible(false);
    showScale();

    auto* zoomGroup = new QButtonGroup(this);
    for (QToolButton* button : {cmd_GanzeSeite, cmd_100, cmd_Seitenbreite}) {
        button->setCheckable(true);
        zoomGroup->addButton(button);
        connect(button, &QToolButton::clicked, this, &Tfrm_Preview::FormResize);
    }
    cmd_100->setChecked(true);
    connect(cmd_ErsteSeite, &QToolButton::clicked, this, &Tfrm_Preview::cmd_ErsteSeiteClick);
    connect(cmd_SeiteZurueck, &QToolButton::clicked, this, &Tfrm_Preview::cmd_SeiteZurueckClick);
    connect(cmd_SeiteVor, &QToolButton::clicked, this, &Tfrm_Preview::cmd_SeiteVorClick);
    connect(cmd_LetzteSeite, &QToolButton::clicked, this, &Tfrm_Preview::cmd_LetzteSeiteClick);
    connect(cmd_DruckInstall, &QToolButton::clicked, this, &Tfrm_Preview::cmd_DruckInstallClick);
    connect(cmd_Drucken, &QToolButton::clicked, this, &Tfrm_Preview::cmd_DruckenClick);
    connect(cmd_Exit, &QToolButton::clicked, this, &Tfrm_Preview::cmd_ExitClick);
    connect(cbb_Scale, &QComboBox::activated, this, &Tfrm_Preview::cbb_ScaleClick);

    QRPreview1 = new QPrintPreviewWidget(previewPrinter_, this);
    QRPreview1->setObjectName(QStringLiteral("QRPreview1"));
    QRPreview1->setZoomFactor(zoom_ / 100.0);
    connect(QRPreview1, &QPrintPreviewWidget::paintRequested, this, &Tfrm_Preview::paintPages);
    QRPreview1->installEventFilter(this);
    if (auto* view = QRPreview1->findChild<QGraphicsView*>()) view->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(QRPreview1, 1);
}

Tfrm_Preview::~Tfrm_Preview() {
    // The preview widget paints with the printer: it goes first.
    delete QRPreview1;
    delete previewPrinter_;
}

int Tfrm_Preview::ReportAnzeigen(ReportProducer& report) {
    attachReport(report);
    return exec();
}

void Tfrm_Preview::attachReport(ReportProducer& report) {
    report_ = &report;
    prepareAndAttach();
    goToPage(1);
}

void Tfrm_Preview::prepareAndAttach() {
    if (!report_) return;
    shown_ = report_->Prepare();
    preparePrinter(*previewPrinter_, shown_);
    QRPreview1->updatePreview();
}

void Tfrm_Preview::paintPages(QPrinter* printer) {
    paintReport(shown_, *printer, currentPrinterScale);
}

int Tfrm_Preview::pageCount() const { return QRPreview1->pageCount(); }

int Tfrm_Preview::currentPage() const { return QRPreview1->currentPage(); }

void Tfrm_Preview::goToPage(int page) {
    // Never beyond the report's pages.
    const int last = pageCount();
    if (last < 1) return;
    QRPreview1->setCurrentPage(std::clamp(page, 1, last));
}

void Tfrm_Preview::FormResize() {
    PreviewZoomMode mode = PreviewZoomMode::OriginalSize;
    if (cmd_GanzeSeite->isChecked()) mode = PreviewZoomMode::FullPage;
    if (cmd_Seitenbreite->isChecked()) mode = PreviewZoomMode::PageWidth;
    zoom_ = previewZoom(mode, QRPreview1->width(), QRPreview1->height());
    QRPreview1->setZoomFactor(zoom_ / 100.0);
}

void Tfrm_Preview::cmd_ErsteSeiteClick() { goToPage(1); }
void Tfrm_Preview::cmd_SeiteZurueckClick() { goToPage(currentPage() - 1); }
void Tfrm_Preview::cmd_SeiteVorClick() { goToPage(currentPage() + 1); }
void Tfrm_Preview::cmd_LetzteSeiteClick() { goToPage(pageCount()); }

void Tfrm_Preview::cmd_DruckInstallClick() {
    reportPrinterService().setUp(this);
    const int page = currentPage();
    prepareAndAttach();
    goToPage(page);
}

void Tfrm_Preview::cmd_DruckenClick() {
    if (!report_) return;
    QPrinter& printer = reportPrinterService().printer();
    const ReportPrintOutcome outcome = printReport(report_->Prepare(), printer, currentPrinterScale);
    if (!outcome.printed())
        MsgBox(printFailureText(outcome, printer), DiagAttr.Anwendungstitel, MB_OK | MB_ICONWARNING);
    else if (const std::string done = printDoneText(printer); !done.empty())
        MsgBox(done, DiagAttr.Anwendungstitel, MB_OK | MB_ICONINFORMATION);
}

void Tfrm_Preview::cmd_ExitClick() { done(kExitResult); }

void Tfrm_Preview::reject() { done(kCancelResult); }

void Tfrm_Preview::DruckskalierungSetzen(int percent) {
    if (!scaleAccepted(percent)) {
        MsgBox(LoadStr(kIdScaleRange), DiagAttr.Anwendungstitel, MB_OK | MB_ICONWARNING);
        showScale();
        return;
    }
    currentPrinterScale = percent;
    showScale();
    const int page = currentPage();
    prepareAndAttach();
    goToPage(page);
}

void Tfrm_Preview::showScale() {
    cbb_Scale->setEditText(QString::fromStdString(numbers::formatInt(currentPrinterScale)) + QStringLiteral(" %"));
}

void Tfrm_Preview::cbb_ScaleClick() {
    DruckskalierungSetzen(scaleFromText(toAnsi(cbb_Scale->currentText())));
}

void Tfrm_Preview::cbb_ScaleKeyDown(int key) {
    if (key == kEnterKey) cbb_ScaleClick();
}

void Tfrm_Preview::FormMouseWheelDown() {
    if (auto* view = QRPreview1->findChild<QGraphicsView*>())
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() + kWheelStep);
}

void Tfrm_Preview::FormMouseWheelUp() {
    if (auto* view = QRPreview1->findChild<QGraphicsView*>())
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() - kWheelStep);
}

bool Tfrm_Preview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QRPreview1 && event->type() == QEvent::Resize) {
        FormResize();
    } else if (event->type() == QEvent::Wheel && watched != cbb_Scale && watched != cbb_Scale->lineEdit()) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->angleDelta().y() < 0)
            FormMouseWheelDown();
        else if (wheel->angleDelta().y() > 0)
            FormMouseWheelUp();
        return true;
    } else if ((watched == cbb_Scale || watched == cbb_Scale->lineEdit()) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cbb_ScaleKeyDown(kEnterKey);
            return true;
        }
    }
    return TfrmCOMBasisDialog::eventFilter(watched, event);
}
