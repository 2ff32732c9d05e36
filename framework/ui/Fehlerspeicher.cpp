#include "Fehlerspeicher.h"

#include "Artwork.h"
#include "FaultProtocol.h"
#include "FspPrint.h"
#include "HourglassCursor.h"
#include "HtmlHelp.h"
#include "MessageBox.h"
#include "NData.h"
#include "ProgramContext.h"
#include "ProgramModes.h"
#include "ScrollingText.h"
#include "SelectFile.h"
#include "StringTable.h"
#include "TextCodec.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QScrollArea>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPolygonF>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kIdNoIniFile = 11119;
constexpr int kIdFileMissing = 11107;
constexpr int kIdSubstituteUsed = 11108;
constexpr int kIdCurrentMessages = 11110;
constexpr int kIdNoMessage = 11112;
constexpr int kIdClearQuestion = 11990;
constexpr int kIdOverwrite = 11032;
constexpr int kIdProtocolFilter = 11114;
constexpr int kIdProtocolUnreadable = 11116;
constexpr int kIdTesterPrompt = 11117;
constexpr int kIdTesterCaption = 11118;
constexpr int kIdProtocolNotSaved = 11965;
constexpr int kIdProtocolNotRead = 11966;
constexpr std::size_t kTesterNameLength = 31;

// The protocol files' suffix and the save dialog's filter.
constexpr const char* kProtocolSuffix = "FSP";
constexpr const char* kProtocolSaveFilter = "Diagnostic memory data|*.FSP";

// Where the row's parts stand (list item coordinates).
constexpr int kIconLeft = 4;
constexpr int kIconTop = 2;
constexpr int kTextLeft = kIconLeft + TNFehlerspeicher::kIconSize + 4;
constexpr int kLine1Top = 1;
constexpr int kLine2Top = 22;
constexpr int kLineHeight = 20;

// Stored message: a grey clock face, the message lies in the past.
// Current message: a red warning triangle.
QPixmap paintListIcon(bool current) {
    const int s = TNFehlerspeicher::kIconSize;
    QPixmap picture(s, s);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    if (current) {
        const QPolygonF triangle{{QPointF(20, 3), QPointF(37, 35), QPointF(3, 35)}};
        p.setPen(QPen(QColor(120, 0, 0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(220, 30, 30));
        p.drawPolygon(triangle);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(18, 12, 4, 13), 1.5, 1.5);
        p.drawEllipse(QPointF(20, 29.5), 2.2, 2.2);
    } else {
        p.setPen(QPen(QColor(70, 70, 90), 2));
        p.setBrush(QColor(200, 205, 215));
        p.drawEllipse(QPointF(20, 20), 16, 16);
        p.setPen(QPen(QColor(40, 40, 60), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(20, 20), QPointF(20, 9));
        p.drawLine(QPointF(20, 20), QPointF(28, 24));
    }
    return picture;
}

// The list's owner drawing, handed to the window.
class FaultRowDelegate final : public QStyledItemDelegate {
public:
    explicit FaultRowDelegate(TNFehlerspeicher* window) : QStyledItemDelegate(window), window_(window) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        window_->lbFehlerpfadDrawItem(*painter, index.row(), option.rect,
                                      option.state & QStyle::State_Selected);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), TNFehlerspeicher::kRowHeight};
    }

private:
    TNFehlerspeicher* window_;
};

QPushButton* panelButton(const char* text, QWidget* parent, const char* objectName) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setMinimumHeight(25);
    return button;
}

// Shows a string-table message with the application title and an OK button.
void message(const std::string& text, unsigned icon) {
    MsgBox(text, DiagAttr.Anwendungstitel, MB_OK | icon);
}

// A protocol file that could not be written or read: the message with the file and the reason.
void fileFailure(int stringId, const std::string& reason) {
    message(messageWithSystemText(stringId, reason), MB_ICONWARNING);
}

}  // namespace

TNFehlerspeicher::TNFehlerspeicher(QWidget* owner, std::string name, bool fallback, bool warn,
                                   std::filesystem::path programFolder)
    : TfrmCOMBasisDialog(owner, Placement::MainFormCentre),
      name_(std::move(name)),
      fallback_(fallback),
      warn_(warn),
      programFolder_(std::move(programFolder)) {
    if (programFolder_.empty())
        programFolder_ = SystemApplicationEnvironment::instance().programFile().parent_path();
    ImageList1 = {paintListIcon(false), paintListIcon(true)};
    buildLayout();
    ProtokollDatei.clear();

    // The layout's frame is a fixed dialog; this window may be resized by the user.
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, false);
    setSizeGripEnabled(true);

    sortOrderRead_ = readFaultSortOrder(ProfileFile(DiagAttr.AppIni));
    ComboBoxSort->setCurrentIndex(sortOrderRead_ >= 0 && sortOrderRead_ < kFaultSortOrderCount
                                      ? sortOrderRead_
                                      : -1);
    connect(ComboBoxSort, &QComboBox::currentIndexChanged, this, [this] { ComboBoxSortChange(); });
    ZaehlerSpalteErzwingen = false;
    TimerSpalteErzwingen = false;
}

TNFehlerspeicher::~TNFehlerspeicher() = default;

void TNFehlerspeicher::buildLayout() {
    setObjectName(QStringLiteral("NFehlerspeicher"));
    setWindowTitle(QStringLiteral("Diagnostic memory"));
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    resize(792, 566);
    // The layout's minimum of 800 x 600 is the outer size; this is its client area.
    setMinimumSize(792, 566);

    FehlerhaftesBauteil = new QLabel(QStringLiteral("Diagnostic memory content :"), this);
    FehlerhaftesBauteil->setObjectName(QStringLiteral("FehlerhaftesBauteil"));

    lbFehlerpfad = new QListWidget(this);
    lbFehlerpfad->setObjectName(QStringLiteral("lbFehlerpfad"));
    QFont listFont = bold;
    listFont.setPixelSize(13);
    lbFehlerpfad->setFont(listFont);
    lbFehlerpfad->setUniformItemSizes(true);
    lbFehlerpfad->setItemDelegate(new FaultRowDelegate(this));
    lbFehlerpfad->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(lbFehlerpfad, &QListWidget::currentRowChanged, this, [this] {
        if (!programmaticSelection_) lbFehlerpfadClick();
    });
    // A click on the row already current changes no row but is still the user's choice.
    connect(lbFehlerpfad, &QListWidget::itemClicked, this, [this] { lbFehlerpfadClick(); });
    connect(lbFehlerpfad, &QListWidget::itemDoubleClicked, this, [this] { btnFehlerInfoClick(); });

    GroupBox2 = new QGroupBox(QStringLiteral("Information about the message selected above :"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    stxtFehlerhinweis = new QLabel(GroupBox2);
    stxtFehlerhinweis->setObjectName(QStringLiteral("stxtFehlerhinweis"));
    QFont plain = bold;
    plain.setBold(false);
    stxtFehlerhinweis->setFont(plain);
    stxtFehlerhinweis->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stxtFehlerhinweis->setTextFormat(Qt::PlainText);
    // A long hint scrolls in its own area instead of taking the list's rows.
    QScrollArea* hintArea = scrollingText(stxtFehlerhinweis, GroupBox2, "hintArea");
    auto* hintLayout = new QVBoxLayout(GroupBox2);
    hintLayout->addWidget(hintArea);

    GroupBox3 = new QGroupBox(QStringLiteral("Additional information"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    auto* details = new QGridLayout(GroupBox3);
    auto detailRow = [&](int row, const char* caption, QLabel*& value, const char* name) {
        details->addWidget(new QLabel(QString::fromLatin1(caption), GroupBox3), row, 0);
        value = new QLabel(GroupBox3);
        value->setObjectName(QString::fromLatin1(name));
        value->setTextFormat(Qt::PlainText);
        details->addWidget(value, row, 1);
    };
    detailRow(0, "Path:", lblFehlerpfadTxt, "lblFehlerpfadTxt");
    detailRow(1, "Type:", lblFehlerartTxt, "lblFehlerartTxt");
    detailRow(2, "Priority Level:", lblFehlerwertigkeitTxt, "lblFehlerwertigkeitTxt");
    detailRow(3, "Counter:", lblFehlerzaehlerTxt, "lblFehlerzaehlerTxt");
    detailRow(4, "Duration:", lblFehlerdauerTxt, "lblFehlerdauerTxt");
    detailRow(5, "Number:", lblFehlernummerTxt, "lblFehlernummerTxt");
    details->setColumnStretch(1, 1);

    GroupBox1 = new QGroupBox(QStringLiteral("Cyclical update"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    CheckBoxZyklischAktualisieren = new QCheckBox(QStringLiteral("&On / Off"), GroupBox1);
    CheckBoxZyklischAktualisieren->setObjectName(QStringLiteral("CheckBoxZyklischAktualisieren"));
    MaskEdit1 = new QLineEdit(GroupBox1);
    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    MaskEdit1->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,4}")), MaskEdit1));
    MaskEdit1->setMaxLength(4);
    MaskEdit1->setVisible(false);
    MaskEdit1->installEventFilter(this);
    StaticText1 = new QLabel(QStringLiteral("Time (ms)"), GroupBox1);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setVisible(false);
    auto* cyclic = new QHBoxLayout(GroupBox1);
    cyclic->addWidget(CheckBoxZyklischAktualisieren);
    cyclic->addWidget(MaskEdit1);
    cyclic->addWidget(StaticText1);
    cyclic->addStretch(1);
    connect(CheckBoxZyklischAktualisieren, &QCheckBox::toggled, this,
            [this] { CheckBoxZyklischAktualisierenClick(); });

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    btnOK = panelButton("O&K", Panel1, "btnOK");
    btnAbbruch = panelButton("&Cancel", Panel1, "btnAbbruch");
    btnHilfe = panelButton("&Help", Panel1, "btnHilfe");
    btnFehlerInfo = panelButton("&Info", Panel1, "btnFehlerInfo");
    btnUmweltdaten = panelButton("&Environmental data", Panel1, "btnUmweltdaten");
    btnUmweltdaten->setEnabled(false);
    btnFehlerLoeschen = panelButton("C&lear diagnostic memory", Panel1, "btnFehlerLoeschen");
    btnAktualisieren = panelButton("&Refresh", Panel1, "btnAktualisieren");
    ComboBoxSort = new QComboBox(Panel1);
    ComboBoxSort->setObjectName(QStringLiteral("ComboBoxSort"));
    ComboBoxSort->addItems({QStringLiteral("As read out"), QStringLiteral("Current message first"),
                            QStringLiteral("Older message first")});
    ComboBoxSort->setToolTip(QStringLiteral("Sort sequence of displayed messages"));
    ComboBoxSort->setVisible(false);
    bitbtnDrucken = panelButton("", Panel1, "bitbtnDrucken");
    bitbtnDrucken->setToolTip(QStringLiteral("Print the diagnostic memory content"));
    bitbtnDrucken->setAccessibleName(bitbtnDrucken->toolTip());
    bitbtnDrucken->setIcon(previewToolIcon(PreviewTool::Print));
    bitbtnDrucken->setIconSize(QSize(32, 32));
    bitbtnDrucken->setVisible(false);
    bitbtnSpeichern = panelButton("", Panel1, "bitbtnSpeichern");
    bitbtnSpeichern->setToolTip(QStringLiteral("Save the diagnostic memory content"));
    bitbtnSpeichern->setAccessibleName(bitbtnSpeichern->toolTip());
    bitbtnSpeichern->setIcon(saveFileIcon());
    bitbtnSpeichern->setIconSize(QSize(32, 32));
    bitbtnSpeichern->setVisible(false);
    auto* buttons = new QVBoxLayout(Panel1);
    buttons->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{btnOK, btnAbbruch, btnHilfe, btnFehlerInfo,
                                                       btnUmweltdaten, btnFehlerLoeschen, btnAktualisieren})
        buttons->addWidget(w);
    buttons->addStretch(1);
    buttons->addWidget(ComboBoxSort);
    buttons->addWidget(bitbtnDrucken);
    buttons->addWidget(bitbtnSpeichern);
    Panel1->setMinimumWidth(170);

    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnAbbruch, &QPushButton::clicked, this, [this] { btnAbbruchClick(); });
    connect(btnHilfe, &QPushButton::clicked, this, [this] { btnHilfeClick(); });
    connect(btnFehlerInfo, &QPushButton::clicked, this, [this] { btnFehlerInfoClick(); });
    connect(btnUmweltdaten, &QPushButton::clicked, this, [this] { btnUmweltdatenClick(); });
    connect(btnFehlerLoeschen, &QPushButton::clicked, this, [this] { btnFehlerLoeschenClick(); });
    connect(btnAktualisieren, &QPushButton::clicked, this, [this] { btnAktualisierenClick(); });
    connect(bitbtnDrucken, &QPushButton::clicked, this, [this] { bitbtnDruckenClick(); });
    connect(bitbtnSpeichern, &QPushButton::clicked, this, [this] { bitbtnSpeichernClick(); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kDefaultRefreshIntervalMs);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(GroupBox2, 3);
    auto* right = new QVBoxLayout;
    right->addWidget(GroupBox3);
    right->addWidget(GroupBox1);
    bottom->addLayout(right, 2);

    auto* left = new QVBoxLayout;
    left->addWidget(FehlerhaftesBauteil);
    left->addWidget(lbFehlerpfad, 1);
    left->addLayout(bottom);

    auto* outer = new QHBoxLayout(this);
    outer->addLayout(left, 1);
    outer->addWidget(Panel1);
}

// --- construction, second step ----------------------------------------------------------------

void TNFehlerspeicher::initialize() {
    if (initialized_) return;
    initialized_ = true;
    Initialisieren(name_, fallback_, warn_);
}

void TNFehlerspeicher::ensureInitialized() { initialize(); }

// --- virtual operations -----------------------------------------------------------------------

void TNFehlerspeicher::Initialisieren(const std::string& name, bool fallback, bool warn) {
    initialized_ = true;
    Besitzer = parentWidget();
    Voreinstellungen();
    if (DiagAttr.AppIni.empty()) message(LoadStr(kIdNoIniFile), MB_ICONINFORMATION);

    const FaultTextFileSearch found = findFaultTextFile(programFolder_, name, fallback);
    FkdDatei = found.path.string();
    if (warn) {
        if (found.source == FaultTextFileSource::Substitute)
            message(messageWithSystemText(kIdSubstituteUsed, FkdDatei), MB_ICONWARNING);
        else if (found.source == FaultTextFileSource::Missing)
            message(messageWithSystemText(kIdFileMissing, found.requested.string()), MB_ICONWARNING);
    }
    FehlerTabelleLoeschen();
}

int TNFehlerspeicher::FehlerTextErmitteln(std::string& text) {
    ensureInitialized();
    FehlerspeicherLesen();
    const CurrentFaultText current = currentFaultText(Fehlertabelle, texts());
    text = current.text;
    return current.count;
}

bool TNFehlerspeicher::FehlerspeicherLesen() { return true; }

bool TNFehlerspeicher::FehlerspeicherLoeschen() { return true; }

std::string TNFehlerspeicher::HinweisText(int32_t komponente, int32_t fehlerart) {
    ensureInitialized();
    return texts().HinweisText(komponente, fehlerart);
}

void TNFehlerspeicher::AnzeigeMaskeSetzen(uint16_t mask) { AnzeigeMaske = mask; }

void TNFehlerspeicher::DruckenSichtbar(bool visible) { bitbtnDrucken->setVisible(visible); }

void TNFehlerspeicher::SpeichernSichtbar(bool visible) { bitbtnSpeichern->setVisible(visible); }

void TNFehlerspeicher::Voreinstellungen() {
    AnzeigeMaske = FaultDetailMask::Komponente | FaultDetailMask::Fehlerart |
                   FaultDetailMask::Prioritaet | FaultDetailMask::Zaehler;
}

void TNFehlerspeicher::UmweltdatenAnzeigen(const FaultEntryKey&) {}

int TNFehlerspeicher::Ausfuehren() {
    ensureInitialized();
    FehlerTabelleLoeschen();
    if (!FehlerspeicherLesen()) return 0;
    const int result = exec();
    setWindowTitle(fromAnsi(FkdDatei));
    return result;
}

int TNFehlerspeicher::AusfuehrenMitUmweltdaten(bool flag) {
    btnUmweltdaten->setEnabled(flag);
    return Ausfuehren();
}

bool TNFehlerspeicher::PrueferAbfragen() {
    ProgramContext& context = programContext();
    std::optional<std::string> name = context.askText(LoadStr(kIdTesterCaption), LoadStr(kIdTesterPrompt),
                                                      context.testerName(), kTesterNameLength);
    if (!name) return false;
    if (name->size() > kTesterNameLength) name->resize(kTesterNameLength);
    context.setTesterName(*name);
    return true;
}

void TNFehlerspeicher::FehlerListeFuellen(bool nurListe) {
    const FaultTextFile& file = texts();
    AnzahlEintraege = static_cast<int32_t>(Sortierung());
    FehlerListeLeeren();
    EintraegeVorhanden = false;
    AktuelleFehlerVorhanden = false;
    programmaticSelection_ = true;
    for (int32_t i = 0; i < AnzahlEintraege; ++i) {
        FehlerEintrag& e = Anzeigetabelle[static_cast<std::size_t>(i)];
        EintraegeVorhanden = true;
        if (e.Status != 0) AktuelleFehlerVorhanden = true;
        e.KomponentenName = file.KomponentenText(e.KomponentenCode);
        e.FehlerartName = file.FehlerartText(e.FehlerartCode);
        lbFehlerpfad->addItem(fromAnsi(e.KomponentenName));
    }
    programmaticSelection_ = false;
    if (nurListe) return;

    lbFehlerpfad->setFocus();
    if (!EintraegeVorhanden) {
        const std::string placeholder = LoadStr(kIdNoMessage);
        programmaticSelection_ = true;
        lbFehlerpfad->addItem(fromAnsi(placeholder));
        programmaticSelection_ = false;
        Anzeigetabelle[0].KomponentenName = placeholder;
    }
    int row = 0;
    for (int i = 0; i < lbFehlerpfad->count() && i < static_cast<int>(kFaultTableSize); ++i) {
        if (ZeileGewaehlt[static_cast<std::size_t>(i)]) {
            row = i;
            break;
        }
    }
    selectRow(row);
    HinweisAnzeigen();
}

// --- lookups ----------------------------------------------------------------------------------

const FaultTextFile& TNFehlerspeicher::texts() const {
    if (!texts_ || texts_->requested().native() != FkdDatei) texts_.emplace(FkdDatei);
    return *texts_;
}

std::string TNFehlerspeicher::KomponentenText(int32_t code) {
    ensureInitialized();
    return texts().KomponentenText(code);
}

std::string TNFehlerspeicher::FehlerartText(int32_t code) {
    ensureInitialized();
    return texts().FehlerartText(code);
}

void TNFehlerspeicher::FehlerTabelleLoeschen() {
    ::FehlerTabelleLoeschen(Fehlertabelle);
    ::FehlerTabelleLoeschen(Anzeigetabelle);
}

bool TNFehlerspeicher::EintragLeer(std::size_t index) const {
    return index >= Fehlertabelle.size() || ::EintragLeer(Fehlertabelle[index]);
}

std::size_t TNFehlerspeicher::Sortierung() {
    return ::Sortierung(Fehlertabelle, faultSortOrderOf(ComboBoxSort->currentIndex()), Anzeigetabelle);
}

// --- protocols --------------------------------------------------------------------------------

void TNFehlerspeicher::ProtokollErgaenzen(ProfileAccess&) {}

void TNFehlerspeicher::ProtokollGelesen() {}

void TNFehlerspeicher::TabelleDrucken(FehlerspeicherProtokoll& record) {
    record.ZaehlerSpalteErzwingen = ZaehlerSpalteErzwingen;
    record.TimerSpalteErzwingen = TimerSpalteErzwingen;
    TFspPrint report(Besitzer);
    report.Print(record);
}

void TNFehlerspeicher::ProtokolldatenDrucken(FehlerspeicherProtokoll& record) {
    record.ZaehlerSpalteErzwingen = ZaehlerSpalteErzwingen;
    record.TimerSpalteErzwingen = TimerSpalteErzwingen;
    TFspPrint report(Besitzer);
    report.PrintData(record);
}

void TNFehlerspeicher::repaintWithOwner() {
    if (Besitzer) Besitzer->repaint();
    repaint();
}

std::span<const FehlerEintrag> TNFehlerspeicher::shownEntries(std::size_t count) const {
    return std::span<const FehlerEintrag>(Anzeigetabelle).first(std::min(count, Anzeigetabelle.size()));
}

void TNFehlerspeicher::bitbtnSpeichernClick() {
    ensureInitialized();
    if (!PrueferAbfragen()) return;
    repaintWithOwner();
    ProgramContext& context = programContext();
    const std::string section = protocolSectionName(context.systemName());

    FileChoice choice;
    choice.mode = FileChoice::Mode::Save;
    choice.folder = configuredFolder(AppIniKeys::WriteData, true, context);
    choice.filters = filterPairs(kProtocolSaveFilter);
    choice.defaultSuffix = kProtocolSuffix;
    const std::optional<std::filesystem::path> chosen = context.chooseFile(choice);
    if (!chosen) return;
    ProtokollDatei = chosen->string();
    std::error_code error;
    if (std::filesystem::exists(*chosen, error) &&
        MsgBox(LoadStr(kIdOverwrite), DiagAttr.Anwendungstitel, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;

    const ProfileWriteResult saved =
        saveProtocol(*chosen, section, protocolHeader(context),
                     shownEntries(static_cast<std::size_t>(std::max(AnzahlEintraege, 0))),
                     [this](ProfileAccess& protokoll) { ProtokollErgaenzen(protokoll); });
    // The window stays open, so the technician can save elsewhere.
    if (!saved) fileFailure(kIdProtocolNotSaved, saved.message);
}

void TNFehlerspeicher::bitbtnDruckenClick() {
    ensureInitialized();
    if (!PrueferAbfragen()) return;
    repaintWithOwner();
    FehlerspeicherProtokoll record;
    {
        BusyCursorScope busy(&HourglassCursor::application());
        record = protocolOfEntries(protocolHeader(programContext()), shownEntries(usedEntryCount(Fehlertabelle)),
                                   texts());
    }
    TabelleDrucken(record);
}

void TNFehlerspeicher::ProtokollDrucken() { ProtokollLesen(false); }

void TNFehlerspeicher::ProtokollLesen(bool daten) {
    ensureInitialized();
    ProgramContext& context = programContext();
    FileChoice choice;
    choice.mode = FileChoice::Mode::Open;
    choice.folder = configuredFolder(AppIniKeys::WriteData, false, context);
    choice.filters = filterPairs(LoadStr(kIdProtocolFilter));
    choice.defaultSuffix = kProtocolSuffix;
    const std::optional<std::filesystem::path> chosen = context.chooseFile(choice);
    if (!chosen) return;

    ProtocolRead read;
    {
        BusyCursorScope busy(&HourglassCursor::application());
        repaintWithOwner();
        ProtokollDatei = chosen->string();
        read = readProtocol(*chosen, protocolSectionName(context.systemName()));
        if (read.record) ProtokollGelesen();
    }
    if (!read.file) {
        fileFailure(kIdProtocolNotRead, read.file.message);
        return;
    }
    if (!read.record) {
        message(LoadStr(kIdProtocolUnreadable), MB_ICONWARNING);
        return;
    }
    if (daten)
        ProtokolldatenDrucken(*read.record);
    else
        TabelleDrucken(*read.record);
}

// --- the list ---------------------------------------------------------------------------------

int TNFehlerspeicher::selectedRow() const { return lbFehlerpfad->currentRow(); }

void TNFehlerspeicher::selectRow(int row) {
    programmaticSelection_ = true;
    lbFehlerpfad->setCurrentRow(row);
    programmaticSelection_ = false;
}

void TNFehlerspeicher::FehlerListeLeeren() {
    programmaticSelection_ = true;
    lbFehlerpfad->clear();
    programmaticSelection_ = false;
    // The details of an entry no longer listed must not stay shown while the memory is read.
    HinweisAnzeigen();
}

FaultRowView TNFehlerspeicher::rowView(int row) const {
    FaultRowView view;
    if (row < 0 || row >= lbFehlerpfad->count()) return view;
    if (QListWidgetItem* item = lbFehlerpfad->item(row)) view.line1 = item->text();
    if (!EintraegeVorhanden || row >= AnzahlEintraege) return view;
    const FehlerEintrag& e = Anzeigetabelle[static_cast<std::size_t>(row)];
    view.icon = e.Status != 0 ? 1 : 0;
    view.line2 = fromAnsi(e.FehlerartName);
    return view;
}

const QPixmap& TNFehlerspeicher::listIcon(int index) const {
    return ImageList1[index == 1 ? 1 : 0];
}

void TNFehlerspeicher::lbFehlerpfadDrawItem(QPainter& painter, int row, const QRect& rect,
                                            bool selected) const {
    const FaultRowView view = rowView(row);
    const QPalette& palette = lbFehlerpfad->palette();
    painter.fillRect(rect, selected ? palette.highlight() : palette.base());
    painter.drawPixmap(rect.left() + kIconLeft, rect.top() + kIconTop, listIcon(view.icon));
    painter.setPen(selected ? palette.highlightedText().color() : palette.text().color());
    QFont font = lbFehlerpfad->font();
    font.setBold(true);
    painter.setFont(font);
    const int textWidth = std::max(0, rect.width() - kTextLeft);
    painter.drawText(QRect(rect.left() + kTextLeft, rect.top() + kLine1Top, textWidth, kLineHeight),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, view.line1);
    if (view.line2) {
        font.setBold(false);
        painter.setFont(font);
        painter.drawText(QRect(rect.left() + kTextLeft, rect.top() + kLine2Top, textWidth, kLineHeight),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, *view.line2);
    }
}

void TNFehlerspeicher::HinweisAnzeigen() {
    const int row = selectedRow();
    QLabel* values[] = {lblFehlerpfadTxt,   lblFehlerartTxt,   lblFehlerwertigkeitTxt,
                        lblFehlerzaehlerTxt, lblFehlerdauerTxt, lblFehlernummerTxt};
    if (!EintraegeVorhanden || row < 0 || row >= AnzahlEintraege) {
        stxtFehlerhinweis->clear();
        for (QLabel* label : values) label->clear();
        return;
    }
    const FehlerEintrag& e = Anzeigetabelle[static_cast<std::size_t>(row)];
    stxtFehlerhinweis->setText(fromAnsi(texts().HinweisAnzeige(e.KomponentenCode, e.FehlerartCode)));
    const FaultDetailTexts d = faultDetailTexts(e, AnzeigeMaske);
    const std::string* shown[] = {&d.pfad, &d.art, &d.wertigkeit, &d.zaehler, &d.dauer, &d.nummer};
    for (std::size_t i = 0; i < std::size(values); ++i) values[i]->setText(fromAnsi(*shown[i]));
}

// --- handlers ---------------------------------------------------------------------------------

void TNFehlerspeicher::FormShow() {
    TfrmCOMBasisDialog::FormShow();
    setWindowTitle(fromAnsi(FkdDatei));
    FehlerListeFuellen(false);
    MaskEdit1->setText(QString::number(Timer1->interval()));
}

void TNFehlerspeicher::FormCanResize() { stxtFehlerhinweis->update(); }

void TNFehlerspeicher::btnOKClick() { done(IDOK); }

void TNFehlerspeicher::btnAbbruchClick() { done(IDCANCEL); }

void TNFehlerspeicher::btnAktualisierenClick() {
    if (!FehlerspeicherLesen()) done(IDCANCEL);
    FehlerListeFuellen(false);
}

bool TNFehlerspeicher::LoeschenBestaetigt() {
    // The cyclic update waits while the technician decides.
    const bool cycling = Timer1->isActive();
    Timer1->stop();
    const bool yes = MsgBox(LoadStr(kIdClearQuestion), DiagAttr.Anwendungstitel,
                            MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    if (cycling && isVisible()) Timer1->start();
    return yes;
}

void TNFehlerspeicher::btnFehlerLoeschenClick() {
    if (!LoeschenBestaetigt()) return;
    if (!FehlerspeicherLoeschen()) {
        done(IDCANCEL);
    } else if (!FehlerspeicherLesen()) {
        done(IDCANCEL);
    }
    FehlerListeFuellen(false);
}

void TNFehlerspeicher::btnFehlerInfoClick() {
    if (!EintraegeVorhanden) {
        message(LoadStr(kIdNoMessage), MB_ICONINFORMATION);
        return;
    }
    const int row = selectedRow();
    if (row < 0 || row >= AnzahlEintraege) return;
    const FehlerEintrag& e = Anzeigetabelle[static_cast<std::size_t>(row)];
    showHelpForUser(DiagAttr.FspHilfeDatei, FaultTextFile::hintKey(e.KomponentenCode, e.FehlerartCode));
}

void TNFehlerspeicher::btnHilfeClick() { showHelpForUser(DiagAttr.HilfeDatei); }

void TNFehlerspeicher::btnUmweltdatenClick() {
    const int row = selectedRow();
    if (!EintraegeVorhanden || row < 0 || row >= AnzahlEintraege) return;
    const FehlerEintrag& e = Anzeigetabelle[static_cast<std::size_t>(row)];
    UmweltdatenAnzeigen({e.KomponentenCode, e.FehlerartCode, e.Nummer});
}

void TNFehlerspeicher::lbFehlerpfadClick() {
    ZeileGewaehlt.fill(false);
    const int row = selectedRow();
    if (row >= 0 && row < static_cast<int>(ZeileGewaehlt.size()))
        ZeileGewaehlt[static_cast<std::size_t>(row)] = true;
    HinweisAnzeigen();
}

void TNFehlerspeicher::ComboBoxSortChange() { FehlerListeFuellen(false); }

void TNFehlerspeicher::CheckBoxZyklischAktualisierenClick() {
    if (CheckBoxZyklischAktualisieren->isChecked())
        Timer1->start();
    else
        Timer1->stop();
}

void TNFehlerspeicher::Timer1Timer() {
    Timer1->stop();
    modalResult_ = 0;
    btnAktualisierenClick();
    // A failed read has closed the window with Cancel: the cycle ends with it.
    if (modalResult_ != IDCANCEL) Timer1->start();
}

void TNFehlerspeicher::MaskEdit1Enter() { CheckBoxZyklischAktualisieren->setChecked(false); }

void TNFehlerspeicher::MaskEdit1Exit() {
    const int interval = refreshIntervalOf(toAnsi(MaskEdit1->text()));
    Timer1->setInterval(interval);
    MaskEdit1->setText(QString::number(interval));
}

// --- closing ----------------------------------------------------------------------------------

bool TNFehlerspeicher::FormClose(int result) {
    if (AktuelleFehlerVorhanden && result == IDOK) {
        // The window stays open and so does its cyclic refresh.
        message(LoadStr(kIdCurrentMessages), MB_ICONWARNING);
        return false;
    }
    Timer1->stop();
    if (!DiagAttr.AppIni.empty()) {
        if (auto order = faultSortOrderToStore(sortOrderRead_, ComboBoxSort->currentIndex())) {
            ProfileFile ini(DiagAttr.AppIni);
            // A sort order that could not be stored is not worth a message: the next window
            // simply opens in the old order.
            if (storeFaultSortOrder(ini, *order)) sortOrderRead_ = *order;
        }
    }
    TfrmCOMBasisDialog::FormClose();
    return true;
}

void TNFehlerspeicher::done(int result) {
    if (!FormClose(result)) return;
    modalResult_ = result;
    TfrmCOMBasisDialog::done(result);
}

void TNFehlerspeicher::reject() { done(IDCANCEL); }

// --- events -----------------------------------------------------------------------------------

void TNFehlerspeicher::showEvent(QShowEvent* event) {
    ensureInitialized();
    TfrmCOMBasisDialog::showEvent(event);
    if (event->spontaneous()) return;
    modalResult_ = 0;
    FormShow();
}

void TNFehlerspeicher::resizeEvent(QResizeEvent* event) {
    TfrmCOMBasisDialog::resizeEvent(event);
    FormCanResize();
}

bool TNFehlerspeicher::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MaskEdit1) {
        if (event->type() == QEvent::FocusIn) MaskEdit1Enter();
        if (event->type() == QEvent::FocusOut) MaskEdit1Exit();
    }
    return TfrmCOMBasisDialog::eventFilter(watched, event);
}
