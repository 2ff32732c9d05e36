#include "Basisform.h"

#include "Artwork.h"
#include "Benutzerdaten.h"
#include "BubbleHelp.h"
#include "ErrorHandler.h"
#include "HourglassCursor.h"
#include "HtmlHelp.h"
#include "InterfaceWait.h"
#include "InfoForm.h"
#include "MessageBox.h"
#include "SettingsModel.h"
#include "PortDialog.h"
#include "ProgramModes.h"
#include "Splash.h"
#include "StringTable.h"
#include "SupportedEcuListWindow.h"
#include "TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <filesystem>

namespace fs = std::filesystem;

Tfrm_NSplash* frm_NSplash = nullptr;

namespace {

// The main window that owns the program's port dialog and ECU start error dialog, and the two
// dialogs once built.
TNBasisform* dialogOwner = nullptr;
TfrmDIPort* portDialog = nullptr;
TNInitEcuEH* initEcuDialog = nullptr;

constexpr int kPanel1DesignWidth = 150;
constexpr int kPanel2Width = 50;
constexpr int kInfoPanelWidth = 181;
constexpr int kInfoPanelHeight = 69;

std::vector<std::string> processArguments() {
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments())
        arguments.push_back(argument.toLocal8Bit().toStdString());
    return arguments;
}

// The maker's logo, painted: no picture file to ship.
QPixmap logoPicture() {
    QPixmap picture(120, 20);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 70, 140));
    painter.drawRect(0, 4, 12, 12);
    painter.setPen(QColor(0, 70, 140));
    drawPictureText(painter, QRectF(16, 0, 104, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("NORVA"), 16,
                    true);
    return picture;
}

}  // namespace

// Panel 2 of the status line: painted by the main window (the program's connection picture).
class TNBasisform::StatusDrawPanel : public QLabel {
public:
    StatusDrawPanel(TNBasisform* owner, QWidget* parent) : QLabel(parent), owner_(owner) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        QPainter painter(this);
        owner_->NStatusDrawPanel(painter, contentsRect());
    }

private:
    TNBasisform* owner_;
};

// --- construction -----------------------------------------------------------------------------

// A long wait on the interface blocks the window: the hourglass and what the program waits for
// show until it ends, painted before the wait goes on.
class TNBasisform::WaitNotice final : public LongWaitListener {
public:
    // The newest main window hears of the waits (the program has one).
    explicit WaitNotice(TNBasisform& window) : window_(window) { setLongWaitListener(this); }
    ~WaitNotice() override {
        if (depth_ != 0) HourglassCursor::application().pop();
        if (longWaitListener() == this) setLongWaitListener(nullptr);
    }
    WaitNotice(const WaitNotice&) = delete;
    WaitNotice& operator=(const WaitNotice&) = delete;

    void longWaitBegins(WaitKind kind) override {
        if (depth_++ != 0) return;
        before_ = window_.statusMessage_;
        const bool busyBefore = QApplication::overrideCursor() != nullptr;
        // The first hourglass paints what is pending and what closed windows uncovered; under one
        // shown already, what a dialog closed meanwhile left on the screen must go all the same.
        HourglassCursor::application().push();
        if (busyBefore) window_.repaint();
        // The interface restarts while it is being initialised.
        window_.showStatusMessage(fromAnsi(LoadStr(kind == WaitKind::InterfaceRestart ? kIdInterfaceInitialising
                                                                                        : kIdWaitingForInterface)));
    }
    void longWaitEnds() override {
        if (depth_ == 0 || --depth_ != 0) return;
        HourglassCursor::application().pop();
        window_.showStatusMessage(before_);
    }

private:
    static constexpr int kIdInterfaceInitialising = 11006;
    static constexpr int kIdWaitingForInterface = 11991;
    TNBasisform& window_;
    int depth_ = 0;
    QString before_;
};

TNBasisform::TNBasisform(QWidget* owner, bool sicherheitsabfrage, BasisformEnvironment environment)
    : QMainWindow(owner),
      sicherheitsabfrage_(sicherheitsabfrage),
      arguments_(environment.arguments ? *environment.arguments : processArguments()),
      application_(environment.application ? environment.application : &SystemApplicationEnvironment::instance()),
      drives_(environment.drives ? environment.drives : &SystemDriveInfo::instance()),
      hub_(environment.hub ? environment.hub : &applicationHub()),
      clock_(environment.clock ? environment.clock : &SteadyClock::instance()),
      portDialog_(environment.portDialog) {
    buildLayout();
    waitNotice_ = std::make_unique<WaitNotice>(*this);
    FormCreate();
    if (AutomatisierungsModus) {
        // Embedded in the client: the window lies off screen and the client decides the end.
        move(x(), -1000);
        cmd_Exit->setVisible(false);
    }
}

void TNBasisform::buildLayout() {
    setObjectName(QStringLiteral("NBasisform"));
    resize(792, 546);
    // Centred on the screen from the start: the dialogs of the start-up centre on this window
    // before it is shown.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    ToolBar = addToolBar(QStringLiteral("ToolBar"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setIconSize(QSize(32, 32));
    ToolBar->addSeparator();
    // Our own glyph: the style's standard icon would search the icon themes at every start.
    cmd_Exit = ToolBar->addAction(previewToolIcon(PreviewTool::Exit), QStringLiteral("Exit"));
    cmd_Exit->setObjectName(QStringLiteral("cmd_Exit"));
    cmd_Exit->setToolTip(QStringLiteral("Exit program"));
    cmd_Exit->setStatusTip(QStringLiteral("Exit program"));
    connect(cmd_Exit, &QAction::triggered, this, &TNBasisform::cmd_ExitClick);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::HLine);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setFixedHeight(2);
    clientArea_ = new QWidget(central);
    clientArea_->setObjectName(QStringLiteral("clientArea"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(clientArea_, 1);
    setCentralWidget(central);

    // The info panel floats over the bottom right corner, kept there on every resize.
    InfoPanel = new QWidget(central);
    InfoPanel->setObjectName(QStringLiteral("InfoPanel"));
    InfoPanel->setFixedSize(kInfoPanelWidth, kInfoPanelHeight);
    img_NORVA = new QLabel(InfoPanel);
    img_NORVA->setObjectName(QStringLiteral("img_NORVA"));
    img_NORVA->setPixmap(logoPicture());
    img_NORVA->setGeometry(30, 7, 120, 20);
    // Two lines of greyed text, centred, from one pixel below the top: they fit the 28 pixels
    // without being clipped. A label: nothing here is edited or scrolled.
    txt_Info = new QLabel(InfoPanel);
    txt_Info->setObjectName(QStringLiteral("txt_Info"));
    txt_Info->setGeometry(0, kInfoPanelHeight - 28, kInfoPanelWidth, 28);
    txt_Info->setTextFormat(Qt::PlainText);
    txt_Info->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    txt_Info->setContentsMargins(0, 1, 0, 0);
    txt_Info->setEnabled(false);

    NStatus = new QStatusBar(this);
    NStatus->setObjectName(QStringLiteral("NStatus"));
    NStatus->setSizeGripEnabled(false);
    NStatus->setFixedHeight(19 + 4);
    for (int i = 0; i < 2; ++i) {
        statusPanels_[i] = new QLabel(NStatus);
        statusPanels_[i]->setObjectName(QStringLiteral("NStatusPanel%1").arg(i));
        statusPanels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusPanels_[i]->setTextFormat(Qt::PlainText);
    }
    statusPanel2_ = new StatusDrawPanel(this, NStatus);
    statusPanel2_->setObjectName(QStringLiteral("NStatusPanel2"));
    statusPanel2_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusPanels_[0]->setMinimumWidth(0);
    NStatus->addWidget(statusPanels_[0], 1);
    NStatus->addPermanentWidget(statusPanels_[1]);
    NStatus->addPermanentWidget(statusPanel2_);
    setStatusBar(NStatus);
    StatuszeileAnpassen();

    Hilfe = menuBar()->addMenu(QStringLiteral("&Help"));
    Hilfe->setObjectName(QStringLiteral("Hilfe"));
    mnuUnterstuetzteEcus = Hilfe->addAction(QStringLiteral("&Supported ECUs..."));
    mnuUnterstuetzteEcus->setObjectName(QStringLiteral("mnuUnterstuetzteEcus"));
    mnuUnterstuetzteEcus->setStatusTip(QStringLiteral("Display of all ECUs supported by this software"));
    mnuVersionshitsory = Hilfe->addAction(QStringLiteral("&Version history"));
    mnuVersionshitsory->setObjectName(QStringLiteral("mnuVersionshitsory"));
    men_Info = Hilfe->addAction(QStringLiteral("&Info about..."));
    men_Info->setObjectName(QStringLiteral("men_Info"));
    men_Info->setStatusTip(QStringLiteral("Information about this Diagnostic Software"));
    connect(mnuUnterstuetzteEcus, &QAction::triggered, this, [this] { mnuUnterstuetzteEcusClick(); });
    connect(mnuVersionshitsory, &QAction::triggered, this, [this] { mnuVersionshitsoryClick(); });
    connect(men_Info, &QAction::triggered, this, [this] { men_InfoClick(); });

    tim_MaxSplash = new QTimer(this);
    tim_MaxSplash->setObjectName(QStringLiteral("tim_MaxSplash"));
    tim_MaxSplash->setInterval(10000);
    connect(tim_MaxSplash, &QTimer::timeout, this, [this] { tim_MaxSplashTimer(); });
    tim_SplashWarten = new QTimer(this);
    tim_SplashWarten->setObjectName(QStringLiteral("tim_SplashWarten"));
    tim_SplashWarten->setSingleShot(true);
    connect(tim_SplashWarten, &QTimer::timeout, this, [this] { splashNowClose(); });
    TimerAnzeigenAktualisieren = new QTimer(this);
    TimerAnzeigenAktualisieren->setObjectName(QStringLiteral("TimerAnzeigenAktualisieren"));
    TimerAnzeigenAktualisieren->setInterval(500);
    connect(TimerAnzeigenAktualisieren, &QTimer::timeout, this, &TNBasisform::TimerAnzeigenAktualisierenTimer);
    TimerAnzeigenAktualisieren->start();
}

void TNBasisform::FormCreate() {
    if (parseCommandLine(arguments_).automation) AutomatisierungsModus = 1;
    const fs::path programFile = application_->programFile();
    AppInfo.SetAppFileName(programFile.string());
    takeVersionTexts(application_->versionTexts(), AppInfo);

    QStringList lines;
    lines << fromAnsi(AppInfo.Copyright.empty() ? AppInfo.Firmenname : AppInfo.Copyright)
          << QStringLiteral("Diagnostic Software");
    txt_Info->setText(lines.join(QLatin1Char('\n')));
}

TNBasisform::~TNBasisform() {
    waitNotice_.reset();
    if (helpKeyInstalled_ && qApp) qApp->removeEventFilter(this);
    if (ownsNData_ && pNData) {
        // Not known when the start-up ended early: then there is no file to write into.
        const ProfileWriteResult written = saveTesterName(pNData->IniDatei, TesterName);
        if (!written.ok()) qWarning("The tester name could not be saved: %s", written.message.c_str());
    }
    if (frm_NSplash && frm_NSplash->parent() == this) frm_NSplash = nullptr;
    if (dialogOwner == this) {
        delete portDialog;
        portDialog = nullptr;
        delete initEcuDialog;
        initEcuDialog = nullptr;
        dialogOwner = nullptr;
    }
    if (ownsNData_) {
        delete pNData;
        pNData = nullptr;
    }
}

TfrmDIPort* programPortDialog() {
    if (!portDialog && dialogOwner) portDialog = new TfrmDIPort(dialogOwner);
    return portDialog;
}

TNInitEcuEH* programInitEcuDialog() {
    if (!initEcuDialog && dialogOwner) initEcuDialog = new TNInitEcuEH(dialogOwner);
    return initEcuDialog;
}

// --- start-up ---------------------------------------------------------------------------------

bool TNBasisform::initialize() {
    if (initialized_) return !hub_->closeRequested();
    initialized_ = true;

    if (!dialogOwner) dialogOwner = this;
    delete pNData;
    pNData = new NData(*application_, DiagAttr);
    ownsNData_ = true;

    const auto outcome = runSteps<StartupStep>(
        startupSteps(sicherheitsabfrage_, AutomatisierungsModus != 0),
        [this](StartupStep step) { runStartupStep(step); },
        [this] { return hub_->closeRequested(); });
    if (outcome.closed) return false;

    // F1 anywhere in the application opens the help.
    qApp->installEventFilter(this);
    helpKeyInstalled_ = true;
    return true;
}

void TNBasisform::runStartupStep(StartupStep step) {
    switch (step) {
    case StartupStep::WechsellaufwerkPruefen: WechsellaufwerkPruefen(); break;
    case StartupStep::InitialisierungVorbereiten: InitialisierungVorbereiten(); break;
    case StartupStep::Initialisieren: Initialisieren(); break;
    case StartupStep::SicherheitsabfrageAnzeigen: SicherheitsabfrageAnzeigen(); break;
    case StartupStep::SchnittstelleWaehlen: SchnittstelleWaehlen(); break;
    case StartupStep::DatenverzeichnisseLesen: DatenverzeichnisseLesen(); break;
    case StartupStep::ShowSplash: ShowSplash(); break;
    case StartupStep::StartSplashTimer:
        tim_MaxSplash->start();
        splashStartMs_ = clock_->nowMs();
        break;
    }
}

void TNBasisform::Initialisieren() {
    runSteps<InitStep>(
        initialisierenSteps(),
        [this](InitStep step) { runInitStep(step); },
        [this] { return hub_->closeRequested(); });
}

void TNBasisform::runInitStep(InitStep step) {
    const fs::path programFile = application_->programFile();
    switch (step) {
    case InitStep::ReadDemoMode:
        if (parseCommandLine(arguments_).demo) DemoModus = 1;
        break;
    case InitStep::SetTitleAndLanguage:
        DiagAttr.Anwendungstitel = AppInfo.ProduktName;
        DiagAttr.Sprachkennung = languageTagOf(AppInfo.SprachID);
        break;
    case InitStep::CheckLanguage:
        if (languageTagMissing(DiagAttr.Sprachkennung)) {
            MsgBox(BasisformDeveloperNotes::LanguageMissing, BasisformDeveloperNotes::LanguageMissingCaption,
                   MB_OK | MB_ICONWARNING);
            hub_->RequestCloseApplication();
        }
        break;
    case InitStep::IniDateiFestlegen: IniDateiFestlegen(); break;
    case InitStep::SetHelpFiles: {
        const ProgramHelpFiles help = helpFilesOf(programFile);
        DiagAttr.HilfeDatei = help.main;
        DiagAttr.FspHilfeDatei = help.faultMemory;
        break;
    }
    case InitStep::ProgrammkennungEinlesen: ProgrammkennungEinlesen(); break;
    case InitStep::FormVersionNumber:
        DiagAttr.Versionsnummer = NData::versionNumberOf(AppInfo.ProduktVersion);
        break;
    case InitStep::FormIdentification:
        DiagAttr.Programmkennung = NData::identificationText(DiagAttr.SystemKennung, DiagAttr.SystemUnterKennung,
                                                             DiagAttr.InterneKennung, pNData->Kennungsversion);
        break;
    case InitStep::ReadTester: TesterName = readSetting(appIni(), AppIniKeys::Tester); break;
    case InitStep::InitialiseNData: pNData->Initialisieren(); break;
    case InitStep::CheckPartNumber:
        if (partNumberMissing(AppInfo.NORVA_No))
            MsgBox(BasisformDeveloperNotes::PartNumberMissing, LoadStr(11027), MB_OK | MB_ICONWARNING);
        break;
    case InitStep::SetCaption:
        setWindowTitle(fromAnsi(basisformCaption(AppInfo, DiagAttr.Sprachkennung, DemoModus != 0)));
        break;
    case InitStep::ReadBubbleHelp:
        setApplicationToolTipsEnabled(readSetting(appIni(), AppIniKeys::BubbleHelp));
        break;
    case InitStep::ReadFullScreen:
        if (VollbildAktiv()) setWindowState(windowState() | Qt::WindowMaximized);
        break;
    case InitStep::ResetDiagnosticLine: Diagnoseleitung = 0; break;
    case InitStep::ECUListeFuellen: ECUListeFuellen(); break;
    case InitStep::ReinitialiseNData: pNData->Initialisieren(); break;
    }
}

void TNBasisform::WechsellaufwerkPruefen() {
    WechsellaufwerkAktiv = drives_->isRemovable(application_->programFile()) ? 1 : 0;
}

void TNBasisform::InitialisierungVorbereiten() {}

void TNBasisform::IniDateiFestlegen() {
    pNData->IniDateiname();
    DiagAttr.AppIni = pNData->IniDatei;
}

void TNBasisform::ProgrammkennungEinlesen() { MsgBoxText(BasisformDeveloperNotes::OverrideProgrammkennung); }

void TNBasisform::ECUListeFuellen() { MsgBoxText(BasisformDeveloperNotes::OverrideECUListeFuellen); }

void TNBasisform::SicherheitsabfrageAnzeigen() {
    const int answer = MsgBox(LoadStr(11030), LoadStr(11031), MB_YESNO | MB_ICONWARNING);
    // Only a clear Yes goes on: a box closed any other way is not a confirmation.
    if (answer != IDYES) hub_->RequestCloseApplication();
}

void TNBasisform::SchnittstelleWaehlen() {
    std::string port;
    // The demo opens no interface: nothing to choose; Options > Settings still offers the dialog.
    if (DemoModus) {
        DiagAttr.Schnittstellenname = readSetting(appIni(), AppIniKeys::InterfacePort);
        return;
    }
    const int chosen = choosePort(portDialog_ ? portDialog_ : programPortDialog(), DiagAttr, false, port);
    if (hub_->closeRequested()) return;
    if (chosen == 0) {
        port.clear();
        MsgBox(LoadStr(11029), DiagAttr.Anwendungstitel, MB_OK | MB_ICONWARNING);
    }
    DiagAttr.Schnittstellenname = port;
}

void TNBasisform::DatenverzeichnisseLesen() {
    ProfileFile ini = appIni();
    const DataFolderContext context{application_->programFile(),
                                    defaultDataFolders(*application_, pNData ? pNData->Programmname : ""),
                                    WechsellaufwerkAktiv != 0, drives_};
    const DataFoldersResult folders = ::DatenverzeichnisseLesen(ini, context);
    DiagAttr.ReadDataPfad = folders.readDataPfad;
    DiagAttr.WriteDataPfad = folders.writeDataPfad;
    if (pNData) {
        pNData->ReadDataPfad = folders.readDataPfad;
        pNData->WriteDataPfad = folders.writeDataPfad;
    }
}

bool TNBasisform::BenutzerdatenEingeben(std::string& firma, std::string& name,
                                        const BenutzerdatenTexte& texte) {
    TNBenutzerdaten dialog(this, hub_);
    return dialog.Execute(firma, name, texte);
}

// --- splash -----------------------------------------------------------------------------------

void TNBasisform::ShowSplash() {
    frm_NSplash = new Tfrm_NSplash(this, fromAnsi(AppInfo.ProduktName));
    frm_NSplash->show();
}

void TNBasisform::SplashSchliessen(int minimumMs) {
    tim_MaxSplash->stop();
    if (!frm_NSplash) return;
    const uint64_t shown = clock_->nowMs() - splashStartMs_;
    if (minimumMs > 0 && shown < static_cast<uint64_t>(minimumMs)) {
        // Wait for the rest with a timer: the window keeps painting and answering meanwhile.
        const int rest = static_cast<int>(static_cast<uint64_t>(minimumMs) - shown);
        if (!tim_SplashWarten->isActive() || tim_SplashWarten->remainingTime() > rest) tim_SplashWarten->start(rest);
        return;
    }
    splashNowClose();
}

void TNBasisform::splashNowClose() {
    tim_SplashWarten->stop();
    if (frm_NSplash) {
        frm_NSplash->close();
        delete frm_NSplash;
        frm_NSplash = nullptr;
    }
    tim_MaxSplash->stop();
    setEnabled(true);
}

void TNBasisform::tim_MaxSplashTimer() { SplashSchliessen(3000); }

// --- settings read at the point of use --------------------------------------------------------

ProfileFile TNBasisform::appIni() const { return ProfileFile(DiagAttr.AppIni); }

bool TNBasisform::AutoStartAktiv() const { return autoStartEnabled(appIni(), AutomatisierungsModus != 0); }

bool TNBasisform::VollbildAktiv() const { return fullScreenEnabled(appIni()); }

uint8_t TNBasisform::DiagnoseleitungLesen(uint8_t defaultLine) {
    return ::DiagnoseleitungLesen(appIni(), Diagnoseleitung, defaultLine);
}

SettingsContext TNBasisform::settingsContext() const { return programSettingsContext(*application_, *drives_); }

// --- status line ------------------------------------------------------------------------------

QLabel* TNBasisform::statusPanel(int index) const {
    if (index == 2) return statusPanel2_;
    if (index < 0 || index > 2) return nullptr;
    return statusPanels_[index];
}

void TNBasisform::showStatusMessage(const QString& text) {
    statusMessage_ = text;
    statusPanels_[0]->setText(text);
    statusPanels_[0]->repaint();
}

void TNBasisform::StatuszeileAnpassen() {
    if (designWidthPanel1_ < 0) designWidthPanel1_ = kPanel1DesignWidth;
    const StatusPanelWidths widths = statusPanelWidths(width(), designWidthPanel1_, kPanel2Width, logicalDpiX());
    statusPanels_[1]->setFixedWidth(widths.panel1);
    statusPanel2_->setFixedWidth(widths.panel2);
    // Panel 0 stretches over what is left.
}

void TNBasisform::StatuszeileAktualisieren() {
    statusPanels_[1]->setText(fromAnsi(statusPortText(DiagAttr.Schnittstellenname, Diagnoseleitung)));
}

void TNBasisform::TimerAnzeigenAktualisierenTimer() { StatuszeileAktualisieren(); }

void TNBasisform::NStatusDrawPanel(QPainter&, const QRect&) {}

// --- events -----------------------------------------------------------------------------------

void TNBasisform::closeEvent(QCloseEvent* event) {
    TimerAnzeigenAktualisieren->stop();
    QMainWindow::closeEvent(event);
}

void TNBasisform::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (QWidget* central = centralWidget())
        InfoPanel->move(central->width() - InfoPanel->width(), central->height() - InfoPanel->height());
    StatuszeileAnpassen();
}

bool TNBasisform::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // A message of the program outranks the hint of whatever the mouse passes.
        if (statusMessage_.isEmpty()) statusPanels_[0]->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TNBasisform::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        watched->isWidgetType()) {
        HilfeAnzeigen();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TNBasisform::HilfeAnzeigen() { showHelpForUser(DiagAttr.HilfeDatei); }

// --- commands ---------------------------------------------------------------------------------

void TNBasisform::cmd_ExitClick() { hub_->RequestCloseApplication(); }

void TNBasisform::men_InfoClick() {
    TNInfoForm form(this, application_->programFile().string());
    form.exec();
}

void TNBasisform::mnuUnterstuetzteEcusClick() {
    frmSupportedEcuList = new TfrmSupportedEcuList(this);
    frmSupportedEcuList->Execute();
    delete frmSupportedEcuList;
    frmSupportedEcuList = nullptr;
}

void TNBasisform::mnuVersionshitsoryClick() {
    showHelpForUser(helpFilesOf(application_->programFile()).history);
}
