#include "DialogParts.h"

#include "BasisDialog.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

QLabel* headerLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("lblUeberschrift"));
    label->setFrameShape(QFrame::StyledPanel);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(6);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

void useMenuColourWhenDisabled(QWidget* edit) {
    QPalette colours = edit->palette();
    colours.setColor(QPalette::Disabled, QPalette::Base, colours.color(QPalette::Active, QPalette::Button));
    edit->setPalette(colours);
}

void useOkButtonOnly(TNBasisDialog& dialog) {
    dialog.btn1->setText(QStringLiteral("&OK"));
    dialog.btn1->setDefault(true);
    dialog.closeWith(dialog.btn1, 1);
    dialog.btn2->hide();
    dialog.btn3->hide();
}
