#pragma once
// The two bases of the program's modal dialogs.
//
// TfrmCOMBasisDialog ties a dialog into the automation mode: while AutomatisierungsModus is set,
// each showing is announced to the automation hub (RegisterModalWindow) and withdrawn when the
// dialog is really hidden again (UnregisterModalWindow) - by accept, reject, done(), the close
// box, Escape or its destruction - exactly once per showing, under the window handle that was
// announced. Minimising and restoring (spontaneous hide and show) change nothing. A derived
// dialog that overrides showEvent or hideEvent calls this class's version.
//
// TNBasisDialog adds the common layout of three buttons under a separator line; a derived dialog
// puts its controls into clientArea() and sets the captions, results and visibility of btn1..3.

#include "AutomationHub.h"

#include <QDialog>

class QFrame;
class QPushButton;

class TfrmCOMBasisDialog : public QDialog {
    Q_OBJECT
public:
    // Where the dialog stands when it is shown.
    enum class Placement {
        Default,          // the toolkit's choice (over the owner)
        OwnerCentre,      // centred on the owner's window
        MainFormCentre,   // centred on the application's main window
        ScreenCentre,     // centred on the screen
    };

    // owner may be null. In automation mode the dialog is centred on its owner whatever the
    // layout says.
    explicit TfrmCOMBasisDialog(QWidget* owner = nullptr, Placement layoutPlacement = Placement::Default);
    ~TfrmCOMBasisDialog() override;

    Placement placement() const { return placement_; }
    // The handle announced for the current showing, 0 when this showing was not announced.
    WindowHandle announcedHandle() const { return announced_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    // Announce this showing / withdraw it. Called from the show and hide events; both are safe
    // to call again (one announcement and one withdrawal per showing).
    void FormShow();
    void FormClose();

private:
    void placeOnScreen();

    Placement placement_;
    WindowHandle announced_ = 0;
};

class TNBasisDialog : public TfrmCOMBasisDialog {
    Q_OBJECT
public:
    explicit TNBasisDialog(QWidget* owner = nullptr);

    // The area above the separator, for the derived dialog's controls (it has no layout yet).
    QWidget* clientArea() const { return clientArea_; }

    // Makes the button close the dialog with the modal result when clicked.
    void closeWith(QPushButton* button, int modalResult);

    QPushButton* btn1;
    QPushButton* btn2;
    QPushButton* btn3;
    QFrame* Panel1;

private:
    QWidget* clientArea_;
};

// The application's main window (its QMainWindow), or null while there is none.
QWidget* applicationMainForm();
