#include "SupportedEcuListWindow.h"

#include "TextCodec.h"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

TfrmSupportedEcuList* frmSupportedEcuList = nullptr;

namespace {

// Places inside the client area (the dialog's left margin is 16, so the list area's left edge
// of 16 is 0 here).
constexpr int kListTop = 120;
constexpr int kHeadingTop = 98;
constexpr int kTeilenummerLeft = 8;
constexpr int kDiagnosekennungLeft = 240;
constexpr int kWheelStep = 20;
constexpr int kRowHeight = 18;

}  // namespace

TfrmSupportedEcuList::TfrmSupportedEcuList(QWidget* owner, const EcuListEntries& list)
    : TNBasisDialog(owner), list_(list) {
    setWindowTitle(QStringLiteral("Supported ECUs"));
    resize(592, 416);

    QWidget* area = clientArea();
    Panel2 = new QLabel(QStringLiteral(
                            "This diagnostic software supports the following ECUs and diagnostics "
                            "identification. Newer ECUs with the same diagnostics identification "
                            "are also supported."),
                        area);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setWordWrap(true);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setFrameShape(QFrame::StyledPanel);

    QFont bold = font();
    bold.setBold(true);
    lblTeilenummer = new QLabel(QStringLiteral("NORVA device number"), area);
    lblTeilenummer->setObjectName(QStringLiteral("lblTeilenummer"));
    lblTeilenummer->setFont(bold);
    lblTeilenummer->move(kTeilenummerLeft, kHeadingTop);
    lblDiagnosekennung = new QLabel(QStringLiteral("Diagnostics identifier"), area);
    lblDiagnosekennung->setObjectName(QStringLiteral("lblDiagnosekennung"));
    lblDiagnosekennung->setFont(bold);
    lblDiagnosekennung->move(kDiagnosekennungLeft, kHeadingTop);
    // The headings stand at fixed places: the window is never narrower than both of them.
    area->setMinimumWidth(kDiagnosekennungLeft + lblDiagnosekennung->sizeHint().width() + kTeilenummerLeft);

    sbECUListe = new QScrollArea(area);
    sbECUListe->setObjectName(QStringLiteral("sbECUListe"));
    sbECUListe->setWidgetResizable(false);
    sbECUListe->setBackgroundRole(QPalette::Base);
    QPalette white = sbECUListe->palette();
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::Window, Qt::white);
    sbECUListe->setPalette(white);
    auto* rows = new QWidget;
    rows->setObjectName(QStringLiteral("sbECUListeRows"));
    rows->setAutoFillBackground(true);
    rows->setPalette(white);
    sbECUListe->setWidget(rows);
    sbECUListe->viewport()->installEventFilter(this);
    area->installEventFilter(this);

    btn1->setText(QStringLiteral("&OK"));
    closeWith(btn1, 1);
    btn2->hide();
    btn3->hide();
    btn1->setDefault(true);
}

bool TfrmSupportedEcuList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == clientArea() && event->type() == QEvent::Resize) {
        // Anchored on all sides: the list area follows the window.
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        Panel2->setGeometry(0, 12, size.width(), 72);
        sbECUListe->setGeometry(0, kListTop, size.width(), std::max(0, size.height() - kListTop));
    } else if (watched == sbECUListe->viewport() && event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return TNBasisDialog::eventFilter(watched, event);
}

void TfrmSupportedEcuList::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta < 0) sbECUListeMouseWheelDown();
    else if (delta > 0) sbECUListeMouseWheelUp();
    event->accept();
}

void TfrmSupportedEcuList::sbECUListeMouseWheelDown() {
    QScrollBar* bar = sbECUListe->verticalScrollBar();
    bar->setValue(bar->value() + kWheelStep);
}

void TfrmSupportedEcuList::sbECUListeMouseWheelUp() {
    QScrollBar* bar = sbECUListe->verticalScrollBar();
    bar->setValue(bar->value() - kWheelStep);
}

void TfrmSupportedEcuList::prepareExecute() {
    QWidget* rows = sbECUListe->widget();
    for (QLabel* old : rows->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) delete old;

    const int dpi = logicalDpiY();
    const int left1 = lblTeilenummer->x() - sbECUListe->x();
    const int left2 = lblDiagnosekennung->x() - sbECUListe->x();
    int width = 0;
    int bottom = 0;
    for (std::size_t i = 0; i < list_.size(); ++i) {
        const int top = ecuListRowTop(i, dpi);
        const ECUListeListeneintrag& entry = list_[i];
        int column = 0;
        for (const auto& [text, left] : {std::pair{&entry.Teilenummer, left1},
                                         std::pair{&entry.Diagnosekennung, left2}}) {
            auto* label = new QLabel(fromAnsi(*text), rows);
            label->setObjectName(QStringLiteral("row%1_%2").arg(i).arg(column++));
            label->adjustSize();
            label->move(left, top);
            label->show();
            width = std::max(width, label->geometry().right() + 1);
            bottom = std::max(bottom, label->geometry().bottom() + 1);
        }
    }
    const int rowHeight = kRowHeight * dpi / 96;
    rows->resize(std::max(width, sbECUListe->viewport()->width()),
                 list_.empty() ? 0 : bottom + rowHeight / 2);
}

int TfrmSupportedEcuList::Execute() {
    prepareExecute();
    return exec();
}

void TfrmSupportedEcuList::reject() {
    done(2);
}
