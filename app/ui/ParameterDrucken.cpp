#include "ParameterDrucken.h"

#include "Preview.h"

void TParameterPrint::Anzeigen() {
    Tfrm_Preview preview(owner_);
    preview.ReportAnzeigen(*this);
}
