#include "Wskalibrierdaten.h"

#include "DialogParts.h"
#include "ErrorReporter.h"
#include "MessageBox.h"
#include "TextCodec.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLineEdit* levelEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(QStringLiteral("0"), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(70);
    edit->setAlignment(Qt::AlignRight);
    useMenuColourWhenDisabled(edit);
    return edit;
}

QLabel* namedLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QString text(const std::string& s) { return fromAnsi(s); }

}  // namespace

TfrmWSKalibrierdaten::TfrmWSKalibrierdaten(QWidget* owner, KELTInterface& kelt)
    : TNBasisDialog(owner),
      gbNiveaueingabe(new QGroupBox(QStringLiteral("Level entry"), clientArea())),
      edONVorn(levelEdit("edONVorn", gbNiveaueingabe)),
      edDiffONVorn(levelEdit("edDiffONVorn", gbNiveaueingabe)),
      edFNVorn(levelEdit("edFNVorn", gbNiveaueingabe)),
      edDiffUNVorn(levelEdit("edDiffUNVorn", gbNiveaueingabe)),
      edUNVorn(levelEdit("edUNVorn", gbNiveaueingabe)),
      edONHinten(levelEdit("edONHinten", gbNiveaueingabe)),
      edDiffONHinten(levelEdit("edDiffONHinten", gbNiveaueingabe)),
      edFNHinten(levelEdit("edFNHinten", gbNiveaueingabe)),
      edDiffUNHinten(levelEdit("edDiffUNHinten", gbNiveaueingabe)),
      edUNHinten(levelEdit("edUNHinten", gbNiveaueingabe)),
      edONHintenRe(levelEdit("edONHintenRe", gbNiveaueingabe)),
      edDiffONHintenRe(levelEdit("edDiffONHintenRe", gbNiveaueingabe)),
      edFNHintenRe(levelEdit("edFNHintenRe", gbNiveaueingabe)),
      edDiffUNHintenRe(levelEdit("edDiffUNHintenRe", gbNiveaueingabe)),
      edUNHintenRe(levelEdit("edUNHintenRe", gbNiveaueingabe)),
      lblHALinks(namedLabel("lblHALinks", QStringLiteral("left"), gbNiveaueingabe)),
      lblHARechts(namedLabel("lblHARechts", QStringLiteral("right"), gbNiveaueingabe)),
      edDiffLinksRechts(levelEdit("edDiffLinksRechts", gbNiveaueingabe)),
      lblEinheit(namedLabel("lblEinheit", QStringLiteral("Unit :"), gbNiveaueingabe)),
      btnNiveausSpeichern(new QPushButton(QStringLiteral("Save"), gbNiveaueingabe)),
      gbEingabeart(new QGroupBox(QStringLiteral("Enter the levels"), clientArea())),
      rbObenUntenNiveau(new QRadioButton(QStringLiteral("Enter the upper and lower levels"), gbEingabeart)),
      rbDifferenzniveau(
          new QRadioButton(QStringLiteral("Enter as difference in relation to normal level"), gbEingabeart)),
      lblHinweis(headerLabel(QString(), clientArea())),
      edits_{edONVorn,       edDiffONVorn,     edFNVorn,       edDiffUNVorn,     edUNVorn,
             edONHinten,     edDiffONHinten,   edFNHinten,     edDiffUNHinten,   edUNHinten,
             edONHintenRe,   edDiffONHintenRe, edFNHintenRe,   edDiffUNHintenRe, edUNHintenRe,
             edDiffLinksRechts},
      logic_(kelt) {
    setObjectName(QStringLiteral("frmWSKalibrierdaten"));
    setWindowTitle(QStringLiteral("Calibration data of the distance sensors"));
    setMinimumSize(700, 570);
    resize(792, 566);

    btn1->setText(QStringLiteral("&OK"));
    connect(btn1, &QPushButton::clicked, this, &TfrmWSKalibrierdaten::btn1Click);
    btn2->setText(QStringLiteral("&Cancel"));
    closeWith(btn2, IDCANCEL);
    btn3->setText(QStringLiteral("Read level values as FN"));
    btn3->hide();
    // Enter in an edit neither writes to the ECU nor closes the window.
    for (QPushButton* button : {btn1, btn2, btn3, btnNiveausSpeichern}) button->setAutoDefault(false);

    gbNiveaueingabe->setObjectName(QStringLiteral("gbNiveaueingabe"));
    btnNiveausSpeichern->setObjectName(QStringLiteral("btnNiveausSpeichern"));
    gbEingabeart->setObjectName(QStringLiteral("gbEingabeart"));
    rbObenUntenNiveau->setObjectName(QStringLiteral("rbObenUntenNiveau"));
    rbDifferenzniveau->setObjectName(QStringLiteral("rbDifferenzniveau"));
    lblHinweis->setObjectName(QStringLiteral("lblHinweis"));

    // The grid: a row per level or difference, a column per sensor; beside it the left/right
    // difference, the unit and the save.
    auto* grid = new QGridLayout;
    // The axle heads wrap, so that the row texts keep their room.
    auto axleHead = [this](const QString& caption) {
        auto* head = new QLabel(caption, gbNiveaueingabe);
        head->setWordWrap(true);
        head->setAlignment(Qt::AlignCenter);
        return head;
    };
    grid->addWidget(axleHead(QStringLiteral("1-distance sensor axle")), 0, 1);
    grid->addWidget(axleHead(QStringLiteral("2-distance sensor axle")), 0, 2, 1, 2);
    grid->addWidget(lblHALinks, 1, 2, Qt::AlignCenter);
    grid->addWidget(lblHARechts, 1, 3, Qt::AlignCenter);
    const QString rows[] = {QStringLiteral("Upper level"),
                            QStringLiteral("Difference between upper level and normal level"),
                            QStringLiteral("Normal level"),
                            QStringLiteral("Difference between lower level and normal level"),
                            QStringLiteral("Lower level")};
    for (int row = 0; row < 5; ++row) {
        grid->addWidget(new QLabel(rows[row], gbNiveaueingabe), row + 2, 0);
        for (int column = 0; column < 3; ++column)
            grid->addWidget(edits_[static_cast<std::size_t>(column * 5 + row)], row + 2, column + 1);
    }
    auto* beside = new QVBoxLayout;
    beside->addWidget(new QLabel(QStringLiteral("Difference"), gbNiveaueingabe));
    beside->addWidget(new QLabel(QStringLiteral("Left - right"), gbNiveaueingabe));
    beside->addWidget(edDiffLinksRechts);
    beside->addSpacing(16);
    beside->addWidget(lblEinheit);
    beside->addStretch(1);
    beside->addWidget(new QLabel(QStringLiteral("Write level values to ECU"), gbNiveaueingabe));
    beside->addWidget(btnNiveausSpeichern);
    auto* entry = new QHBoxLayout(gbNiveaueingabe);
    entry->addLayout(grid);
    entry->addSpacing(24);
    entry->addLayout(beside);
    entry->addStretch(1);

    auto* modes = new QVBoxLayout(gbEingabeart);
    modes->addWidget(rbObenUntenNiveau);
    modes->addWidget(rbDifferenzniveau);
    rbObenUntenNiveau->setChecked(true);

    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(gbNiveaueingabe);
    layout->addWidget(gbEingabeart);
    layout->addWidget(lblHinweis);
    layout->addStretch(1);

    for (QLineEdit* edit : edits_) edit->installEventFilter(this);
    for (QRadioButton* button : {rbObenUntenNiveau, rbDifferenzniveau})
        connect(button, &QRadioButton::clicked, this, &TfrmWSKalibrierdaten::RadioGroupClick);
    connect(btnNiveausSpeichern, &QPushButton::clicked, this, &TfrmWSKalibrierdaten::btnNiveausSpeichernClick);
    // Opened, OK closes without a question until an edit was left.
    rbObenUntenNiveau->setFocus();
}

bool TfrmWSKalibrierdaten::prepareExecute() {
    RadioGroupClick();
    lblEinheit->setText(lblEinheit->text() + QLatin1Char(' ') + text(logic_.unitText()));
    for (QWidget* right : {static_cast<QWidget*>(lblHALinks), static_cast<QWidget*>(lblHARechts)})
        right->setVisible(logic_.hasRightColumn());
    for (std::size_t i = static_cast<std::size_t>(LevelEdit::UpperRight);
         i <= static_cast<std::size_t>(LevelEdit::LowerRight); ++i)
        edits_[i]->setVisible(logic_.hasRightColumn());
    if (!logic_.Start()) return false;
    showTexts();
    return true;
}

void TfrmWSKalibrierdaten::Execute() {
    if (prepareExecute()) exec();
}

void TfrmWSKalibrierdaten::showOffers() {
    for (std::size_t i = 0; i < edits_.size(); ++i) edits_[i]->setEnabled(logic_.enabled(static_cast<LevelEdit>(i)));
}

void TfrmWSKalibrierdaten::takeTexts() {
    for (std::size_t i = 0; i < edits_.size(); ++i)
        logic_.setText(static_cast<LevelEdit>(i), edits_[i]->text().toStdString());
}

void TfrmWSKalibrierdaten::showTexts() {
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        const QString shown = text(logic_.text(static_cast<LevelEdit>(i)));
        if (edits_[i]->text() != shown) edits_[i]->setText(shown);
    }
}

void TfrmWSKalibrierdaten::RadioGroupClick() {
    logic_.setMode(rbDifferenzniveau->isChecked() ? LevelEntryMode::Differences : LevelEntryMode::UpperAndLower);
    showOffers();
    lblHinweis->setText(text(logic_.hint()));
}

void TfrmWSKalibrierdaten::VerarbeitungEingabe(QLineEdit* sender) {
    const auto it = std::find(edits_.begin(), edits_.end(), sender);
    if (it == edits_.end()) return;
    takeTexts();
    logic_.leave(static_cast<LevelEdit>(it - edits_.begin()));
    showTexts();
}

bool TfrmWSKalibrierdaten::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Another window coming to the front (a message box) does not leave the edit.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            VerarbeitungEingabe(qobject_cast<QLineEdit*>(watched));
    }
    return TNBasisDialog::eventFilter(watched, event);
}

void TfrmWSKalibrierdaten::leaveFocusedEdit() {
    // A button reached by its key takes no focus: the edit typed in has not been left yet.
    if (auto* edit = qobject_cast<QLineEdit*>(focusWidget()); edit && edit->isEnabled())
        VerarbeitungEingabe(edit);
}

void TfrmWSKalibrierdaten::btnNiveausSpeichernClick() {
    leaveFocusedEdit();
    LevelEdit focus = LevelEdit::NormalFront;
    switch (logic_.Save(focus)) {
    case LevelDataEditor::SaveResult::BadEntry:
        edit(focus)->setFocus();
        edit(focus)->selectAll();
        break;
    case LevelDataEditor::SaveResult::GaveUp:
        done(GiveUp);
        break;
    case LevelDataEditor::SaveResult::Saved:
    case LevelDataEditor::SaveResult::Refused:
        break;
    }
}

void TfrmWSKalibrierdaten::btn1Click() {
    leaveFocusedEdit();
    if (logic_.ConfirmOk()) done(IDOK);
}

void TfrmWSKalibrierdaten::reject() { done(IDCANCEL); }
