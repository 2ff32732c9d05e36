#include "InfoPopup.h"

#include "TextCodec.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

namespace {

QWidget* InfoPopup = nullptr;
bool infoPopupShown = false;

constexpr int kLabelOffset = 30;

}  // namespace

void InfoPopupZeigen(const std::string& text) {
    if (infoPopupShown) return;
    infoPopupShown = true;

    auto* popup = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
    popup->setObjectName(QStringLiteral("InfoPopup"));
    popup->setAttribute(Qt::WA_ShowWithoutActivating);
    auto* panel = new QFrame(popup);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    auto* label = new QLabel(fromAnsi(text), panel);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSize(12);
    label->setFont(font);
    label->adjustSize();
    label->move(kLabelOffset, kLabelOffset);

    const QSize size = label->size() + QSize(2 * kLabelOffset, 2 * kLabelOffset);
    popup->resize(size);
    panel->resize(size);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size);
        frame.moveCenter(screen->availableGeometry().center());
        popup->move(frame.topLeft());
    }
    InfoPopup = popup;
    popup->show();
    // Paint it now: the caller blocks the event loop for the transfer that follows. User input
    // stays queued, so no command can start meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void InfoPopupSchliessen() {
    infoPopupShown = false;
    if (!InfoPopup) return;
    QWidget* popup = InfoPopup;
    InfoPopup = nullptr;
    delete popup;
}

QWidget* infoPopupWindow() { return InfoPopup; }
