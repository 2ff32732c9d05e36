#include "Schalterstellungen.h"

#include "DialogParts.h"
#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "KeltArtwork.h"
#include "TextCodec.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

// --- one row ----------------------------------------------------------------------------------

TfrmSchalterstellungenEintrag::TfrmSchalterstellungenEintrag(QWidget* parent)
    : QFrame(parent),
      imgSchalter(new QLabel(this)),
      lblBezeichnung(new QLabel(QStringLiteral("---"), this)),
      lblZustand(new QLabel(QStringLiteral("---"), this)) {
    setObjectName(QStringLiteral("frmSchalterstellungenEintrag"));
    setFrameShape(QFrame::NoFrame);
    setFixedHeight(57);
    resize(497, 57);

    imgSchalter->setObjectName(QStringLiteral("imgSchalter"));
    imgSchalter->setFixedSize(64, 50);
    imgSchalter->setScaledContents(true);
    imgSchalter->setAttribute(Qt::WA_TranslucentBackground);
    lblBezeichnung->setObjectName(QStringLiteral("lblBezeichnung"));
    lblBezeichnung->setTextFormat(Qt::PlainText);
    QFont bold = lblBezeichnung->font();
    bold.setBold(true);
    bold.setPointSize(13);
    lblBezeichnung->setFont(bold);
    lblZustand->setObjectName(QStringLiteral("lblZustand"));
    lblZustand->setTextFormat(Qt::PlainText);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(lblBezeichnung);
    texts->addWidget(lblZustand);
    texts->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 3, 4, 3);
    layout->setSpacing(10);
    layout->addWidget(imgSchalter);
    layout->addLayout(texts, 1);
}

// --- the window -------------------------------------------------------------------------------

TfrmSchalterstellungen::TfrmSchalterstellungen(QWidget* owner, KELTInterface& kelt)
    : TNBasisDialog(owner),
      lblUeberschrift(headerLabel(
          QStringLiteral("Only actuate one switch respectively, because the inputs are operated "
                         "logically in the ECU. Check the displayed switching states."),
          clientArea())),
      sbSchalter(new QScrollArea(clientArea())),
      Timer1(new QTimer(this)),
      kelt_(kelt),
      rows_(sbSchalter, QStringLiteral("sbSchalterInhalt")) {
    setObjectName(QStringLiteral("frmSchalterstellungen"));
    setWindowTitle(QStringLiteral("Switch settings"));
    setMinimumSize(350, 250);
    resize(560, 560);

    useOkButtonOnly(*this);

    for (int i = 0; i < kSwitchImageCount; ++i) ilSchalter.push_back(switchStatePicture(i));

    sbSchalter->setObjectName(QStringLiteral("sbSchalter"));

    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblUeberschrift);
    layout->addWidget(sbSchalter, 1);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerMs);
    connect(Timer1, &QTimer::timeout, this, &TfrmSchalterstellungen::Timer1Timer);
    Timer1->start();
}

void TfrmSchalterstellungen::prepareExecute() {
    kelt_.BuildSwitchList(list_);
    rows_.rebuild(list_.entries, list_.count);
    fitRowsWidth();
}

void TfrmSchalterstellungen::fitRowsWidth() {
    // Wide enough for the longest name as far as the screen allows; narrower, the rows scroll.
    const QMargins margins = layout()->contentsMargins();
    const int needed = sbSchalter->widget()->minimumSizeHint().width() +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * sbSchalter->frameWidth() +
                       margins.left() + margins.right();
    int limit = needed;
    if (const QScreen* screen = this->screen()) limit = screen->availableGeometry().width() * 9 / 10;
    resize(std::max(width(), std::min(needed, limit)), height());
}

int TfrmSchalterstellungen::Execute() {
    prepareExecute();
    return exec();
}

void TfrmSchalterstellungen::Timer1Timer() {
    Timer1->stop();
    answer_ = repeatWhileAsked([this] { return kelt_.ReadSwitchStates(list_); });
    if (answer_ != NoErrorShown) {
        kelt_.DiagnoseAktiv = 0;
        done(GiveUp);
        return;
    }

    for (std::size_t i = 0; i < list_.count && i < rows().size(); ++i) {
        _SwitchBasis& entry = list_.entries[i];
        TfrmSchalterstellungenEintrag* row = rows()[i];
        if (!entry.visible || !row) continue;
        if (entry.state == entry.shownState && !firstDisplay_) continue;
        const std::string text = entry.state < entry.stateTexts.size() ? entry.stateTexts[entry.state] : "";
        row->lblZustand->setText(fromAnsi(text));
        row->imgSchalter->setPixmap(ilSchalter[static_cast<std::size_t>(SwitchImageIndex(entry.kind, entry.state))]);
        entry.shownState = entry.state;
    }
    firstDisplay_ = 0;
    Timer1->start();
}

void TfrmSchalterstellungen::done(int result) {
    Timer1->stop();
    TNBasisDialog::done(result);
}

void TfrmSchalterstellungen::reject() { done(GiveUp); }
