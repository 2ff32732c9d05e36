#include "BasisDialog.h"

#include "ProgramModes.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

// The layout's button size and the margins around the button row and the separator.
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kLeftMargin = 16;
constexpr int kRightMargin = 28;
constexpr int kBottomMargin = 17;
constexpr int kButtonSpacing = 12;

}  // namespace

QWidget* applicationMainForm() {
    QWidget* fallback = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!qobject_cast<QMainWindow*>(widget)) continue;
        if (widget->isVisible()) return widget;
        if (!fallback) fallback = widget;
    }
    return fallback;
}

// --- TfrmCOMBasisDialog -----------------------------------------------------------------------

TfrmCOMBasisDialog::TfrmCOMBasisDialog(QWidget* owner, Placement layoutPlacement)
    : QDialog(owner),
      placement_(AutomatisierungsModus ? Placement::OwnerCentre : layoutPlacement) {
    setWindowTitle(QStringLiteral("frmCOMBasisDialog"));
    resize(497, 398);
}

TfrmCOMBasisDialog::~TfrmCOMBasisDialog() {
    // Destroyed while shown: the hide event would no longer reach this class.
    FormClose();
}

void TfrmCOMBasisDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;  // restored from the task bar: still the same showing
    // A dialog's minimum size is planned for one font; with a wider one it still leaves room for
    // every control its layout holds, so no text is cut when the window is made small.
    setMinimumSize(minimumSize().expandedTo(minimumSizeHint()));
    placeOnScreen();
    FormShow();
}

void TfrmCOMBasisDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (event->spontaneous()) return;  // minimised: the dialog is still open
    FormClose();
}

void TfrmCOMBasisDialog::FormShow() {
    if (!AutomatisierungsModus || announced_ != 0) return;
    announced_ = static_cast<WindowHandle>(winId());
    RegisterModalWindow(announced_);
}

void TfrmCOMBasisDialog::FormClose() {
    if (announced_ == 0) return;
    // Cleared first: the hub may run toolkit code that hides this dialog again.
    const WindowHandle handle = announced_;
    announced_ = 0;
    UnregisterModalWindow(handle);
}

void TfrmCOMBasisDialog::placeOnScreen() {
    QWidget* target = nullptr;
    switch (placement_) {
    case Placement::Default:
        return;
    case Placement::OwnerCentre:
        target = parentWidget() ? parentWidget()->window() : applicationMainForm();
        break;
    case Placement::MainFormCentre:
        target = applicationMainForm();
        if (!target && parentWidget()) target = parentWidget()->window();
        break;
    case Placement::ScreenCentre:
        break;
    }
    QRect area;
    if (target && target->isVisible() && target != this) {
        area = target->geometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    } else {
        return;
    }
    // move() places the frame; the centre is taken of the client areas.
    const QPoint frameOffset = geometry().topLeft() - pos();
    const QPoint clientTopLeft = area.center() - QPoint(width() / 2, height() / 2);
    move(clientTopLeft - frameOffset);
}

// --- TNBasisDialog ----------------------------------------------------------------------------

TNBasisDialog::TNBasisDialog(QWidget* owner)
    : TfrmCOMBasisDialog(owner, Placement::MainFormCentre),
      btn1(new QPushButton(QStringLiteral("1"), this)),
      btn2(new QPushButton(QStringLiteral("2"), this)),
      btn3(new QPushButton(QStringLiteral("3"), this)),
      Panel1(new QFrame(this)),
      clientArea_(new QWidget(this)) {
    setWindowTitle(QStringLiteral("Basic dialog"));
    resize(632, 453);
    // The layout is a fixed dialog, but every derived dialog may be resized by the user.
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, false);
    setSizeGripEnabled(true);

    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::HLine);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setFixedHeight(3);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kButtonSpacing);
    buttons->addStretch(1);
    // Right to left in the layout: btn1 at the right edge; tab order btn1, btn2, btn3.
    for (QPushButton* button : {btn3, btn2, btn1}) {
        button->setMinimumSize(kButtonWidth, kButtonHeight);
        buttons->addWidget(button);
    }
    btn1->setObjectName(QStringLiteral("btn1"));
    btn2->setObjectName(QStringLiteral("btn2"));
    btn3->setObjectName(QStringLiteral("btn3"));
    setTabOrder(btn1, btn2);
    setTabOrder(btn2, btn3);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(kLeftMargin, 0, kRightMargin, kBottomMargin);
    outer->setSpacing(13);
    clientArea_->setObjectName(QStringLiteral("clientArea"));
    outer->addWidget(clientArea_, 1);
    outer->addWidget(Panel1);
    outer->addLayout(buttons);
}

void TNBasisDialog::closeWith(QPushButton* button, int modalResult) {
    connect(button, &QPushButton::clicked, this, [this, modalResult] { done(modalResult); });
}
