#pragma once
// The splash window shown during start-up (never in automation mode): a borderless picture that
// stays on top, centred on the main window or, while there is none, on the screen.

#include <QString>
#include <QWidget>

class PictureView;
class QFrame;

class Tfrm_NSplash : public QWidget {
    Q_OBJECT
public:
    // programName is written into the picture; empty takes the product name of the running
    // program (NData), else the application name. The window is built, not shown.
    explicit Tfrm_NSplash(QWidget* owner = nullptr, const QString& programName = {});

    QFrame* Panel1;
    PictureView* Image1;

protected:
    void showEvent(QShowEvent* event) override;
    // Hides the splash as soon as any dialog of the program opens: it stays on top and would
    // cover the dialog's buttons.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
