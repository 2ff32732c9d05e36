#include "SelectDiagnosticLine.h"

#include "Artwork.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr int kPictureSize = 96;

}  // namespace

TNfrmSelectDiagnosticLine::TNfrmSelectDiagnosticLine(QWidget* owner) : TNBasisDialog(owner) {
    setObjectName(QStringLiteral("NfrmSelectDiagnosticLine"));
    setWindowTitle(QStringLiteral("Select diagnostic port"));

    lblAuswahl = new QLabel(QStringLiteral("Select the diagnostic port"), clientArea());
    lblAuswahl->setObjectName(QStringLiteral("lblAuswahl"));
    auto pictureButton = [this](uint8_t line, const char* name) {
        auto* button = new QPushButton(clientArea());
        button->setObjectName(QLatin1String(name));
        button->setIcon(QIcon(diagnosticLinePicture(line)));
        button->setIconSize(QSize(kPictureSize, kPictureSize));
        button->setMinimumSize(kPictureSize + 24, kPictureSize + 24);
        connect(button, &QPushButton::clicked, this, [this, line] { choose(line); });
        return button;
    };
    btnLeitung1 = pictureButton(1, "btnLeitung1");
    btnLeitung2 = pictureButton(2, "btnLeitung2");

    auto* pictures = new QHBoxLayout;
    pictures->addStretch(1);
    pictures->addWidget(btnLeitung1);
    pictures->addSpacing(24);
    pictures->addWidget(btnLeitung2);
    pictures->addStretch(1);
    auto* layout = new QVBoxLayout(clientArea());
    layout->addWidget(lblAuswahl);
    layout->addStretch(1);
    layout->addLayout(pictures);
    layout->addStretch(1);

    btn1->setText(QStringLiteral("&Cancel"));
    btn2->setText(QStringLiteral("&2"));
    btn3->setText(QStringLiteral("&1"));
    closeWith(btn1, 2);
    connect(btn2, &QPushButton::clicked, this, [this] { choose(2); });
    connect(btn3, &QPushButton::clicked, this, [this] { choose(1); });
    resize(420, 300);
}

void TNfrmSelectDiagnosticLine::showEvent(QShowEvent* event) {
    // Each showing asks anew; a window restored from the task bar keeps nothing to forget.
    if (!event->spontaneous()) chosenLine_ = 0;
    TNBasisDialog::showEvent(event);
}

void TNfrmSelectDiagnosticLine::choose(uint8_t line) {
    chosenLine_ = line;
    done(1);
}
