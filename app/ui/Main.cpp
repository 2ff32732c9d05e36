#include "Main.h"

#include "Einstellungen.h"
#include "FaultTextFile.h"
#include "ErrorHandler.h"
#include "HtmlHelp.h"
#include "KeltArtwork.h"
#include "KeltFsp.h"
#include "MessageBox.h"
#include "NData.h"
#include "PortDialog.h"
#include "ProgramModes.h"
#include "StringTable.h"
#include "Suppeculiste.h"
#include "SupportedEcuList.h"
#include "TextCodec.h"
#include "Wartendialog.h"

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <filesystem>

namespace fs = std::filesystem;

// --- the real windows behind the session's seams ---------------------------------------------

// The ECU start error dialog: NInitEcuEH with the texts of the window's error handler, without a
// selection window.
class TfrmMain::EcuStartDialog : public EcuStartErrorDialog {
public:
    explicit EcuStartDialog(TNErrorHandler& texts) : texts_(texts) {}
    int Execute(int32_t code) override {
        if (!NInitEcuEH) return 2;
        return NInitEcuEH->Execute(texts_, code, nullptr);
    }

private:
    TNErrorHandler& texts_;
};

// The port dialog's retry loop with the ECU layer's opening callback.
class TfrmMain::PortOpener : public InterfaceOpener {
public:
    bool InitDiagnosticInterface() override {
        return pfrmDIPort && pfrmDIPort->InitDiagnosticInterface(OpenDiagInterface) == 1;
    }
};

// The hourglass over the whole application.
class TfrmMain::HourglassCursor : public BusyCursor {
public:
    void push() override { QApplication::setOverrideCursor(Qt::WaitCursor); }
    void pop() override { QApplication::restoreOverrideCursor(); }
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
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QGroupBox* groupBox(const char* title, const char* objectName, QWidget* parent) {
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    box->setObjectName(QString::fromLatin1(objectName));
    return box;
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
    buildMenus();
    buildToolBar();

    NErrorHandler_ = std::make_unique<TNErrorHandler>(this);
    KELTInterfaceObj_ = std::make_unique<KELTInterface>(
        environment_.calls ? *environment_.calls : exportedJed677Calls(), *NErrorHandler_);
    KELTInterfaceObj = KELTInterfaceObj_.get();
    KELTInterfaceObj_->setProgramFolder(environment_.programFolder);
    ecuStartDialog_ = std::make_unique<EcuStartDialog>(*NErrorHandler_);
    portOpener_ = std::make_unique<PortOpener>();
    hourglass_ = std::make_unique<HourglassCursor>();
    waitDialog_ = std::make_unique<WaitWindow>(this);
    KELTInterfaceObj_->setWaitDialog(waitDialog_.get());
    KELTInterfaceObj_->setInterfaceOpener(portOpener_.get());
    KELTInterfaceObj_->setBusyCursor(hourglass_.get());

    session_ = std::make_unique<DiagnosisSession>(
        *KELTInterfaceObj_, *this, *ecuStartDialog_, *portOpener_, *hourglass_,
        environment_.sessionClock ? *environment_.sessionClock : SteadyClock::instance(),
        hub());
    session_->setAvailableCommands(availableCommands());
    // The poll looks its two texts up in the program's fault-text file, window-free.
    const fs::path faultTexts = fs::path(environment_.programFolder) / "TARVIK.FKD";
    session_->setFaultTexts({
        [faultTexts](int32_t code) { return FaultTextFile(faultTexts).KomponentenText(code); },
        [faultTexts](int32_t code) { return FaultTextFile(faultTexts).FehlerartText(code); },
    });
    session_->setIdleRequest([this] { requestIdle(); });
    session_->Initialise();
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
    auto* ecuGrid = new QGridLayout(gbECUDaten);
    txtGeraetenummer = addValueRow(ecuGrid, "Device number", "txtGeraetenummer");
    txtProduktionsdatum = addValueRow(ecuGrid, "Production date", "txtProduktionsdatum");
    txtSeriennummer = addValueRow(ecuGrid, "ECU serial number", "txtSeriennummer");
    txtSoftwareversion = addValueRow(ecuGrid, "Software version", "txtSoftwareversion");
    txtDiagnosekennung = addValueRow(ecuGrid, "Diagnostics identifier", "txtDiagnosekennung");
    left->addWidget(gbECUDaten);

    gbAktuellerFehler = groupBox("CURRENT NOTE", "gbAktuellerFehler", area);
    auto* faultBox = new QVBoxLayout(gbAktuellerFehler);
    txtAktuellerFehler = valueLabel("txtAktuellerFehler", gbAktuellerFehler);
    txtAktuellerFehler->setWordWrap(true);
    txtAktuellerFehler->setMinimumHeight(36);
    faultBox->addWidget(txtAktuellerFehler);
    auto* note = new QLabel(
        QStringLiteral("ATTENTION! Messages can only be updated or deleted using the diagnostic memory dialog!"),
        gbAktuellerFehler);
    note->setWordWrap(true);
    faultBox->addWidget(note);
    left->addWidget(gbAktuellerFehler);

    gbKonfiguration = groupBox("CONFIGURATION", "gbKonfiguration", area);
    auto* configBox = new QVBoxLayout(gbKonfiguration);
    txtKonfiguration = valueLabel("txtKonfiguration", gbKonfiguration);
    txtKonfiguration->setWordWrap(true);
    configBox->addWidget(txtKonfiguration);
    left->addWidget(gbKonfiguration);

    gbMesswerte = groupBox("CURRENT MEASURED VALUES", "gbMesswerte", area);
    auto* valuesGrid = new QGridLayout(gbMesswerte);
    txtSpgBetrieb = addValueRow(valuesGrid, "Voltage terminal 15", "txtSpgBetrieb");
    txtSpgRelaisventil = addValueRow(valuesGrid, "Voltage safety relay", "txtSpgRelaisventil");
    txtGeschwindigkeit = addValueRow(valuesGrid, "Speed", "txtGeschwindigkeit");
    left->addWidget(gbMesswerte);
    left->addStretch(1);

    pnlFahrzeugschema = new QWidget(area);
    pnlFahrzeugschema->setObjectName(QStringLiteral("pnlFahrzeugschema"));
    auto* scheme = new QVBoxLayout(pnlFahrzeugschema);
    scheme->setContentsMargins(0, 0, 0, 0);
    imgFahrzeugschema = new QLabel(pnlFahrzeugschema);
    imgFahrzeugschema->setObjectName(QStringLiteral("imgFahrzeugschema"));
    imgFahrzeugschema->setPixmap(vehicleSchemePicture());
    imgFahrzeugschema->setAlignment(Qt::AlignCenter);
    scheme->addWidget(imgFahrzeugschema);
    txtWarnung = new QPlainTextEdit(pnlFahrzeugschema);
    txtWarnung->setObjectName(QStringLiteral("txtWarnung"));
    txtWarnung->setReadOnly(true);
    QStringList lines;
    for (const char* line : kWarningLines) lines << QString::fromLatin1(line);
    txtWarnung->setPlainText(lines.join(QLatin1Char('\n')));
    txtWarnung->setFixedHeight(txtWarnung->fontMetrics().lineSpacing() * 7 + 8);
    QPalette warning = txtWarnung->palette();
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

QAction* TfrmMain::addCommand(QMenu* menu, MenuCommand command, const char* objectName,
                              const QString& caption, const QString& hint) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setStatusTip(hint);
    action->setToolTip(hint);
    menuActions_[command] = action;
    connectCommand(action, command);
    return action;
}

void TfrmMain::connectCommand(QAction* action, MenuCommand command) {
    connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
}

void TfrmMain::buildMenus() {
    QAction* help = Hilfe->menuAction();
    auto addMenu = [&](const QString& title, const char* objectName) {
        auto* menu = new QMenu(title, this);
        menu->setObjectName(QString::fromLatin1(objectName));
        menuBar()->insertMenu(help, menu);
        return menu;
    };
    using C = MenuCommand;

    QMenu* diagnose = addMenu(QStringLiteral("&Diagnosis"), "mnuDiagnose");
    mnuDiagnoseStarten = addCommand(diagnose, C::DiagnoseStarten, "mnuDiagnoseStarten",
                                    QStringLiteral("&Start"), QStringLiteral("Start the diagnosis of the ECU"));
    mnuDiagnoseUnterbrechen = addCommand(diagnose, C::DiagnoseUnterbrechen, "mnuDiagnoseUnterbrechen",
                                         QStringLiteral("&Interrupt"), QStringLiteral("Interrupt the diagnosis"));
    mnuECUNeustart = addCommand(diagnose, C::ECUNeustart, "mnuECUNeustart", QStringLiteral("&Reset ECU"),
                                QStringLiteral("Restart the ECU and the diagnosis"));
    diagnose->addSeparator();
    QMenu* drucken = diagnose->addMenu(QStringLiteral("&Print..."));
    drucken->setObjectName(QStringLiteral("Drucken1"));
    Fehlerspeicherprotokolldrucken =
        addCommand(drucken, C::Fehlerspeicherprotokolldrucken, "Fehlerspeicherprotokolldrucken",
                   QStringLiteral("&Print diagnostic memory protocol ..."),
                   QStringLiteral("Print a saved diagnostic memory protocol"));
    diagnose->addSeparator();
    mnuBeenden = addCommand(diagnose, C::Beenden, "mnuBeenden", QStringLiteral("&Exit"),
                            QStringLiteral("Exit program"));

    QMenu* information = addMenu(QStringLiteral("&Information"), "mnuInformation");
    mnuFehlersuche = addCommand(information, C::Fehlersuche, "mnuFehlersuche",
                                QStringLiteral("&Diagnostic memory ..."),
                                QStringLiteral("Display diagnostics memory content"));

    QMenu* control = addMenu(QStringLiteral("&Control"), "mnuAnsteuern");
    mnuHebenSenken = addCommand(control, C::HebenSenken, "mnuHebenSenken", QStringLiteral("&Lifting/lowering ..."),
                                QStringLiteral("Lifting and lowering vehicle"));
    mnuLampentest = addCommand(control, C::Lampentest, "mnuLampentest", QStringLiteral("L&amp test..."),
                               QStringLiteral("Test the warning lamp"));
    mnuDrosseln = addCommand(control, C::Drosseln, "mnuDrosseln", QStringLiteral("&Throttle..."),
                             QStringLiteral("Drive the throttles"));
    mnuALBVentil = addCommand(control, C::ALBVentil, "mnuALBVentil", QStringLiteral("L&SV valve..."),
                              QStringLiteral("Drive the load-sensing valve"));
    mnuALBVentil->setVisible(false);
    mnuAusgaengeAnsteuern = addCommand(control, C::AusgaengeAnsteuern, "mnuAusgaengeAnsteuern",
                                       QStringLiteral("&Outputs..."), QStringLiteral("Switch the ECU's outputs"));

    QMenu* values = addMenu(QStringLiteral("&Measured values"), "mnuMesswerte");
    mnuSchalterstellungen = addCommand(values, C::Schalterstellungen, "mnuSchalterstellungen",
                                       QStringLiteral("&Switch settings..."), QStringLiteral("Display switch settings"));
    mnuMesswerteAnzeigen = addCommand(values, C::MesswerteAnzeigen, "mnuMesswerteAnzeigen",
                                      QStringLiteral("&Measured values ..."),
                                      QStringLiteral("Display current measured values of the ECU"));

    QMenu* system = addMenu(QStringLiteral("&System"), "mnuSystem");
    mnuParameter = addCommand(system, C::Parameter, "mnuParameter", QStringLiteral("&Parameter..."),
                              QStringLiteral("ECU parameter setting"));
    system->addSeparator();
    mnuKalibrierenWegsensoren = addCommand(system, C::KalibrierenWegsensoren, "mnuKalibrierenWegsensoren",
                                           QStringLiteral("&Calibrate the distance sensors..."),
                                           QStringLiteral("Calibrate distance sensors"));
    mnuKalibrierenDrucksensoren = addCommand(system, C::KalibrierenDrucksensoren, "mnuKalibrierenDrucksensoren",
                                             QStringLiteral("C&alibration of the pressure sensor..."),
                                             QStringLiteral("Calibrate pressure sensor"));
    mnuKalibrierenTiltsensoren = addCommand(system, C::KalibrierenTiltsensoren, "mnuKalibrierenTiltsensoren",
                                            QStringLiteral("Ca&libration of the tilt sensors..."),
                                            QStringLiteral("Calibrate tilt sensors"));
    system->addSeparator();
    mnuKalibrierdatenWegsensor = addCommand(system, C::KalibrierdatenWegsensor, "mnuKalibrierdatenWegsensor",
                                            QStringLiteral("Cal&ibration data of the distance sensors ..."),
                                            QStringLiteral("Display the calibration data of the distance sensors"));
    mnuKalibrierdatenDrucksensoren =
        addCommand(system, C::KalibrierdatenDrucksensoren, "mnuKalibrierdatenDrucksensoren",
                   QStringLiteral("Cali&bration data of the pressure sensor..."),
                   QStringLiteral("Display the calibration data of the pressure sensor"));
    system->addSeparator();
    mnuSystemdatenSpeichern = addCommand(system, C::SystemdatenSpeichern, "mnuSystemdatenSpeichern",
                                         QStringLiteral("&Save system data"),
                                         QStringLiteral("Save the system data of the ECU"));
    mnuBaudrateUndAdresse = addCommand(system, C::BaudrateUndAdresse, "mnuBaudrateUndAdresse",
                                       QStringLiteral("C&hange ECU baud rate and address..."),
                                       QStringLiteral("Change the ECU's baud rate and address"));

    QMenu* options = addMenu(QStringLiteral("&Options"), "mnuOptionen");
    mnuEinstellungen = addCommand(options, C::Einstellungen, "mnuEinstellungen", QStringLiteral("&Settings..."),
                                  QStringLiteral("Settings of the program"));

    // The framework's help item runs this program's list.
    menuActions_[C::UnterstuetzteEcus] = mnuUnterstuetzteEcus;
}

void TfrmMain::buildToolBar() {
    using C = MenuCommand;
    struct Button {
        QAction** action;
        const char* objectName;
        MenuCommand command;
        const char* hint;
    };
    const Button buttons[] = {
        {&cmd_ECUStart, "cmd_ECUStart", C::DiagnoseStarten, "Start diagnostics"},
        {&cmd_ECUStop, "cmd_ECUStop", C::DiagnoseUnterbrechen, "Interrupt diagnostics"},
        {&cmd_ECUReset, "cmd_ECUReset", C::ECUNeustart, "Restart ECU"},
        {&cmd_FSP, "cmd_FSP", C::Fehlersuche, "Display diagnostics memory content"},
        {&cmd_HebenSenken, "cmd_HebenSenken", C::HebenSenken, "Lifting and lowering vehicle"},
        {&cmd_Messwerte, "cmd_Messwerte", C::MesswerteAnzeigen, "Display current measured values of the ECU"},
        {&cmd_Schalter, "cmd_Schalter", C::Schalterstellungen, "Display switch settings"},
        {&cmd_Parametrieren, "cmd_Parametrieren", C::Parameter, "ECU parameter setting"},
        {&cmd_WSKalibrieren, "cmd_WSKalibrieren", C::KalibrierenWegsensoren, "Calibrate distance sensors"},
        {&cmd_DSKalibrieren, "cmd_DSKalibrieren", C::KalibrierenDrucksensoren, "Calibrate pressure sensor"},
    };
    ToolBar->setIconSize(QSize(32, 32));
    ToolBar->addSeparator();
    for (const Button& button : buttons) {
        QAction* action = ToolBar->addAction(toolButtonIcon(button.command), QString::fromLatin1(button.hint));
        action->setObjectName(QString::fromLatin1(button.objectName));
        action->setToolTip(QString::fromLatin1(button.hint));
        action->setStatusTip(QString::fromLatin1(button.hint));
        connectCommand(action, button.command);
        toolActions_[button.command] = action;
        *button.action = action;
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

void TfrmMain::setProgressText(const std::string& text) {
    statusPanel(0)->setText(fromAnsi(text));
    statusPanel(0)->repaint();
}

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
    if (!startedUp_ && !startUpQueued_) {
        startUpQueued_ = true;
        QTimer::singleShot(0, this, &TfrmMain::StartUp);
    }
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

// --- commands ---------------------------------------------------------------------------------

const std::set<MenuCommand>& TfrmMain::availableCommands() {
    static const std::set<MenuCommand> commands = {
        MenuCommand::DiagnoseStarten, MenuCommand::DiagnoseUnterbrechen, MenuCommand::ECUNeustart,
        MenuCommand::Beenden,         MenuCommand::Fehlersuche,          MenuCommand::Einstellungen,
        MenuCommand::UnterstuetzteEcus,
    };
    return commands;
}

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

void TfrmMain::runCommand(MenuCommand command) {
    switch (command) {
    case MenuCommand::DiagnoseStarten: mnuDiagnoseStartenClick(); break;
    case MenuCommand::DiagnoseUnterbrechen: mnuDiagnoseUnterbrechenClick(); break;
    case MenuCommand::ECUNeustart: mnuECUNeustartClick(); break;
    case MenuCommand::Beenden: mnuBeendenClick(); break;
    case MenuCommand::Fehlersuche: mnuFehlersucheClick(); break;
    case MenuCommand::Einstellungen: mnuEinstellungenClick(); break;
    case MenuCommand::UnterstuetzteEcus: mnuUnterstuetzteEcusClick(); break;
    default: break;  // its window is not part of this program yet; the command stays disabled
    }
    requestIdle();
}

void TfrmMain::mnuDiagnoseStartenClick() { session_->StartDiagnosis(); }

void TfrmMain::mnuDiagnoseUnterbrechenClick() { session_->InterruptDiagnosis(); }

void TfrmMain::mnuECUNeustartClick() { session_->RestartEcu(); }

void TfrmMain::mnuBeendenClick() { hub().RequestCloseApplication(); }

void TfrmMain::mnuEinstellungenClick() {
    withPollPaused([this] {
        TNEinstellungen dialog(this, settingsContext());
        dialog.exec();
    });
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

void TfrmMain::mnuFehlersucheClick() {
    withPollPaused([this] {
        TKeltFsp fsp(this, ecu(), true, true, ecu().EcuDiagnosticIdentification,
                     environment_.programFolder);
        fsp.DruckenSichtbar(true);
        fsp.SpeichernSichtbar(true);
        fsp.Ausfuehren();
    });
}
