#pragma once
// TParameterPrint: the printed parameter protocol ("Print ECU parameters"). It holds the print
// data (the ECU's texts, the date, the numbers and values), which ParameterPrintLayout
// (app/core) lays out, and shows them in the print preview. The parameter editor fills one per
// print:
//
//   TParameterPrint print(editor);
//   print.System = ...;
//   fillParameterPrint(print, konf, data);
//   print.Anzeigen();  // the preview, modal; returns once it is closed

#include "ParameterPrint.h"

class QWidget;

class TParameterPrint : public ParameterPrintLayout {
public:
    // owner: the window the preview belongs to (may be null).
    explicit TParameterPrint(QWidget* owner = nullptr) : owner_(owner) {}

    // Creates a Tfrm_Preview, shows the protocol in it and deletes it again.
    void Anzeigen();

private:
    QWidget* owner_;
};
