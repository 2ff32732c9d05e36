#include "Splash.h"

#include "Artwork.h"
#include "BasisDialog.h"
#include "NData.h"
#include "TextCodec.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QString splashName(const QString& given) {
    if (!given.isEmpty()) return given;
    if (pNData && !pNData->Produktname.empty()) return fromAnsi(pNData->Produktname);
    return QCoreApplication::applicationName();
}

}  // namespace

Tfrm_NSplash::Tfrm_NSplash(QWidget* owner, const QString& programName)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Panel1(new QFrame(this)),
      Image1(new PictureView(splashPicture(splashName(programName)), Panel1)) {
    setObjectName(QStringLiteral("frm_NSplash"));
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setLineWidth(1);
    Image1->setObjectName(QStringLiteral("Image1"));

    // Panel border and bevel: 4 pixels each side around the 447 x 345 picture.
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(3, 3, 3, 3);
    panelLayout->addWidget(Image1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel1);
    setFixedSize(455, 353);
    QCoreApplication::instance()->installEventFilter(this);
}

bool Tfrm_NSplash::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched != this && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && (type == Qt::Dialog || type == Qt::Sheet || widget->isModal())) hide();
    }
    return QWidget::eventFilter(watched, event);
}

void Tfrm_NSplash::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    QRect area;
    if (QWidget* main = applicationMainForm(); main && main->isVisible())
        area = main->geometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    else
        return;
    QRect frame(QPoint(), size());
    frame.moveCenter(area.center());
    move(frame.topLeft());
}
