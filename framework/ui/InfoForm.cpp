#include "InfoForm.h"

#include "Artwork.h"
#include "TextCodec.h"
#include "UserData.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStringList>
#include <QTextEdit>
#include <QVBoxLayout>


namespace {

QLabel* valueLabel(const char* objectName) {
    auto* label = new QLabel(QStringLiteral("---"));
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Company and user names are typed by the user: never markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

TNInfoForm::TNInfoForm(QWidget* owner, std::string programFile)
    : TfrmCOMBasisDialog(owner, Placement::MainFormCentre), programFile_(std::move(programFile)) {
    setWindowTitle(QStringLiteral("Info about diagnostic software"));
    resize(497, 398);

    Image1 = new QLabel;
    Image1->setObjectName(QStringLiteral("Image1"));
    Image2 = new QLabel;
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(frameworkPicture());
    RichEdit1 = new QTextEdit;
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);

    lbl_Interface = valueLabel("lbl_Interface");
    lbl_Name = valueLabel("lbl_Name");
    lbl_Firma = valueLabel("lbl_Firma");
    lblDiaglibVersion = valueLabel("lblDiaglibVersion");
    lblUSBDLLVersion = valueLabel("lblUSBDLLVersion");
    btn_OK = new QPushButton(QStringLiteral("OK"));
    btn_OK->setObjectName(QStringLiteral("btn_OK"));
    btn_OK->setDefault(true);
    connect(btn_OK, &QPushButton::clicked, this, &TNInfoForm::btn_OKClick);

    auto* pictures = new QVBoxLayout;
    pictures->addWidget(Image1);
    pictures->addWidget(Image2);
    pictures->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(pictures);
    top->addWidget(RichEdit1, 1);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Diagnostic Interface Application :")), 0, 0);
    grid->addWidget(lbl_Interface, 0, 1);
    grid->addWidget(lbl_Name, 1, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Comp. name :")), 2, 0);
    grid->addWidget(lbl_Firma, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("DiagLib Version :")), 3, 0);
    grid->addWidget(lblDiaglibVersion, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("USB DLL Version :")), 4, 0);
    grid->addWidget(lblUSBDLLVersion, 4, 1);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btn_OK);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top, 1);
    outer->addLayout(grid);
    outer->addLayout(buttons);
}

void TNInfoForm::showEvent(QShowEvent* event) {
    TfrmCOMBasisDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TNInfoForm::FormShow() {
    TfrmCOMBasisDialog::FormShow();
    NAbout1.SetAppFileName(programFile_.empty()
                               ? SystemApplicationEnvironment::instance().programFile().string()
                               : programFile_);
    const InfoFormTexts texts = infoFormTexts(NAbout1, DiagAttr, UserData::forProgram().read());

    Image1->setPixmap(programPicture(fromAnsi(NAbout1.ProduktName)));
    // Plain text: a description holding '<' must not turn into markup.
    QStringList lines;
    for (const std::string& line : texts.lines) lines << fromAnsi(line);
    RichEdit1->setPlainText(lines.join(QLatin1Char('\n')));
    lbl_Interface->setText(fromAnsi(texts.interfaceVersion));
    lbl_Name->setText(fromAnsi(texts.userName));
    lbl_Firma->setText(fromAnsi(texts.firma));
    lblDiaglibVersion->setText(fromAnsi(texts.diagLibVersion));
    lblUSBDLLVersion->setText(fromAnsi(texts.usbDllVersion));
}

void TNInfoForm::btn_OKClick() {
    done(1);
}
