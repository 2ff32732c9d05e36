#include "Suppeculiste.h"

#include <QFrame>
#include <QLayout>

namespace {

// The gap between the list area and the buttons is 22 pixels: 9 above the separator line, 4 of
// the line, 9 below. With a client height of 526 that gives the list area 342 pixels and puts
// the buttons 484 pixels from the top.
constexpr int kGapAroundSeparator = 9;
constexpr int kSeparatorHeight = 4;

}  // namespace

TfrmSupportedEcuList1::TfrmSupportedEcuList1(QWidget* owner, const EcuListEntries& list)
    : TfrmSupportedEcuList(owner, list) {
    setObjectName(QStringLiteral("frmSupportedEcuList1"));
    if (QLayout* outer = layout()) outer->setSpacing(kGapAroundSeparator);
    Panel1->setFixedHeight(kSeparatorHeight);
    setMinimumSize(350, 280);
    resize(width(), 526);
}
