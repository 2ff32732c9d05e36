#include "Wartendialog.h"

#include "BasisDialog.h"
#include "HourglassCursor.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

TfrmWartenDialog::TfrmWartenDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint),
      lblAktualisieren(new QLabel(QStringLiteral("Updating diagnostic memory"), this)),
      lblBitteWarten(new QLabel(QStringLiteral("Please wait!"), this)),
      ProgressBar(new QProgressBar(this)),
      WarteTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("frmWartenDialog"));
    setWindowTitle(QStringLiteral("Wait"));
    setFixedSize(437, 124);

    QFont big = lblAktualisieren->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.25);
    for (QLabel* label : {lblAktualisieren, lblBitteWarten}) {
        label->setAlignment(Qt::AlignCenter);
        label->setFont(big);
    }
    lblAktualisieren->setObjectName(QStringLiteral("lblAktualisieren"));
    lblBitteWarten->setObjectName(QStringLiteral("lblBitteWarten"));
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    WarteTimer->setObjectName(QStringLiteral("WarteTimer"));
    WarteTimer->setSingleShot(false);
    connect(WarteTimer, &QTimer::timeout, this, &TfrmWartenDialog::WarteTimerTimer);

    // Frameless: its own raised edge sets it off from the window under it.
    auto* edge = new QFrame(this);
    edge->setObjectName(QStringLiteral("edge"));
    edge->setFrameStyle(QFrame::Panel | QFrame::Raised);
    edge->setLineWidth(2);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(edge);
    auto* layout = new QVBoxLayout(edge);
    layout->setContentsMargins(16, 12, 16, 16);
    layout->addWidget(lblAktualisieren);
    layout->addWidget(lblBitteWarten);
    layout->addWidget(ProgressBar);
}

void TfrmWartenDialog::prepareExecute(int32_t milliseconds) {
    wartezeit_ = milliseconds;
    // Each wait starts from nothing, also when the window is shown a second time.
    vergangen_ = 0;
    ProgressBar->setRange(0, std::max<int32_t>(milliseconds, 0));
    ProgressBar->setValue(0);
    WarteTimer->setInterval(kTickMs);
    WarteTimer->start();

    // Centred on the main window (the screen when there is none).
    QWidget* main = applicationMainForm();
    QRect area;
    if (main && main->isVisible() && main != this) area = main->geometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
    if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}

void TfrmWartenDialog::Execute(int32_t milliseconds) {
    prepareExecute(milliseconds);
    BusyCursorScope busy(&HourglassCursor::application());
    exec();
    WarteTimer->stop();
}

void TfrmWartenDialog::WarteTimerTimer() {
    WarteTimer->stop();
    vergangen_ += kTickMs;
    if (wartezeit_ > vergangen_) {
        ProgressBar->setValue(vergangen_);
        WarteTimer->start();
    } else {
        done(1);
    }
}

void TfrmWartenDialog::reject() {}

void WaitWindow::Execute(int32_t milliseconds) {
    TfrmWartenDialog window(owner_);
    window.Execute(milliseconds);
}
