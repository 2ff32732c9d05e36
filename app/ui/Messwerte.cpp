#include "Messwerte.h"

#include "DialogParts.h"
#include "KELTInterface.h"
#include "TextCodec.h"

#include <QHeaderView>
#include <QLabel>
#include <QShowEvent>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* kNotRead = "---";

enum Column { ColumnValue, ColumnUnit, ColumnName };

}  // namespace

TNMesswerte::TNMesswerte(QWidget* owner, KELTInterface& kelt)
    : TNBasisDialog(owner),
      lblUeberschrift(headerLabel(QStringLiteral("Display of current ECU measured values"), clientArea())),
      ListView1(new QTreeWidget(clientArea())),
      MesswerteTimer(new QTimer(this)),
      kelt_(kelt) {
    setObjectName(QStringLiteral("NMesswerte"));
    setWindowTitle(QStringLiteral("Measured values"));
    setMinimumSize(350, 250);
    resize(560, 420);

    useOkButtonOnly(*this);

    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setColumnCount(3);
    ListView1->setHeaderLabels({QStringLiteral("Value"), QStringLiteral("Unit"), QStringLiteral("Name")});
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setSortingEnabled(false);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->header()->setSectionsClickable(false);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->setStretchLastSection(true);
    ListView1->setColumnWidth(ColumnValue, 70);
    ListView1->setColumnWidth(ColumnUnit, 70);

    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblUeberschrift);
    layout->addWidget(ListView1, 1);

    MesswerteTimer->setObjectName(QStringLiteral("MesswerteTimer"));
    MesswerteTimer->setInterval(kTimerMs);
    connect(MesswerteTimer, &QTimer::timeout, this, &TNMesswerte::MesswerteTimerTimer);
}

void TNMesswerte::showEvent(QShowEvent* event) {
    TNBasisDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TNMesswerte::FormShow() {
    TfrmCOMBasisDialog::FormShow();
    kelt_.BuildMeasuredValueList(list_);
    shownTexts_.assign(list_.size(), kNotRead);
    firstDisplay_ = 1;
    ListView1->clear();
    for (_MesswerteListe& entry : list_) {
        // A value not read yet stays "---", also when the first poll fails before it.
        entry.value = kNotRead;
        auto* item = new QTreeWidgetItem(ListView1);
        item->setText(ColumnValue, QString::fromLatin1(kNotRead));
        item->setText(ColumnUnit, fromAnsi(entry.unit));
        item->setText(ColumnName, fromAnsi(entry.name));
    }
    MesswerteTimer->start();
}

void TNMesswerte::MesswerteTimerTimer() {
    MesswerteTimer->stop();
    const int answer = kelt_.ReadMeasuredValues(list_);
    const bool givenUp = answer != NoErrorShown && answer != RepeatOperation;
    if (givenUp) {
        kelt_.DiagnoseAktiv = 0;
        done(GiveUp);
    }
    for (std::size_t i = 0; i < list_.size() && i < shownTexts_.size(); ++i) {
        const std::string& text = list_[i].value;
        if (text != shownTexts_[i] || firstDisplay_) {
            if (QTreeWidgetItem* item = ListView1->topLevelItem(static_cast<int>(i)))
                item->setText(ColumnValue, fromAnsi(text));
        }
        shownTexts_[i] = text;
    }
    firstDisplay_ = 0;
    // After a give-up no further poll may reach the lost connection while the window closes.
    if (!givenUp) MesswerteTimer->start();
}

void TNMesswerte::done(int result) {
    MesswerteTimer->stop();
    TNBasisDialog::done(result);
}

void TNMesswerte::reject() { done(GiveUp); }
