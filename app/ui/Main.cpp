#include "Main.h"

#include "ALBAnsteuerung.h"
#include "AusgaengeAnsteuern.h"
#include "BaudrateUndAdresse.h"
#include "Drosseltest.h"
#include "CalibrationCheck.h"
#include "Einstellungen.h"
#include "Dskalibrierdaten.h"
#include "Dskalibrieren.h"
#include "Fahrzeugdaten.h"
#include "FaultMemoryRead.h"
#include "Hebensenken.h"
#include "ErrorHandler.h"
#include "FaultProtocol.h"
#include "HourglassCursor.h"
#include "HtmlHelp.h"
#include "KeltArtwork.h"
#include "KeltFsp.h"
#include "Lampentest.h"
#include "MessageBox.h"
#include "Messwerte.h"
#include "NData.h"
#include "Parameter.h"
#include "PortDialog.h"
#include "ProgramModes.h"
#include "Schalterstellungen.h"
#include "ScrollingText.h"
#include "SelectableText.h"
#include "StringTable.h"
#include "Suppeculiste.h"
#include "SupportedEcuList.h"
#include "SystemData.h"
#include "TextCodec.h"
#include "Wartendialog.h"
#include "Wskalibrierdaten.h"

#include <QAction>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>


// --- the real windows behind the session's seams ---------------------------------------------

// The error reporter of the ECU operations. Its dialog is built for the first error shown: most
// starts show none.
class TfrmMain::ErrorDialog : public ErrorReporter {
public:
    explicit ErrorDialog(QWidget* owner) : owner_(owner) {}
    int FehlerAnzeigen(int32_t code) override {
        if (code == 0) return NoErrorShown;
        if (!dialog_) dialog_ = std::make_unique<TNErrorHandler>(owner_);
        return dialog_->FehlerAnzeigen(code);
    }

private:
    QWidget* owner_;
    std::unique_ptr<TNErrorHandler> dialog_;
};

// The ECU start error dialog: the program's, with the texts of the program's codes, without a
// selection window.
class TfrmMain::EcuStartDialog : public EcuStartErrorDialog {
public:
    int Execute(int32_t code) override {
        TNInitEcuEH* dialog = programInitEcuDialog();
        if (!dialog) return 2;
        return dialog->Execute(texts_, code, nullptr);
    }

private:
    TNErrorHandlerTexts texts_;
};

// The port dialog's retry loop with the ECU layer's opening callback.
class TfrmMain::PortOpener : public InterfaceOpener {
public:
    bool InitDiagnosticInterface() override {
        // The demo answers for the ECU itself: no port to ask for, no interface to open.
        if (DemoModus) return true;
        TfrmDIPort* dialog = programPortDialog();
        return dialog && dialog->InitDiagnosticInterface(OpenDiagInterface) == 1;
    }
};

namespace {

// The seventeen supported ECUs: part number and diagnostic identifier, in the list's order.
const ECUListeListeneintrag kSupportedEcus[] = {
    {"841 302 100 0", "10700100"}, {"841 302 101 0", "10700200"}, {"841 302 102 0", "10700200"},
    {"841 302 103 0", "10710200"}, {"841 302 104 0", "10710300"}, {"841 302 105 0", "10700200"},
    {"841 302 106 0", "10700400"}, {"841 302 107 0", "10710300"}, {"841 302 108 0", "10700400"},
    {"841 302 109 0", "10700400"}, {"841 302 110 0", "10760000"}, {"841 302 111 0", "10700400"},
    {"841 302 112 0", "10740500"}, {"841 302 113 0", "10740600"}, {"841 302 114 0", "10742000"},
    {"841 302 115 0", "10780000"}, {"841 302 117 0", "10780100"},
};

const char* const kWarningLines[] = {
    "ATTENTION !",
    "During the KELT diagnosis it is imperative to ",
    "SECURE VEHICLE ! During ",
    "diagnostic operations an automatic KELT ",
    "activation may occur and trigger SUDDEN ",
    "VEHICLE MOVEMENTS.",
};

QLabel* valueLabel(const char* objectName, QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("---"), parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    selectableByMouse(label);
    return label;
}

QGroupBox* groupBox(const char* title, const char* objectName, QWidget* parent) {
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    box->setObjectName(QString::fromLatin1(objectName));
    return box;
}

// The boxes of the left column share the window's fixed height: rows close together, little
// room around them.
QVBoxLayout* compactLayout(QVBoxLayout* layout) {
    layout->setContentsMargins(9, 4, 9, 4);
    layout->setSpacing(2);
    return layout;
}

QGridLayout* compactLayout(QGridLayout* layout) {
    layout->setContentsMargins(9, 4, 9, 4);
    layout->setVerticalSpacing(2);
    layout->setHorizontalSpacing(8);
    return layout;
}

// A caption and its value in the next row of the box's grid.
QLabel* addValueRow(QGridLayout* grid, const char* caption, const char* objectName) {
    QWidget* box = grid->parentWidget();
    QLabel* value = valueLabel(objectName, box);
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(QString::fromLatin1(caption), box), row, 0);
    grid->addWidget(value, row, 1);
    grid->setColumnStretch(1, 1);
    return value;
}

}  // namespace

// --- construction -----------------------------------------------------------------------------

TfrmMain::TfrmMain(QWidget* owner, MainWindowEnvironment environment)
    : TNBasisform(owner, true, environment.basis), environment_(std::move(environment)) {
    setObjectName(QStringLiteral("frmMain"));
    if (environment_.programFolder.empty())
        environment_.programFolder = application().programFile().parent_path().string();

    buildLayout();
    buildCommands();

    NErrorHandler_ = std::make_unique<ErrorDialog>(this);
    KELTInterfaceObj_ = std::make_unique<KELTInterface>(
        environment_.calls ? *environment_.calls : exportedJed677Calls(), *NErrorHandler_);
    KELTInterfaceObj = KELTInterfaceObj_.get();
    previousContext_ = installProgramContext(&programContext_);
    KELTInterfaceObj_->setProgramFolder(environment_.programFolder);
    ecuStartDialog_ = std::make_unique<EcuStartDialog>();
    portOpener_ = std::make_unique<PortOpener>();
    waitDialog_ = std::make_unique<WaitWindow>(this);
    KELTInterfaceObj_->setWaitDialog(waitDialog_.get());
    KELTInterfaceObj_->setInterfaceOpener(portOpener_.get());
    KELTInterfaceObj_->setBusyCursor(&HourglassCursor::application());

    session_ = std::make_unique<DiagnosisSession>(
        *KELTInterfaceObj_, *this, *ecuStartDialog_, *portOpener_, HourglassCursor::application(),
        environment_.sessionClock ? *environment_.sessionClock : SteadyClock::instance(),
        hub());
    session_->setAvailableCommands(availableCommands());
    // The poll looks its two texts up in the program's fault-text file, window-free.
    session_->setFaultTexts(programFaultTexts(environment_.programFolder));
    session_->setIdleRequest([this] { requestIdle(); });
    session_->Initialise();
    // The section of the fault-memory protocols this program saves and reads.
    EcuName = session_->ecuRecordName();
}

TfrmMain::~TfrmMain() {
    MainTimer->stop();
    if (session_) {
        // No idle moment may reach a session that is going away.
        session_->setIdleRequest({});
        session_->InterruptDiagnosis();
    }
    idleTimer_->stop();
    session_.reset();
    if (&programContext() == &programContext_) installProgramContext(previousContext_);
    if (KELTInterfaceObj == KELTInterfaceObj_.get()) KELTInterfaceObj = nullptr;
    KELTInterfaceObj_.reset();
    NErrorHandler_.reset();
}

void TfrmMain::buildLayout() {
    QWidget* area = clientArea();
    auto* columns = new QHBoxLayout(area);
    columns->setContentsMargins(8, 8, 8, 8);
    columns->setSpacing(10);

    auto* left = new QVBoxLayout;
    left->setSpacing(8);
    columns->addLayout(left, 3);

    gbECUDaten = groupBox("ECU DATA", "gbECUDaten", area);
    auto* ecuGrid = compactLayout(new QGridLayout(gbECUDaten));
    txtGeraetenummer = addValueRow(ecuGrid, "Device number", "txtGeraetenummer");
    txtProduktionsdatum = addValueRow(ecuGrid, "Production date", "txtProduktionsdatum");
    txtSeriennummer = addValueRow(ecuGrid, "ECU serial number", "txtSeriennummer");
    txtSoftwareversion = addValueRow(ecuGrid, "Software version", "txtSoftwareversion");
    txtDiagnosekennung = addValueRow(ecuGrid, "Diagnostics identifier", "txtDiagnosekennung");
    left->addWidget(gbECUDaten);

    gbAktuellerFehler = groupBox("CURRENT NOTE", "gbAktuellerFehler", area);
    auto* faultBox = compactLayout(new QVBoxLayout(gbAktuellerFehler));
    txtAktuellerFehler = valueLabel("txtAktuellerFehler", gbAktuellerFehler);
    txtAktuellerFehler->setWordWrap(true);
    // Room for the fault's two lines (component, fault type) in bold, whatever is shown; a text
    // that wraps takes more from the configuration box below, so the window keeps its size.
    QFont boldFault = txtAktuellerFehler->font();
    boldFault.setBold(true);
    txtAktuellerFehler->setMinimumHeight(std::max(36, 2 * QFontMetrics(boldFault).lineSpacing() + 6));
    txtAktuellerFehler->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    faultBox->addWidget(txtAktuellerFehler);
    auto* note = new QLabel(
        QStringLiteral("ATTENTION! Messages can only be updated or deleted using the diagnostic memory dialog!"),
        gbAktuellerFehler);
    note->setWordWrap(true);
    faultBox->addWidget(note);
    left->addWidget(gbAktuellerFehler);

    gbKonfiguration = groupBox("CONFIGURATION", "gbKonfiguration", area);
    auto* configBox = compactLayout(new QVBoxLayout(gbKonfiguration));
    // The configuration box takes the column's free height. Its text (up to eight lines) scrolls
    // there when it needs more: a word-wrapped label straight in the column would claim its
    // height from the other boxes and squeeze their rows.
    txtKonfiguration = valueLabel("txtKonfiguration", gbKonfiguration);
    txtKonfiguration->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QScrollArea* configArea = scrollingText(txtKonfiguration, gbKonfiguration, "configArea");
    configBox->addWidget(configArea);
    left->addWidget(gbKonfiguration, 1);

    gbMesswerte = groupBox("CURRENT MEASURED VALUES", "gbMesswerte", area);
    auto* valuesGrid = compactLayout(new QGridLayout(gbMesswerte));
    txtSpgBetrieb = addValueRow(valuesGrid, "Voltage terminal 15", "txtSpgBetrieb");
    txtSpgRelaisventil = addValueRow(valuesGrid, "Voltage safety relay", "txtSpgRelaisventil");
    txtGeschwindigkeit = addValueRow(valuesGrid, "Speed", "txtGeschwindigkeit");
    left->addWidget(gbMesswerte);

    pnlFahrzeugschema = new QWidget(area);
    pnlFahrzeugschema->setObjectName(QStringLiteral("pnlFahrzeugschema"));
    auto* scheme = new QVBoxLayout(pnlFahrzeugschema);
    scheme->setContentsMargins(0, 0, 0, 0);
    imgFahrzeugschema = new PictureView(vehicleSchemePicture(), pnlFahrzeugschema);
    imgFahrzeugschema->setObjectName(QStringLiteral("imgFahrzeugschema"));
    scheme->addWidget(imgFahrzeugschema, 0, Qt::AlignHCenter);
    // A fixed text that fits its box: a framed label, which is far cheaper to build and paint
    // than an editor, and still lets the technician select and copy it.
    QStringList lines;
    for (const char* line : kWarningLines) lines << QString::fromLatin1(line);
    txtWarnung = valueLabel("txtWarnung", pnlFahrzeugschema);
    txtWarnung->setText(lines.join(QLatin1Char('\n')));
    txtWarnung->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    txtWarnung->setAutoFillBackground(true);
    txtWarnung->setBackgroundRole(QPalette::Base);
    txtWarnung->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    txtWarnung->setMargin(4);
    txtWarnung->setFixedHeight(txtWarnung->fontMetrics().lineSpacing() * 7 + 8);
    // Its lines are never cut: the column is at least as wide as they need, their closing
    // spaces included.
    int widestWarning = 0;
    for (const QString& line : lines)
        widestWarning = std::max(widestWarning, txtWarnung->fontMetrics().horizontalAdvance(line));
    txtWarnung->setMinimumWidth(widestWarning + 2 * (txtWarnung->margin() + txtWarnung->frameWidth()));
    QPalette warning = txtWarnung->palette();
    warning.setColor(QPalette::WindowText, Qt::red);
    warning.setColor(QPalette::Text, Qt::red);
    txtWarnung->setPalette(warning);
    scheme->addWidget(txtWarnung);
    scheme->addStretch(1);
    // Room for the framework's info panel, which floats over the bottom right corner.
    scheme->addSpacing(InfoPanel->height());
    columns->addWidget(pnlFahrzeugschema, 2);

    MainTimer = new QTimer(this);
    MainTimer->setObjectName(QStringLiteral("MainTimer"));
    MainTimer->setInterval(1000);
    connect(MainTimer, &QTimer::timeout, this, &TfrmMain::MainTimerTimer);

    idleTimer_ = new QTimer(this);
    idleTimer_->setSingleShot(true);
    idleTimer_->setInterval(0);
    connect(idleTimer_, &QTimer::timeout, this, &TfrmMain::MainIdle);
}

// --- menu items and tool buttons -----------------------------------------------------------------

std::span<const TfrmMain::CommandBinding> TfrmMain::bindings() {
    using C = MenuCommand;
    using W = TfrmMain;
    // One row per command this window names; the handler runs the command (null: its window is
    // not built yet, the command stays disabled). Menu, tool button, enabling rule and the frame
    // the handler runs in stand in the command's row of the command table (MenuCommands.h).
    static const CommandBinding kBindings[] = {
        {C::DiagnoseStarten, &W::mnuDiagnoseStarten, &W::cmd_ECUStart, &W::mnuDiagnoseStartenClick},
        {C::DiagnoseUnterbrechen, &W::mnuDiagnoseUnterbrechen, &W::cmd_ECUStop,
         &W::mnuDiagnoseUnterbrechenClick},
        {C::ECUNeustart, &W::mnuECUNeustart, &W::cmd_ECUReset, &W::mnuECUNeustartClick},
        {C::Fehlerspeicherprotokolldrucken, &W::Fehlerspeicherprotokolldrucken, nullptr,
         &W::FehlerspeicherprotokolldruckenClick},
        {C::Beenden, &W::mnuBeenden, nullptr, &W::mnuBeendenClick},
        {C::Fehlersuche, &W::mnuFehlersuche, &W::cmd_FSP, &W::mnuFehlersucheClick},
        {C::HebenSenken, &W::mnuHebenSenken, &W::cmd_HebenSenken, &W::mnuHebenSenkenClick},
        {C::Lampentest, &W::mnuLampentest, nullptr, &W::mnuLampentestClick},
        {C::Drosseln, &W::mnuDrosseln, nullptr, &W::mnuDrosselnClick},
        {C::ALBVentil, &W::mnuALBVentil, nullptr, &W::mnuALBVentilClick},
        {C::AusgaengeAnsteuern, &W::mnuAusgaengeAnsteuern, nullptr, &W::mnuAusgaengeAnsteuernClick},
        {C::Schalterstellungen, &W::mnuSchalterstellungen, &W::cmd_Schalter,
         &W::mnuSchalterstellungenClick},
        {C::MesswerteAnzeigen, &W::mnuMesswerteAnzeigen, &W::cmd_Messwerte,
         &W::mnuMesswerteAnzeigenClick},
        {C::Parameter, &W::mnuParameter, &W::cmd_Parametrieren, &W::mnuParameterClick},
        {C::KalibrierenWegsensoren, &W::mnuKalibrierenWegsensoren, &W::cmd_WSKalibrieren,
         &W::mnuKalibrierenWegsensorenClick},
        {C::KalibrierenDrucksensoren, &W::mnuKalibrierenDrucksensoren, &W::cmd_DSKalibrieren,
         &W::mnuKalibrierenDrucksensorenClick},
        {C::KalibrierenTiltsensoren, &W::mnuKalibrierenTiltsensoren, nullptr,
         &W::mnuKalibrierenTiltsensorenClick},
        {C::KalibrierdatenWegsensor, &W::mnuKalibrierdatenWegsensor, nullptr,
         &W::mnuKalibrierdatenWegsensorClick},
        {C::KalibrierdatenDrucksensoren, &W::mnuKalibrierdatenDrucksensoren, nullptr,
         &W::mnuKalibrierdatenDrucksensorenClick},
        {C::SystemdatenSpeichern, &W::mnuSystemdatenSpeichern, nullptr, &W::mnuSystemdatenSpeichernClick},
        {C::BaudrateUndAdresse, &W::mnuBaudrateUndAdresse, nullptr, &W::mnuBaudrateUndAdresseClick},
        {C::Einstellungen, &W::mnuEinstellungen, nullptr, &W::mnuEinstellungenClick},
        {C::UnterstuetzteEcus, &W::mnuUnterstuetzteEcus, nullptr, &W::mnuUnterstuetzteEcusClick},
    };
    return kBindings;
}

const std::set<MenuCommand>& TfrmMain::availableCommands() {
    static const std::set<MenuCommand> commands = [] {
        std::set<MenuCommand> available;
        for (const CommandBinding& binding : bindings())
            if (binding.handler) available.insert(binding.command);
        return available;
    }();
    return commands;
}

void TfrmMain::buildCommands() {
    // The menus in the order of their first command, in front of the framework's Help menu.
    std::map<CommandMenu, QMenu*> menus{{CommandMenu::Help, Hilfe}};
    auto menuOf = [&](CommandMenu place) {
        QMenu*& menu = menus[place];
        if (!menu) {
            const CommandMenuSpec& spec = commandMenuSpec(place);
            menu = new QMenu(QString::fromLatin1(spec.title), this);
            menu->setObjectName(QString::fromLatin1(spec.name));
            if (place == CommandMenu::Print)
                menus.at(CommandMenu::Diagnose)->addMenu(menu);
            else
                menuBar()->insertMenu(Hilfe->menuAction(), menu);
        }
        return menu;
    };
    auto connectCommand = [this](QAction* action, MenuCommand command) {
        connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
    };

    std::vector<const MenuCommandSpec*> toolButtons;
    for (const MenuCommandSpec& spec : menuCommands()) {
        if (spec.toolName) toolButtons.push_back(&spec);
        if (spec.menu == CommandMenu::None) continue;
        const QString name = QString::fromLatin1(spec.name);
        if (spec.menu == CommandMenu::Help) {
            // The framework's item, already wired to its (overridden) handler.
            for (QAction* action : Hilfe->actions())
                if (action->objectName() == name) menuActions_[spec.command] = action;
            continue;
        }
        // The separator of the first submenu item stands above the submenu.
        const bool newSubmenu = spec.menu == CommandMenu::Print && !menus.contains(CommandMenu::Print);
        if (spec.separatorBefore) menuOf(newSubmenu ? CommandMenu::Diagnose : spec.menu)->addSeparator();
        QAction* action = menuOf(spec.menu)->addAction(QString::fromLatin1(spec.caption));
        action->setObjectName(name);
        action->setStatusTip(QString::fromLatin1(spec.hint));
        action->setToolTip(QString::fromLatin1(spec.hint));
        action->setVisible(!spec.hidden);
        connectCommand(action, spec.command);
        menuActions_[spec.command] = action;
    }

    std::stable_sort(toolButtons.begin(), toolButtons.end(),
                     [](const MenuCommandSpec* a, const MenuCommandSpec* b) {
                         return a->toolPosition < b->toolPosition;
                     });
    ToolBar->setIconSize(QSize(32, 32));
    ToolBar->addSeparator();
    for (const MenuCommandSpec* spec : toolButtons) {
        const QString hint = QString::fromLatin1(spec->toolHint);
        QAction* action = ToolBar->addAction(toolButtonIcon(spec->command), hint);
        action->setObjectName(QString::fromLatin1(spec->toolName));
        action->setToolTip(hint);
        action->setStatusTip(hint);
        connectCommand(action, spec->command);
        toolActions_[spec->command] = action;
    }

    for (const CommandBinding& binding : bindings()) {
        if (binding.menuItem) this->*binding.menuItem = commandAction(binding.command);
        if (binding.toolButton) this->*binding.toolButton = toolAction(binding.command);
    }
}

// --- the framework's start-up -----------------------------------------------------------------

void TfrmMain::ProgrammkennungEinlesen() {
    DiagAttr.SystemKennung = 16;
    DiagAttr.SystemUnterKennung = 200;
    DiagAttr.InterneKennung = 1;
    if (pNData) {
        pNData->SystemKennung = 16;
        pNData->SystemUnterKennung = 200;
        pNData->InterneKennung = 1;
        pNData->Kennungsversion = 132;
    }
}

void TfrmMain::ECUListeFuellen() {
    ECUListe.clear();
    for (const ECUListeListeneintrag& entry : kSupportedEcus) ECUListe.push_back(entry);
}

void TfrmMain::InitialisierungVorbereiten() {}

void TfrmMain::Initialisieren() {
    TNBasisform::Initialisieren();
    // The framework's Initialisieren clears the line; this program always diagnoses on the K-line.
    Diagnoseleitung = 1;
    DiagnoseleitungLesen(1);
    // The help files are known only now: fault information opens the program's main help file.
    ecu().InitSystemName();
    if (!LoadHtmlHelp()) MsgBox(LoadStr(11096), DiagAttr.Anwendungstitel, 0x40);
}

void TfrmMain::tim_MaxSplashTimer() {
    tim_MaxSplash->stop();
    SplashSchliessen(1);
}

void TfrmMain::NStatusDrawPanel(QPainter& painter, const QRect& rect) {
    painter.drawPixmap(rect.topLeft(), connectionStatusPicture(ecu().DiagnoseAktiv));
}

// --- SessionView ------------------------------------------------------------------------------

void TfrmMain::setProgressText(const std::string& text) { showStatusMessage(fromAnsi(text)); }

void TfrmMain::ShowValues() {
    const KELTInterface& kelt = ecu();
    const DisplayTexts& texts = session_->texts();
    txtGeraetenummer->setText(fromAnsi(kelt.EcuProductNumber));
    txtProduktionsdatum->setText(fromAnsi(kelt.EcuDateOfProduction));
    txtSeriennummer->setText(fromAnsi(texts.EcuSerialNumber));
    txtSoftwareversion->setText(fromAnsi(kelt.EcuSoftwareVersion));
    txtDiagnosekennung->setText(fromAnsi(kelt.EcuDiagnosticIdentification));
    txtSpgBetrieb->setText(fromAnsi(texts.Terminal15VoltageText));
    txtSpgRelaisventil->setText(fromAnsi(texts.RelayValveVoltageText));
    txtGeschwindigkeit->setText(fromAnsi(texts.SpeedText));
    txtAktuellerFehler->setText(fromAnsi(texts.CurrentFaultText));
    txtKonfiguration->setText(fromAnsi(texts.ConfigurationText));

    QFont font = txtAktuellerFehler->font();
    QPalette palette = txtAktuellerFehler->palette();
    const bool current = texts.CurrentFaultShown == 1;
    font.setBold(current);
    palette.setColor(QPalette::WindowText, current ? QColor(Qt::red) : this->palette().color(QPalette::WindowText));
    txtAktuellerFehler->setFont(font);
    txtAktuellerFehler->setPalette(palette);
}

void TfrmMain::applyMenuState(const MenuState& state) {
    for (const auto& [command, enabled] : state) {
        if (QAction* action = commandAction(command)) action->setEnabled(enabled);
        if (QAction* action = toolAction(command)) action->setEnabled(enabled);
    }
}

void TfrmMain::setPollTimer(bool enabled) {
    if (enabled)
        MainTimer->start();
    else
        MainTimer->stop();
}

void TfrmMain::repaintStatusBar() { NStatus->repaint(); }

void TfrmMain::repaint() { QWidget::repaint(); }

// --- idle moments -----------------------------------------------------------------------------

void TfrmMain::requestIdle() {
    if (!idleTimer_->isActive()) idleTimer_->start();
}

void TfrmMain::showEvent(QShowEvent* event) {
    TNBasisform::showEvent(event);
    if (!startedUp_ && !startUpQueued_) QTimer::singleShot(kStartUpFallbackMs, this, &TfrmMain::queueStartUp);
}

bool TfrmMain::event(QEvent* event) {
    const bool handled = TNBasisform::event(event);
    if (event->type() == QEvent::Paint) queueStartUp();
    return handled;
}

void TfrmMain::queueStartUp() {
    if (startedUp_ || startUpQueued_) return;
    startUpQueued_ = true;
    QTimer::singleShot(0, this, &TfrmMain::StartUp);
}

void TfrmMain::StartUp() {
    if (startedUp_) return;
    startedUp_ = true;
    repaint();
    int splashPeriod = 2000;
    if (AutoStartAktiv()) {
        session_->StartDiagnosis();
        splashPeriod = 500;
    }
    tim_MaxSplash->setInterval(splashPeriod);
    tim_MaxSplash->start();
    requestIdle();
}

void TfrmMain::MainIdle() { session_->MainIdle(); }

void TfrmMain::MainTimerTimer() {
    session_->PollTick();
    requestIdle();
}

// --- running commands ----------------------------------------------------------------------------

QAction* TfrmMain::commandAction(MenuCommand command) const {
    const auto it = menuActions_.find(command);
    return it == menuActions_.end() ? nullptr : it->second;
}

QAction* TfrmMain::toolAction(MenuCommand command) const {
    const auto it = toolActions_.find(command);
    return it == toolActions_.end() ? nullptr : it->second;
}

bool TfrmMain::startCommand(MenuCommand command) {
    QAction* action = commandAction(command);
    if (!action || !action->isEnabled()) return false;
    runCommand(command);
    return true;
}

bool TfrmMain::commandKnown(int32_t number) const { return findMenuCommand(number) != nullptr; }

bool TfrmMain::commandEnabled(int32_t number) const {
    const MenuCommandSpec* row = findMenuCommand(number);
    const QAction* action = row ? commandAction(row->command) : nullptr;
    return action && action->isEnabled();
}

bool TfrmMain::startCommandNumber(int32_t number) {
    const MenuCommandSpec* row = findMenuCommand(number);
    return row && startCommand(row->command);
}

void TfrmMain::runCommand(MenuCommand command) {
    const auto binding = std::find_if(bindings().begin(), bindings().end(),
                                      [command](const CommandBinding& b) { return b.command == command; });
    if (binding == bindings().end() || !binding->handler) return;  // its window is not built yet
    const auto handler = binding->handler;
    switch (menuCommandSpec(command).frame) {
    case CommandFrame::Direct:
        (this->*handler)();
        break;
    case CommandFrame::PollPaused:
        withPollPaused([this, handler] { (this->*handler)(); });
        break;
    case CommandFrame::ParameterEditor:
        MainTimer->stop();
        parametersWritten_ = false;
        (this->*handler)();
        // Restarts the ECU and reads the configuration when parameters were written to it.
        session_->AfterParameterEditor(parametersWritten_);
        break;
    }
    requestIdle();
}

void TfrmMain::mnuDiagnoseStartenClick() { session_->StartDiagnosis(); }

void TfrmMain::mnuDiagnoseUnterbrechenClick() { session_->InterruptDiagnosis(); }

void TfrmMain::mnuECUNeustartClick() { session_->RestartEcu(); }

void TfrmMain::mnuBeendenClick() { hub().RequestCloseApplication(); }

void TfrmMain::mnuEinstellungenClick() {
    TNEinstellungen dialog(this, settingsContext());
    dialog.exec();
}

void TfrmMain::withPollPaused(const std::function<void()>& window) {
    MainTimer->stop();
    window();
    // Also after a give-up: the next tick stops at once and the idle moment disconnects.
    setPollTimer(true);
}

void TfrmMain::mnuUnterstuetzteEcusClick() {
    TfrmSupportedEcuList1 list(this);
    list.Execute();
}

void TfrmMain::mnuSchalterstellungenClick() {
    TfrmSchalterstellungen window(this, ecu());
    window.Execute();
}

void TfrmMain::mnuMesswerteAnzeigenClick() {
    TNMesswerte window(this, ecu());
    window.exec();
}

void TfrmMain::mnuParameterClick() {
    TfrmParameter editor(this);
    editor.Execute(session_->parameterRecord(environment_.programFolder));
    parametersWritten_ = editor.ParameterGeschrieben();
}

void TfrmMain::mnuSystemdatenSpeichernClick() {
    const FaultTextFile faultTexts = programFaultTextFile(environment_.programFolder);
    const auto askVehicleData = [this] {
        TfrmFahrzeugdaten dialog(this);
        return dialog.exec() == IDOK;
    };
    SystemdatenSpeichern(
        {ecu(), session_->parameterRecord(environment_.programFolder), faultTexts, askVehicleData});
}

void TfrmMain::mnuBaudrateUndAdresseClick() {
    TfrmBaudrateUndAdresse window(this, ecu());
    window.Execute();
}

void TfrmMain::FehlerspeicherprotokolldruckenClick() {
    // A window only for reading and printing a saved protocol: no ECU, no fault-text messages.
    TKeltFsp fsp(this, ecu(), false, false, "", environment_.programFolder);
    fsp.ProtokollDrucken();
}

void TfrmMain::mnuFehlersucheClick() {
    TKeltFsp fsp(this, ecu(), true, true, ecu().EcuDiagnosticIdentification, environment_.programFolder);
    fsp.DruckenSichtbar(true);
    fsp.SpeichernSichtbar(true);
    fsp.Ausfuehren();
}

void TfrmMain::mnuLampentestClick() {
    TfrmLampentest window(this, ecu());
    window.Execute();
}

void TfrmMain::mnuDrosselnClick() {
    TfrmDrosseltest window(this, ecu());
    window.Execute();
}

void TfrmMain::mnuALBVentilClick() {
    TfrmALBAnsteuerung window(this, ecu());
    window.Execute();
}

void TfrmMain::mnuAusgaengeAnsteuernClick() {
    TfrmAusgaengeAnsteuern window(this, ecu());
    window.Execute();
}

void TfrmMain::ShowCautionMessage() {
    MsgBox(LoadStr(kCautionText), AppInfo.ProduktName, MB_ICONWARNING | MB_OK);
}

void TfrmMain::mnuHebenSenkenClick() {
    ShowCautionMessage();
    TfrmHebenSenken window(this, ecu());
    window.Execute(HebenSenkenMode::RaiseLower);
}

void TfrmMain::mnuKalibrierenWegsensorenClick() {
    switch (CheckCalibration(ecu()).outcome) {
    case CalibrationCheck::Outcome::ParameterFault:
        MsgBox(LoadStr(kParameterFaultText), DiagAttr.Anwendungstitel, MB_ICONWARNING | MB_OK);
        return;
    case CalibrationCheck::Outcome::ReadFailed:
        // The error has been shown; the idle step closes the given-up connection.
        return;
    case CalibrationCheck::Outcome::Allowed:
        break;
    }
    ShowCautionMessage();
    TfrmHebenSenken window(this, ecu());
    window.Execute(HebenSenkenMode::DistanceSensors);
}

void TfrmMain::mnuKalibrierenTiltsensorenClick() {
    ShowCautionMessage();
    TfrmHebenSenken window(this, ecu());
    window.Execute(HebenSenkenMode::TiltSensors);
}

void TfrmMain::mnuKalibrierdatenWegsensorClick() {
    TfrmWSKalibrierdaten window(this, ecu());
    window.Execute();
}

void TfrmMain::mnuKalibrierenDrucksensorenClick() {
    ShowCautionMessage();
    TfrmDSKalibrieren window(this, ecu());
    window.Execute();
}

void TfrmMain::mnuKalibrierdatenDrucksensorenClick() {
    TfrmDSKalibrierdaten window(this, ecu());
    window.Execute();
}
