#include "Benutzerdaten.h"

#include "AutomationHub.h"
#include "TextCodec.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TNBenutzerdaten::TNBenutzerdaten(QWidget* owner, AutomationHub* hub)
    : TNBasisDialog(owner), hub_(hub ? hub : &applicationHub()) {
    setObjectName(QStringLiteral("NBenutzerdaten"));
    setWindowTitle(QStringLiteral("User data"));
    // No close box: the dialog ends through its buttons only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    lblUeberschrift = new QLabel(
        QStringLiteral("Please enter the name of your company and your name. They are shown in the "
                       "information window of the program."),
        clientArea());
    lblUeberschrift->setObjectName(QStringLiteral("lblUeberschrift"));
    lblUeberschrift->setWordWrap(true);
    edFirma = new QLineEdit(clientArea());
    edFirma->setObjectName(QStringLiteral("edFirma"));
    edName = new QLineEdit(clientArea());
    edName->setObjectName(QStringLiteral("edName"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Company :"), clientArea()), 0, 0);
    grid->addWidget(edFirma, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("User name :"), clientArea()), 1, 0);
    grid->addWidget(edName, 1, 1);
    auto* layout = new QVBoxLayout(clientArea());
    layout->addWidget(lblUeberschrift);
    layout->addLayout(grid);
    layout->addStretch(1);

    btn1->setText(QStringLiteral("&Cancel"));
    btn2->setText(QStringLiteral("&OK"));
    btn2->setDefault(true);
    btn3->hide();
    connect(btn1, &QPushButton::clicked, this, &TNBenutzerdaten::btn1Click);
    connect(btn2, &QPushButton::clicked, this, &TNBenutzerdaten::btn2Click);
    resize(420, 220);
}

void TNBenutzerdaten::prepareExecute(const std::string& firma, const std::string& name) {
    edFirma->setText(fromAnsi(firma));
    edName->setText(fromAnsi(name));
}

bool TNBenutzerdaten::finishExecute(std::string& firma, std::string& name) const {
    // Only OK confirms; a window ended any other way (the application closing) changes nothing.
    if (result() != 1) return false;
    firma = toAnsi(edFirma->text());
    name = toAnsi(edName->text());
    return true;
}

bool TNBenutzerdaten::Execute(std::string& firma, std::string& name) {
    prepareExecute(firma, name);
    exec();
    return finishExecute(firma, name);
}

void TNBenutzerdaten::btn2Click() { done(1); }

void TNBenutzerdaten::btn1Click() {
    hub_->RequestCloseApplication();
    done(2);
}

void TNBenutzerdaten::reject() {}
