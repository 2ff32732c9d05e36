#pragma once
// The modal error dialogs. Each shows a status code as words, the code in hexadecimal and the
// last request and reply of the diagnostic interface; the texts come from the core classes of
// ErrorTexts.h, which a dialog holds (the text chain lives there, not here).
//
// Every dialog has a non-blocking split beside its blocking call, so the logic can be driven
// without a nested event loop: prepare... fills the labels, the caller shows the dialog and
// reacts to its buttons, finish... turns the modal result into the answer.
//
// Answers: a shown retry dialog answers RepeatOperation (1) or GiveUp (2) only. Escape, the
// close box, a rejected or otherwise closed window is a give-up, never 0; 0 is only the answer
// for code 0, for which nothing is shown.

#include "BasisDialog.h"
#include "ErrorReporter.h"
#include "ErrorTexts.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>

class PictureView;
class QGroupBox;
class QLabel;

class TNBasisErrorHandler : public TNBasisDialog, public ErrorReporter {
    Q_OBJECT
public:
    // The driver's texts; trace is where the request, reply and function text are read.
    explicit TNBasisErrorHandler(QWidget* owner = nullptr, DriverTrace trace = exportedDriverTrace());
    ~TNBasisErrorHandler() override;

    // The texts of the held text object (see ErrorTexts.h).
    std::string FehlerText(int32_t code) { return texts_->FehlerText(code); }
    std::string RequestText() const { return texts_->RequestText(); }
    std::string ResponseText() const { return texts_->ResponseText(); }
    std::string FunktionText() { return texts_->FunktionText(); }
    std::string FehlerZusammenfassung(int32_t code) { return texts_->FehlerZusammenfassung(code); }
    static std::string FehlerCodeText(int32_t code) { return TNBasisErrorHandlerTexts::FehlerCodeText(code); }

    // The retry dialog: 0 for code 0 with nothing shown; otherwise fills the four labels, shows
    // the dialog modally and answers 1 ("&OK", repeat) or 2 (anything else, give up).
    int FehlerAnzeigen(int32_t code) override;

    // FehlerAnzeigen in steps: false for code 0 (show nothing, the answer is 0); otherwise the
    // labels are filled and the dialog is ready to be shown.
    bool prepareFehlerAnzeigen(int32_t code);
    // The answer of the closed dialog: 1 or 2.
    int finishFehlerAnzeigen() const { return retryAnswerOf(result()); }

    TNBasisErrorHandlerTexts& texts() { return *texts_; }

    QGroupBox* GroupBoxFehlerUndUrsache;
    QLabel* lblFehlertext;
    QGroupBox* GroupBoxZusatzinfo;
    QLabel* LabelFehlerCode;
    QLabel* LabelRequest;
    QLabel* LabelResponse;
    PictureView* Image1;

protected:
    // For the derived dialogs: their own level of the text chain.
    TNBasisErrorHandler(QWidget* owner, std::unique_ptr<TNBasisErrorHandlerTexts> texts);
    // Fills the four labels (and the caption, see useApplicationTitle).
    void showTexts(const ErrorDialogTexts& texts);
    // The ECU operations' dialogs are captioned with the application title (DiagAttr.
    // Anwendungstitel, when set) at each showing, not with their class name.
    void useApplicationTitle() { applicationTitle_ = true; }

private:
    void buildLayout();

    bool applicationTitle_ = false;

    std::unique_ptr<TNBasisErrorHandlerTexts> texts_;
};

// + the codes of the JED677 layer.
class TNJED677ErrorHandler : public TNBasisErrorHandler {
    Q_OBJECT
public:
    explicit TNJED677ErrorHandler(QWidget* owner = nullptr, DriverTrace trace = exportedDriverTrace());

protected:
    TNJED677ErrorHandler(QWidget* owner, std::unique_ptr<TNBasisErrorHandlerTexts> texts);
};

// + the suspension program's own codes. The program's one instance (NErrorHandler) serves every
// ECU operation.
class TNErrorHandler : public TNJED677ErrorHandler {
    Q_OBJECT
public:
    explicit TNErrorHandler(QWidget* owner = nullptr, DriverTrace trace = exportedDriverTrace());
};

// The interface could not be opened: Cancel, Repeat, or select a new interface.
class TfrmInitDIErrorHandler : public TNBasisErrorHandler {
    Q_OBJECT
public:
    enum Choice : uint8_t {
        ChoiceCancel = 1,
        ChoiceRepeat = 2,
        ChoiceNewInterface = 3,
    };

    explicit TfrmInitDIErrorHandler(QWidget* owner = nullptr, DriverTrace trace = exportedDriverTrace());

    // Shows the code with the driver's texts modally and writes the user's choice; a window
    // closed without a button leaves ChoiceCancel.
    void Execute(uint8_t& choice, int32_t code);

    // Execute in steps: the choice starts at Cancel and the labels are filled; after the dialog
    // has closed, choice() is the answer.
    void prepareExecute(int32_t code);
    uint8_t choice() const { return choice_; }

private:
    uint8_t choice_ = ChoiceCancel;
};

// The connection to the ECU could not be started: Cancel, Repeat, or another diagnostic port
// through an optional selection window.
class TNInitEcuEH : public TNBasisErrorHandler {
    Q_OBJECT
public:
    explicit TNInitEcuEH(QWidget* owner = nullptr, DriverTrace trace = exportedDriverTrace());

    // Shows the code with the texts of handler (its overrides decide them) and answers 0 for
    // code 0 (nothing shown), else 1 (repeat) or 2 (give up). selection (not owned, may be null)
    // is shown by the third button, which is disabled without it; its modal result becomes the
    // answer by the same rule: 1 repeats, anything else - 0 included - gives up.
    int Execute(TNBasisErrorHandler& handler, int32_t code, QDialog* selection);
    int Execute(TNBasisErrorHandlerTexts& handler, int32_t code, QDialog* selection);

    // Execute in steps: false for code 0 (show nothing, the answer is 0).
    bool prepareExecute(TNBasisErrorHandlerTexts& handler, int32_t code, QDialog* selection);
    int finishExecute() const { return retryAnswerOf(result()); }

    QDialog* selectionWindow() const { return selection_; }

private:
    void useSelectionWindow(QDialog* selection);

    QPointer<QDialog> selection_;
};
