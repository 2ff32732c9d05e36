#include "Parameter.h"

#include "ErrorReporter.h"
#include "HourglassCursor.h"
#include "InfoPopup.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "NData.h"
#include "NNorvaFile.h"
#include "ParameterPKDAuswahl.h"
#include "ParameterDrucken.h"
#include "ParameterTransfer.h"
#include "SelectFile.h"
#include "StringTable.h"
#include "TextCodec.h"
#include "WrappedLabel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcutEvent>
#include <QStyle>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

constexpr int kEditWidth = 50;
// The data files the editor loads and saves hold ECU data.
constexpr DataFileKind kEcuDataFile = 1;

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

// The style's pictures for the bottom panel, decoded once per process (they are image files:
// decoding them cost more than building the rest of the panel), freed with the application.
class PanelIcons : public QObject {
public:
    using QObject::QObject;
    static QIcon icon(const QStyle* style, QStyle::StandardPixmap picture) {
        static QPointer<PanelIcons> icons;
        if (!icons) icons = new PanelIcons(qApp);
        if (icons->style_ != style) {
            icons->icons_.clear();
            icons->style_ = style;
        }
        const auto it = icons->icons_.find(picture);
        if (it != icons->icons_.end()) return it->second;
        return icons->icons_.emplace(picture, style->standardIcon(picture)).first->second;
    }

private:
    const QStyle* style_ = nullptr;
    std::map<QStyle::StandardPixmap, QIcon> icons_;
};

// A button of the bottom panel: the picture, with its caption as a label under it whose
// mnemonic clicks the button.
QPushButton* panelButton(const char* name, QStyle::StandardPixmap picture, const char* labelName,
                         const char* caption, QLabel*& label, QGridLayout* grid, int column) {
    QWidget* panel = grid->parentWidget();
    auto* button = new QPushButton(panel);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(PanelIcons::icon(panel->style(), picture));
    button->setIconSize(QSize(32, 32));
    button->setFixedSize(56, 48);
    button->setAutoDefault(false);
    label = new QLabel(QString::fromLatin1(caption), panel);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setBuddy(button);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    button->setToolTip(label->text().remove(QLatin1Char('&')));
    grid->addWidget(button, 0, column, Qt::AlignHCenter);
    grid->addWidget(label, 1, column, Qt::AlignHCenter);
    return button;
}

}  // namespace

// A transfer with the ECU: the hourglass and the popup, and no user input for the editor. Input
// queued meanwhile is dropped when the transfer ends, so a click made during it cannot start
// another one afterwards. Error dialogs shown by the transfer take their input as usual.
class TfrmParameter::Transfer : public QObject {
public:
    Transfer(TfrmParameter& window, int textId)
        : window_(window), busy_(&HourglassCursor::application()) {
        window_.transfer_ = true;
        qApp->installEventFilter(this);
        InfoPopupZeigen(LoadStr(textId));
    }
    ~Transfer() override {
        QCoreApplication::processEvents();
        qApp->removeEventFilter(this);
        InfoPopupSchliessen();
        window_.transfer_ = false;
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!isUserInput(event->type())) return false;
        const auto* widget = qobject_cast<QWidget*>(watched);
        return widget && (widget == &window_ || window_.isAncestorOf(widget));
    }

private:
    TfrmParameter& window_;
    BusyCursorScope busy_;
};

TfrmParameter::TfrmParameter(QWidget* owner)
    : TfrmCOMBasisDialog(owner, Placement::MainFormCentre),
      sbParameter(new QScrollArea(this)),
      Panel1(new QWidget(this)),
      DebugAusgabe(new QTextEdit(this)) {
    setObjectName(QStringLiteral("frmParameter"));
    setWindowTitle(QStringLiteral("Parameter"));
    setMinimumSize(525, 220);
    resize(792, 566);
    setSizeGripEnabled(true);

    sbParameter->setObjectName(QStringLiteral("sbParameter"));
    sbParameter->setWidgetResizable(true);
    sbParameter->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("sbParameterInhalt"));
    auto* rowLayout = new QVBoxLayout(content);
    rowLayout->setContentsMargins(10, 5, 40, 5);
    rowLayout->setSpacing(5);
    sbParameter->setWidget(content);
    sbParameter->viewport()->installEventFilter(this);

    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(110);
    auto* grid = new QGridLayout(Panel1);
    btnECULesen = panelButton("btnECULesen", QStyle::SP_ArrowDown, "Label1", "&Read from ECU",
                              Label1, grid, 0);
    btnECUSchreiben = panelButton("btnECUSchreiben", QStyle::SP_ArrowUp, "Label2", "&Write to ECU",
                                  Label2, grid, 1);
    btnPCLesen = panelButton("btnPCLesen", QStyle::SP_DialogOpenButton, "Label3", "R&ead from file",
                             Label3, grid, 2);
    btnPCSchreiben = panelButton("btnPCSchreiben", QStyle::SP_DialogSaveButton, "Label4",
                                 "Wr&ite to file", Label4, grid, 3);
    btnProtokollDrucken = panelButton("btnProtokollDrucken", QStyle::SP_FileDialogDetailedView,
                                      "Label5", "&Parameter protocol", Label5, grid, 4);
    grid->setColumnStretch(5, 1);
    btnOK = new QPushButton(QStringLiteral("&OK"), Panel1);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnAbbruch = new QPushButton(QStringLiteral("&Cancel"), Panel1);
    btnAbbruch->setObjectName(QStringLiteral("btnAbbruch"));
    for (QPushButton* button : {btnOK, btnAbbruch}) {
        button->setAutoDefault(false);
        button->setMinimumSize(75, 25);
    }
    grid->addWidget(btnOK, 1, 6, Qt::AlignBottom);
    grid->addWidget(btnAbbruch, 1, 7, Qt::AlignBottom);

    DebugAusgabe->setObjectName(QStringLiteral("DebugAusgabe"));
    DebugAusgabe->hide();

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(sbParameter, 1);
    outer->addWidget(Panel1);

    for (QLabel* label : {Label1, Label2, Label3, Label4, Label5}) label->installEventFilter(this);

    connect(btnECULesen, &QPushButton::clicked, this, &TfrmParameter::btnECULesenClick);
    connect(btnECUSchreiben, &QPushButton::clicked, this, &TfrmParameter::btnECUSchreibenClick);
    connect(btnPCLesen, &QPushButton::clicked, this, &TfrmParameter::btnPCLesenClick);
    connect(btnPCSchreiben, &QPushButton::clicked, this, &TfrmParameter::btnPCSchreibenClick);
    connect(btnProtokollDrucken, &QPushButton::clicked, this, &TfrmParameter::btnProtokollDruckenClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmParameter::btnOKClick);
    connect(btnAbbruch, &QPushButton::clicked, this, &TfrmParameter::btnAbbruchClick);
}

// --- the description and the rows -------------------------------------------------------------

int TfrmParameter::Execute(structParameter parameter) {
    if (prepareExecute(std::move(parameter)) != 0) return 1;
    exec();
    return 0;
}

int TfrmParameter::prepareExecute(structParameter parameter) {
    parameter_ = std::move(parameter);
    if (PKDDateiLaden() != 0) return 1;
    ParameterAnzeigeAufbauen();
    Aufbau = 0;
    if (SofortLesen) btnECULesenClick();
    entries_->Geaendert = false;
    return 0;
}

int TfrmParameter::PKDDateiLaden() {
    if (!parameter_.pDiagnoseAktiv || !*parameter_.pDiagnoseAktiv) {
        disableEcuButtonsWhenDisconnected();
        // The files beside the one the caller named; the choice replaces it and the ECU number.
        TfrmParameterPKDAuswahl picker(this, std::filesystem::path(parameter_.PKDDatei).parent_path());
        if (picker.Execute(parameter_.PKDDatei, parameter_.Teilenummer) != 1) return 1;
    } else {
        SofortLesen = 1;
    }

    std::optional<ParameterDescription> description;
    {
        BusyCursorScope busy(&HourglassCursor::application());
        description = readParameterDescription(parameter_.PKDDatei);
    }
    if (!description) {
        MsgBox(missingDescriptionMessage(parameter_.PKDDatei), title(), MB_ICONWARNING);
        return 1;
    }
    description_ = std::move(*description);
    parameter_.DiagnoseKennung = description_.DiagnoseKennung;
    entries_.emplace(description_.ParaKonf);
    setWindowTitle(fromAnsi(parameter_.Teilenummer + " / " + parameter_.DiagnoseKennung));
    return 0;
}

void TfrmParameter::ParameterAnzeigeAufbauen() {
    QWidget* content = sbParameter->widget();
    auto* layout = static_cast<QVBoxLayout*>(content->layout());
    const std::vector<structParaInfo>& parameters = description_.ParaKonf.Parameter;
    rows_.assign(parameters.size(), {});
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const structParaInfo& parameter = parameters[i];
        ParameterRow& row = rows_[i];
        row.GruppenBox = new QGroupBox(
            fromAnsi(LoadStr(11644) + " " + std::to_string(parameter.Nummer)), content);
        row.GruppenBox->setObjectName(QStringLiteral("GruppenBox%1").arg(i));
        row.Eingabefeld = new QLineEdit(QStringLiteral("0"), row.GruppenBox);
        row.Eingabefeld->setObjectName(QStringLiteral("Eingabefeld%1").arg(i));
        row.Eingabefeld->setFixedWidth(kEditWidth);
        row.Eingabefeld->installEventFilter(this);
        rowOfEdit_.emplace(row.Eingabefeld, i);
        if (parameter.Art == ArtBits)
            addBitRows(row, parameter, i);
        else
            addValueRows(row, parameter);
        connect(row.Eingabefeld, &QLineEdit::textChanged, this, [this, i](const QString& text) {
            entries_->setText(i, toAnsi(text));
            showOptions(i);
        });
        layout->addWidget(row.GruppenBox);
    }
    for (const std::string& line : description_.Hinweise) {
        auto* label = new WrappedLabel(fromAnsi(line), content);
        hinweise_.push_back(label);
        layout->addWidget(label);
    }
    layout->addStretch(1);
    if (!rows_.empty()) setTabOrder(rows_.back().Eingabefeld, btnECULesen);
}

void TfrmParameter::addBitRows(ParameterRow& row, const structParaInfo& parameter, std::size_t index) {
    auto* box = new QVBoxLayout(row.GruppenBox);
    auto* value = new QHBoxLayout;
    value->addWidget(row.Eingabefeld);
    value->addSpacing(10);
    value->addWidget(new QLabel(fromAnsi(LoadStr(11645)), row.GruppenBox));
    value->addStretch(1);
    box->addLayout(value);
    for (unsigned b = 0; b < 8; ++b) {
        auto* group = new QGroupBox(fromAnsi(LoadStr(11646) + std::to_string(b)), row.GruppenBox);
        group->setObjectName(QStringLiteral("Bit%1").arg(b));
        auto* items = new QVBoxLayout(group);
        items->setContentsMargins(8, 2, 8, 2);
        items->setSpacing(0);
        auto* buttons = new QButtonGroup(group);
        std::array<QRadioButton*, 2> options{};
        for (unsigned item = 0; item < 2; ++item) {
            options[item] = new QRadioButton(fromAnsi(parameter.BitTexte[b][item]), group);
            buttons->addButton(options[item], static_cast<int>(item));
            items->addWidget(options[item]);
        }
        options[0]->setChecked(true);
        connect(buttons, &QButtonGroup::idClicked, this, [this, index, b](int item) {
            OptionenChange(index, b, static_cast<unsigned>(item));
        });
        row.OptionsGruppen.push_back(group);
        row.Optionen.push_back(options);
        box->addWidget(group);
    }
}

void TfrmParameter::addValueRows(ParameterRow& row, const structParaInfo& parameter) {
    auto* box = new QVBoxLayout(row.GruppenBox);
    for (const std::string& line : parameter.Texte) {
        auto* label = new WrappedLabel(fromAnsi(line), row.GruppenBox);
        row.Texte.push_back(label);
        box->addWidget(label);
    }
    auto* value = new QHBoxLayout;
    value->addWidget(row.Eingabefeld);
    value->addSpacing(5);
    row.Einheit = new QLabel(fromAnsi(parameter.Einheit), row.GruppenBox);
    row.Einheit->setTextFormat(Qt::PlainText);
    value->addWidget(row.Einheit);
    value->addStretch(1);
    box->addSpacing(10);
    box->addLayout(value);
}

// --- values and options ---------------------------------------------------------------------------

void TfrmParameter::showEntries() {
    for (std::size_t i = 0; i < rows_.size(); ++i) rows_[i].Eingabefeld->setText(fromAnsi(entries_->text(i)));
}

void TfrmParameter::showOptions(std::size_t i) {
    const ParameterRow& row = rows_[i];
    if (row.Optionen.empty()) return;
    OptionenAktualisieren = 1;
    const std::array<uint8_t, 8> items = entries_->bitItems(i);
    for (std::size_t b = 0; b < row.Optionen.size(); ++b) row.Optionen[b][items[b] ? 1 : 0]->setChecked(true);
    OptionenAktualisieren = 0;
}

void TfrmParameter::OptionenChange(std::size_t i, unsigned b, unsigned item) {
    if (Aufbau || OptionenAktualisieren) return;
    entries_->selectBitItem(i, b, item);
    rows_[i].Eingabefeld->setText(fromAnsi(entries_->text(i)));
}

void TfrmParameter::EingabefeldExit(std::size_t i) {
    const EntryCheck check = entries_->leave(i);
    if (!check.accepted()) {
        showRefusal(i, check);
        return;
    }
    rows_[i].Eingabefeld->setText(fromAnsi(check.text));
}

void TfrmParameter::showRefusal(std::size_t i, const EntryCheck& check) {
    leaving_ = true;
    MsgBox(LoadStr(check.messageId), title(), MB_ICONWARNING);
    rows_[i].Eingabefeld->setText(fromAnsi(check.text));
    rows_[i].Eingabefeld->setFocus();
    leaving_ = false;
}

void TfrmParameter::EditKeyDown(std::size_t i, NavigationKey key) {
    const std::optional<std::size_t> target = navigationTarget(i, rows_.size(), key);
    if (!target) return;
    rows_[*target].Eingabefeld->setFocus(Qt::TabFocusReason);
    sbParameter->ensureWidgetVisible(rows_[*target].GruppenBox);
}

std::optional<std::size_t> TfrmParameter::rowOf(const QObject* edit) const {
    // Every event of every edit comes through here: a look-up, not a search of the rows.
    const auto it = rowOfEdit_.find(edit);
    if (it == rowOfEdit_.end()) return std::nullopt;
    return it->second;
}

bool TfrmParameter::pressByMnemonic(QLabel* label, const QShortcutEvent& shortcut) {
    auto* button = qobject_cast<QAbstractButton*>(label->buddy());
    if (!button) return false;
    button->setFocus(Qt::ShortcutFocusReason);
    // An edit that refused to be left (its message has been shown) keeps the focus; the button
    // is not pressed then, or packing would show the same message a second time.
    if (!shortcut.isAmbiguous() && button->isEnabled() && button->window()->focusWidget() == button)
        button->animateClick();
    return true;
}

bool TfrmParameter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        if (auto* label = qobject_cast<QLabel*>(watched))
            return pressByMnemonic(label, *static_cast<QShortcutEvent*>(event));
    }
    if (watched == sbParameter->viewport() && event->type() == QEvent::Wheel) {
        QScrollBar* bar = sbParameter->verticalScrollBar();
        const bool down = static_cast<QWheelEvent*>(event)->angleDelta().y() < 0;
        bar->setValue(wheelScrollPosition(bar->value(), bar->maximum(), down));
        return true;
    }
    const std::optional<std::size_t> i = rowOf(watched);
    if (!i) return TfrmCOMBasisDialog::eventFilter(watched, event);
    const bool bits = description_.ParaKonf.Parameter[*i].Art == ArtBits;

    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window taking the focus (a message box, the popup) is no leaving.
        if (!leaving_ && !transfer_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            EingabefeldExit(*i);
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up: EditKeyDown(*i, NavigationKey::Up); return true;
    case Qt::Key_Down: EditKeyDown(*i, NavigationKey::Down); return true;
    case Qt::Key_PageUp: EditKeyDown(*i, NavigationKey::PageUp); return true;
    case Qt::Key_PageDown: EditKeyDown(*i, NavigationKey::PageDown); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: focusNextChild(); return true;
    default: break;
    }
    // Only digits (and for values the decimal point, "." or ",", and the sign) are typed;
    // Backspace and the editing keys pass.
    const QString text = key->text();
    if (text.size() != 1 || !text[0].isPrint()) return false;
    const QString allowed = bits ? QStringLiteral("0123456789") : QStringLiteral("0123456789.,-");
    return !allowed.contains(text[0]);
}

// --- transfers -------------------------------------------------------------------------------

void TfrmParameter::copyIdentification() {
    paraSetInfo_ = {parameter_.Teilenummer, parameter_.Seriennr, parameter_.Fertigungsdatum,
                    parameter_.Softwareversion};
}

void TfrmParameter::disableEcuButtonsWhenDisconnected() {
    if (parameter_.pDiagnoseAktiv && *parameter_.pDiagnoseAktiv) return;
    btnECULesen->setEnabled(false);
    btnECUSchreiben->setEnabled(false);
}

void TfrmParameter::btnECULesenClick() {
    ParameterReadOutcome outcome;
    {
        Transfer transfer(*this, 11642);
        outcome = readParameterBlockFor(parameter_, description_.ParaKonf.AnzahlBytes());
        copyIdentification();
    }
    btnECUSchreiben->setEnabled(outcome.read());
    btnPCSchreiben->setEnabled(outcome.read());
    disableEcuButtonsWhenDisconnected();
    if (!outcome.read()) {
        MsgBox(LoadStr(outcome.messageId), title(), MB_ICONWARNING);
        return;
    }
    entries_->show(outcome.block);
    showEntries();
}

std::optional<std::vector<uint8_t>> TfrmParameter::packedBlock() {
    PackResult packed = entries_->pack();
    if (!packed.packed()) {
        showRefusal(*packed.failed, packed.check);
        return std::nullopt;
    }
    return std::move(packed.block);
}

void TfrmParameter::btnECUSchreibenClick() {
    const std::optional<std::vector<uint8_t>> block = packedBlock();
    if (!block) return;
    int messageId = 0;
    {
        Transfer transfer(*this, 11643);
        copyIdentification();
        geschrieben_ = true;
        messageId = writeParameterBlockFor(parameter_, *block, [] {
            return KELTInterfaceObj ? KELTInterfaceObj->ClearFaultMemory() : NoErrorShown;
        });
        if (messageId == kWrittenText) entries_->Geaendert = false;
    }
    disableEcuButtonsWhenDisconnected();
    MsgBox(LoadStr(messageId), title(), messageId == kWrittenText ? MB_ICONINFORMATION : MB_ICONWARNING);
}

void TfrmParameter::btnPCLesenClick() {
    const std::string name = SelectReadData(kEcuDataFile, "");
    if (name.empty()) return;
    ParameterFileLoad load;
    {
        BusyCursorScope busy(&HourglassCursor::application());
        load = loadParameterFile(name, parameter_.Systemname, description_);
    }
    if (load.loaded()) {
        paraSetInfo_ = {};
        entries_->show(load.block);
        showEntries();
    }
    MsgBox(LoadStr(load.messageId), title(), load.loaded() ? MB_ICONINFORMATION : MB_ICONWARNING);
}

void TfrmParameter::btnPCSchreibenClick() {
    const std::optional<std::vector<uint8_t>> block = packedBlock();
    if (!block) return;
    const std::string name = SelectWriteData(kEcuDataFile, "", false);
    if (name.empty()) return;
    ProfileWriteResult saved;
    {
        BusyCursorScope busy(&HourglassCursor::application());
        saved = saveParameterFile(name,
                                  {parameter_.Systemname, parameter_.Programmkennung,
                                   parameter_.DiagnoseKennung, paraSetInfo_},
                                  BlockInDatensatz(description_.ParaKonf, *block));
    }
    if (!saved) {
        MsgBox(messageWithSystemText(kNotStoredText, saved.message), title(), MB_ICONWARNING);
        return;
    }
    entries_->Geaendert = false;
    MsgBox(LoadStr(kStoredText), title(), MB_ICONINFORMATION);
}

void TfrmParameter::btnProtokollDruckenClick() {
    const std::optional<std::vector<uint8_t>> block = packedBlock();
    if (!block) return;
    // The connected ECU's texts, whatever the values' origin.
    TParameterPrint print(this);
    print.System = parameter_.Systemname;
    print.Teilenummer = parameter_.Teilenummer;
    print.Fertigungsdatum = parameter_.Fertigungsdatum;
    print.Seriennr = parameter_.Seriennr;
    print.Datum = TodayString(programContext().clock());
    fillParameterPrint(print, description_.ParaKonf, BlockInDatensatz(description_.ParaKonf, *block));
    print.Anzeigen();
}

void TfrmParameter::btnOKClick() {
    if (Geaendert() && MsgBox(LoadStr(11655), title(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    done(1);
}

void TfrmParameter::btnAbbruchClick() { done(2); }

std::string TfrmParameter::title() const { return DiagAttr.Anwendungstitel; }
