#include "Benutzerdaten.h"

#include "AutomationHub.h"
#include "TextCodec.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const BenutzerdatenTexte& ownTexts() {
    static const BenutzerdatenTexte texts{
        "User data",
        "Please enter the name of your company and your name. They are shown in the information "
        "window of the program.",
        "Company :", "User name :"};
    return texts;
}

QString textOr(const std::string& given, const std::string& own) {
    return fromAnsi(given.empty() ? own : given);
}

}  // namespace

TNBenutzerdaten::TNBenutzerdaten(QWidget* owner, AutomationHub* hub)
    : TNBasisDialog(owner), hub_(hub ? hub : &applicationHub()) {
    setObjectName(QStringLiteral("NBenutzerdaten"));
    // No close box: the dialog ends through its buttons only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    lblUeberschrift = new QLabel(clientArea());
    lblUeberschrift->setObjectName(QStringLiteral("lblUeberschrift"));
    lblUeberschrift->setWordWrap(true);
    edFirma = new QLineEdit(clientArea());
    edFirma->setObjectName(QStringLiteral("edFirma"));
    edName = new QLineEdit(clientArea());
    edName->setObjectName(QStringLiteral("edName"));

    lblFirma = new QLabel(clientArea());
    lblFirma->setObjectName(QStringLiteral("lblFirma"));
    lblFirma->setBuddy(edFirma);
    lblName = new QLabel(clientArea());
    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setBuddy(edName);
    prepareExecute({}, {});

    auto* grid = new QGridLayout;
    grid->addWidget(lblFirma, 0, 0);
    grid->addWidget(edFirma, 0, 1);
    grid->addWidget(lblName, 1, 0);
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

void TNBenutzerdaten::prepareExecute(const std::string& firma, const std::string& name,
                                     const BenutzerdatenTexte& texte) {
    setWindowTitle(textOr(texte.Titel, ownTexts().Titel));
    lblUeberschrift->setText(textOr(texte.Ueberschrift, ownTexts().Ueberschrift));
    lblFirma->setText(textOr(texte.Firma, ownTexts().Firma));
    lblName->setText(textOr(texte.Name, ownTexts().Name));
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

bool TNBenutzerdaten::Execute(std::string& firma, std::string& name, const BenutzerdatenTexte& texte) {
    prepareExecute(firma, name, texte);
    exec();
    return finishExecute(firma, name);
}

void TNBenutzerdaten::btn2Click() { done(1); }

void TNBenutzerdaten::btn1Click() {
    hub_->RequestCloseApplication();
    done(2);
}

void TNBenutzerdaten::reject() {}
