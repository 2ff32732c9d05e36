#include "ErrorHandler.h"

#include "Artwork.h"
#include "HourglassCursor.h"
#include "NData.h"
#include "TextCodec.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kNotFilled = QStringLiteral("-");

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(kNotFilled, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

// --- TNBasisErrorHandler ----------------------------------------------------------------------

TNBasisErrorHandler::TNBasisErrorHandler(QWidget* owner, DriverTrace trace)
    : TNBasisErrorHandler(owner, std::make_unique<TNBasisErrorHandlerTexts>(trace)) {}

TNBasisErrorHandler::TNBasisErrorHandler(QWidget* owner, std::unique_ptr<TNBasisErrorHandlerTexts> texts)
    : TNBasisDialog(owner), texts_(std::move(texts)) {
    setWindowTitle(QStringLiteral("NBasisErrorHandler"));
    buildLayout();

    btn1->setText(QStringLiteral("&Cancel"));
    closeWith(btn1, GiveUp);
    btn2->setText(QStringLiteral("&OK"));
    closeWith(btn2, RepeatOperation);
    btn3->hide();
}

TNBasisErrorHandler::~TNBasisErrorHandler() = default;

void TNBasisErrorHandler::buildLayout() {
    setMinimumSize(570, 400);

    GroupBoxFehlerUndUrsache = new QGroupBox(QStringLiteral("INFORMATION"), clientArea());
    GroupBoxFehlerUndUrsache->setObjectName(QStringLiteral("GroupBoxFehlerUndUrsache"));
    lblFehlertext = new QLabel(GroupBoxFehlerUndUrsache);
    lblFehlertext->setObjectName(QStringLiteral("lblFehlertext"));
    lblFehlertext->setTextFormat(Qt::PlainText);
    lblFehlertext->setWordWrap(true);
    lblFehlertext->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont bold = lblFehlertext->font();
    bold.setBold(true);
    lblFehlertext->setFont(bold);
    auto* infoLayout = new QVBoxLayout(GroupBoxFehlerUndUrsache);
    infoLayout->addWidget(lblFehlertext);

    GroupBoxZusatzinfo = new QGroupBox(QStringLiteral("ADDITIONAL INFORMATION"), clientArea());
    GroupBoxZusatzinfo->setObjectName(QStringLiteral("GroupBoxZusatzinfo"));
    LabelFehlerCode = valueLabel(GroupBoxZusatzinfo, "LabelFehlerCode");
    LabelRequest = valueLabel(GroupBoxZusatzinfo, "LabelRequest");
    LabelResponse = valueLabel(GroupBoxZusatzinfo, "LabelResponse");
    auto* details = new QGridLayout(GroupBoxZusatzinfo);
    const struct {
        const char* caption;
        QLabel* value;
    } rows[] = {{"Error code:", LabelFehlerCode}, {"Request:", LabelRequest}, {"Reply:", LabelResponse}};
    int row = 0;
    for (const auto& r : rows) {
        details->addWidget(new QLabel(QString::fromLatin1(r.caption), GroupBoxZusatzinfo), row, 0);
        details->addWidget(r.value, row, 1);
        ++row;
    }
    details->setColumnStretch(1, 1);

    Image1 = new PictureView(errorPicture(), clientArea());
    Image1->setObjectName(QStringLiteral("Image1"));

    auto* layout = new QGridLayout(clientArea());
    layout->setContentsMargins(0, 12, 0, 0);
    layout->addWidget(GroupBoxFehlerUndUrsache, 0, 0, 1, 2);
    layout->addWidget(GroupBoxZusatzinfo, 1, 0);
    layout->addWidget(Image1, 1, 1, Qt::AlignRight | Qt::AlignBottom);
    layout->setRowStretch(0, 1);
    layout->setColumnStretch(0, 1);
}

void TNBasisErrorHandler::showTexts(const ErrorDialogTexts& texts) {
    if (applicationTitle_ && !DiagAttr.Anwendungstitel.empty()) setWindowTitle(fromAnsi(DiagAttr.Anwendungstitel));
    lblFehlertext->setText(fromAnsi(texts.fehlerText));
    LabelFehlerCode->setText(fromAnsi(texts.fehlerCodeText));
    LabelRequest->setText(fromAnsi(texts.requestText));
    LabelResponse->setText(fromAnsi(texts.responseText));
}

int TNBasisErrorHandler::FehlerAnzeigen(int32_t code) {
    return runErrorDialog(*texts_, code, [this](const ErrorDialogTexts& texts) {
        showTexts(texts);
        NormalCursorWhileAsking asking;
        return exec();
    });
}

bool TNBasisErrorHandler::prepareFehlerAnzeigen(int32_t code) {
    if (code == 0) return false;
    setResult(0);
    showTexts(texts_->dialogTexts(code));
    return true;
}

// --- the text levels --------------------------------------------------------------------------

TNJED677ErrorHandler::TNJED677ErrorHandler(QWidget* owner, DriverTrace trace)
    : TNJED677ErrorHandler(owner, std::make_unique<TNJED677ErrorHandlerTexts>(trace)) {}

TNJED677ErrorHandler::TNJED677ErrorHandler(QWidget* owner, std::unique_ptr<TNBasisErrorHandlerTexts> texts)
    : TNBasisErrorHandler(owner, std::move(texts)) {
    setWindowTitle(QStringLiteral("JED677 Errorhandler "));
    useApplicationTitle();
}

TNErrorHandler::TNErrorHandler(QWidget* owner, DriverTrace trace)
    : TNJED677ErrorHandler(owner, std::make_unique<TNErrorHandlerTexts>(trace)) {
    setWindowTitle(QStringLiteral("NErrorHandler"));
}

// --- TfrmInitDIErrorHandler -------------------------------------------------------------------

TfrmInitDIErrorHandler::TfrmInitDIErrorHandler(QWidget* owner, DriverTrace trace)
    : TNBasisErrorHandler(owner, trace) {
    setWindowTitle(QStringLiteral("Diagnostic Interface : Initialization failed"));

    // The base connects btn1 and btn2 to close the dialog; the choice must be set first, so
    // every button gets one handler of its own here.
    for (QPushButton* button : {btn1, btn2, btn3}) button->disconnect(this);
    const struct {
        QPushButton* button;
        const char* caption;
        Choice choice;
        int modalResult;
    } buttons[] = {
        {btn1, "&Cancel", ChoiceCancel, GiveUp},
        {btn2, "&Repeat", ChoiceRepeat, RepeatOperation},
        {btn3, "&Select a new interface", ChoiceNewInterface, RepeatOperation},
    };
    for (const auto& b : buttons) {
        b.button->setText(QString::fromLatin1(b.caption));
        connect(b.button, &QPushButton::clicked, this, [this, choice = b.choice, result = b.modalResult] {
            choice_ = choice;
            done(result);
        });
    }
    btn3->show();
}

void TfrmInitDIErrorHandler::prepareExecute(int32_t code) {
    choice_ = ChoiceCancel;
    setResult(0);
    showTexts(texts().dialogTexts(code));
}

void TfrmInitDIErrorHandler::Execute(uint8_t& choice, int32_t code) {
    prepareExecute(code);
    NormalCursorWhileAsking asking;
    exec();
    choice = choice_;
}

// --- TNInitEcuEH ------------------------------------------------------------------------------

TNInitEcuEH::TNInitEcuEH(QWidget* owner, DriverTrace trace) : TNBasisErrorHandler(owner, trace) {
    setWindowTitle(QStringLiteral("ECU : Initialization failed"));
    btn1->setText(QStringLiteral("&Cancel"));
    btn2->setText(QStringLiteral("&Repeat"));
    btn3->setText(QStringLiteral("&Select new diagnostic port"));
    btn3->show();
    btn3->setEnabled(false);
    connect(btn3, &QPushButton::clicked, this, [this] {
        if (!selection_) return;
        // The selection window's result is this dialog's result; finishExecute maps it.
        done(selection_->exec());
    });
}

void TNInitEcuEH::useSelectionWindow(QDialog* selection) {
    selection_ = selection;
    btn3->setEnabled(selection != nullptr);
}

int TNInitEcuEH::Execute(TNBasisErrorHandler& handler, int32_t code, QDialog* selection) {
    return Execute(handler.texts(), code, selection);
}

int TNInitEcuEH::Execute(TNBasisErrorHandlerTexts& handler, int32_t code, QDialog* selection) {
    useSelectionWindow(selection);
    return runErrorDialog(handler, code, [this](const ErrorDialogTexts& texts) {
        setResult(0);
        showTexts(texts);
        NormalCursorWhileAsking asking;
        return exec();
    });
}

bool TNInitEcuEH::prepareExecute(TNBasisErrorHandlerTexts& handler, int32_t code, QDialog* selection) {
    useSelectionWindow(selection);
    if (code == 0) return false;
    setResult(0);
    showTexts(handler.dialogTexts(code));
    return true;
}
