#pragma once
// TfrmSupportedEcuList1: the program's "Supported ECUs" window - the framework's list in a taller
// layout, so that the program's seventeen ECUs fit without scrolling. Sizes only, no behaviour.
// Use: TfrmSupportedEcuList1 w(owner); w.Execute();

#include "SupportedEcuListWindow.h"

class TfrmSupportedEcuList1 : public TfrmSupportedEcuList {
    Q_OBJECT
public:
    // list: as the framework window's (ECUListe by default).
    explicit TfrmSupportedEcuList1(QWidget* owner = nullptr, const EcuListEntries& list = ECUListe);
};
