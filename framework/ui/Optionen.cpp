#include "Optionen.h"

#include "Basisform.h"
#include "BubbleHelp.h"
#include "MessageBox.h"
#include "PortDialog.h"
#include "StringTable.h"
#include "TextCodec.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Folder names are file-system bytes, not Windows-1252 texts.
QString folderText(const std::string& folder) { return QFile::decodeName(QByteArray::fromStdString(folder)); }
std::string folderBytes(const QString& folder) { return QFile::encodeName(folder).toStdString(); }

QWidget* page(QTabWidget* tabs, const char* name, const char* caption) {
    auto* widget = new QWidget(tabs);
    widget->setObjectName(QString::fromLatin1(name));
    tabs->addTab(widget, QString::fromLatin1(caption));
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLineEdit* edit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

}  // namespace

TNOptionen::TNOptionen(QWidget* owner, SettingsContext context, FolderBrowser* browser,
                       PortSelectionDialog* portDialog)
    : TfrmCOMBasisDialog(owner, Placement::MainFormCentre),
      model_(std::move(context)),
      browser_(browser ? browser : &QtFolderBrowser::instance()),
      portDialog_(portDialog) {
    setObjectName(QStringLiteral("NOptionen"));
    setWindowTitle(QStringLiteral("Settings"));
    buildLayout();

    connect(btn_Ok, &QPushButton::clicked, this, &TNOptionen::btn_OkClick);
    connect(btn_Uebernehmen, &QPushButton::clicked, this, &TNOptionen::btn_UebernehmenClick);
    connect(btn_Abbrechen, &QPushButton::clicked, this, &TNOptionen::btn_AbbrechenClick);
    connect(btnSchnittstelleAendern, &QPushButton::clicked, this, &TNOptionen::btnSchnittstelleAendernClick);
    connect(btn_Leseverz, &QPushButton::clicked, this, [this] { btn_VerzClick(btn_Leseverz); });
    connect(btn_Schreibverz, &QPushButton::clicked, this, [this] { btn_VerzClick(btn_Schreibverz); });
}

TNOptionen::~TNOptionen() = default;

void TNOptionen::buildLayout() {
    pctr_Einst = new QTabWidget(this);
    pctr_Einst->setObjectName(QStringLiteral("pctr_Einst"));
    // Every tab readable at once: the dialog is as wide as its tabs, never behind scroll arrows.
    pctr_Einst->setUsesScrollButtons(false);

    // Serial port
    tab_Seriell = page(pctr_Einst, "tab_Seriell", "Serial port");
    {
        auto* layout = new QVBoxLayout(tab_Seriell);
        layout->addWidget(new QLabel(
            QStringLiteral("Select the serial port to which the Diagnostic Interface is connected."), tab_Seriell));
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("Currently selected port or USB device:"), tab_Seriell));
        lblSchnittstelle = new QLabel(QStringLiteral("---"), tab_Seriell);
        lblSchnittstelle->setObjectName(QStringLiteral("lblSchnittstelle"));
        lblSchnittstelle->setTextFormat(Qt::PlainText);
        row->addWidget(lblSchnittstelle, 1);
        layout->addLayout(row);
        btnSchnittstelleAendern = button(tab_Seriell, "btnSchnittstelleAendern", "Change port");
        layout->addWidget(btnSchnittstelleAendern, 0, Qt::AlignLeft);
        layout->addStretch(1);
    }

    // Data file location
    tab_Ablage = page(pctr_Einst, "tab_Ablage", "Data file location");
    {
        auto* layout = new QVBoxLayout(tab_Ablage);
        auto addFolder = [&](const char* caption, QLineEdit*& field, const char* fieldName, QPushButton*& browse,
                             const char* browseName, const char* browseCaption) {
            auto* box = new QGroupBox(QString::fromLatin1(caption), tab_Ablage);
            auto* row = new QHBoxLayout(box);
            field = edit(box, fieldName);
            browse = button(box, browseName, browseCaption);
            row->addWidget(field, 1);
            row->addWidget(browse);
            layout->addWidget(box);
        };
        addFolder("Reading directory", txt_Leseverz, "txt_Leseverz", btn_Leseverz, "btn_Leseverz", "Cha&nge");
        addFolder("Writing directory", txt_Schreibverz, "txt_Schreibverz", btn_Schreibverz, "btn_Schreibverz",
                  "C&hange");
        layout->addStretch(1);
    }

    // Program options
    tab_Optionen = page(pctr_Einst, "tab_Optionen", "Program options");
    {
        auto* layout = new QVBoxLayout(tab_Optionen);
        auto check = [&](const char* name, const char* caption) {
            auto* box = new QCheckBox(QString::fromLatin1(caption), tab_Optionen);
            box->setObjectName(QString::fromLatin1(name));
            layout->addWidget(box);
            return box;
        };
        cb_Vollbild = check("cb_Vollbild", "Start program in full screen mode");
        cb_AutoStart = check("cb_AutoStart", "Establish diagnostic connection when starting");
        cb_BubbleHelp = check("cb_BubbleHelp", "Display help texts (bubble help)");
        layout->addStretch(1);
    }

    // Printer
    tab_Drucker = page(pctr_Einst, "tab_Drucker", "Printer");
    {
        auto* layout = new QVBoxLayout(tab_Drucker);
        layout->addWidget(
            new QLabel(QStringLiteral("The system label printout can be adapted with these settings"), tab_Drucker));
        auto* box = new QGroupBox(QStringLiteral("Margins"), tab_Drucker);
        auto* grid = new QGridLayout(box);
        txt_X_Position = edit(box, "txt_X_Position");
        txt_Y_Position = edit(box, "txt_Y_Position");
        txt_X_Position->setText(QStringLiteral("1"));
        txt_Y_Position->setText(QStringLiteral("1"));
        auto* left = new QLabel(QStringLiteral("&Left [mm]"), box);
        left->setBuddy(txt_X_Position);
        auto* top = new QLabel(QStringLiteral("&Top [mm]"), box);
        top->setBuddy(txt_Y_Position);
        grid->addWidget(left, 0, 0);
        grid->addWidget(txt_X_Position, 0, 1);
        grid->addWidget(top, 1, 0);
        grid->addWidget(txt_Y_Position, 1, 1);
        layout->addWidget(box);
        layout->addStretch(1);
    }

    // User data
    tab_Benutzer = page(pctr_Einst, "tab_Benutzer", "User data");
    {
        auto* layout = new QVBoxLayout(tab_Benutzer);
        auto* heading = new QLabel(
            QStringLiteral("Your company and your name are shown in the information window of the program."),
            tab_Benutzer);
        heading->setWordWrap(true);
        layout->addWidget(heading);
        auto* grid = new QGridLayout;
        edFirma = edit(tab_Benutzer, "edFirma");
        edBenutzername = edit(tab_Benutzer, "edBenutzername");
        grid->addWidget(new QLabel(QStringLiteral("Company"), tab_Benutzer), 0, 0);
        grid->addWidget(edFirma, 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("User name"), tab_Benutzer), 1, 0);
        grid->addWidget(edBenutzername, 1, 1);
        layout->addLayout(grid);
        layout->addStretch(1);
    }
    pctr_Einst->setCurrentIndex(0);

    btn_Ok = button(this, "btn_Ok", "&OK");
    btn_Uebernehmen = button(this, "btn_Uebernehmen", "&Accept");
    btn_Abbrechen = button(this, "btn_Abbrechen", "&Cancel");
    btn_Ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btn_Ok);
    buttons->addWidget(btn_Uebernehmen);
    buttons->addWidget(btn_Abbrechen);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(pctr_Einst, 1);
    outer->addLayout(buttons);
    resize(480, 360);
}

void TNOptionen::showEvent(QShowEvent* event) {
    TfrmCOMBasisDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TNOptionen::FormShow() {
    TfrmCOMBasisDialog::FormShow();
    const SettingsValues werte = model_.load();
    port_ = werte.port;
    showPort();
    txt_Leseverz->setText(folderText(werte.readFolder));
    txt_Schreibverz->setText(folderText(werte.writeFolder));
    cb_Vollbild->setChecked(werte.vollbild);
    cb_AutoStart->setChecked(werte.autoStart);
    cb_BubbleHelp->setChecked(werte.bubbleHelp);
    txt_X_Position->setText(fromAnsi(werte.xPosition));
    txt_Y_Position->setText(fromAnsi(werte.yPosition));
    edFirma->setText(fromAnsi(werte.firma));
    edBenutzername->setText(fromAnsi(werte.benutzername));
}

SettingsValues TNOptionen::werte() const {
    SettingsValues werte;
    werte.port = port_;
    werte.readFolder = folderBytes(txt_Leseverz->text());
    werte.writeFolder = folderBytes(txt_Schreibverz->text());
    werte.vollbild = cb_Vollbild->isChecked();
    werte.autoStart = cb_AutoStart->isChecked();
    werte.bubbleHelp = cb_BubbleHelp->isChecked();
    werte.xPosition = toAnsi(txt_X_Position->text());
    werte.yPosition = toAnsi(txt_Y_Position->text());
    werte.firma = toAnsi(edFirma->text());
    werte.benutzername = toAnsi(edBenutzername->text());
    return werte;
}

bool TNOptionen::EinstellungenSpeichern() {
    const SettingsValues current = werte();
    lastSave_ = model_.save(current);
    setApplicationToolTipsEnabled(current.bubbleHelp);
    if (lastSave_.ok()) return true;
    MsgBox(lastSave_.userMessage(), DiagAttr.Anwendungstitel, MB_OK | MB_ICONERROR);
    return false;
}

void TNOptionen::btn_OkClick() {
    // A failed save keeps the dialog open: the user was told and may correct or cancel.
    if (EinstellungenSpeichern()) done(1);
}

void TNOptionen::btn_UebernehmenClick() { EinstellungenSpeichern(); }

void TNOptionen::btn_AbbrechenClick() { done(2); }

void TNOptionen::reject() { btn_AbbrechenClick(); }

PortSelectionDialog* TNOptionen::portDialog() const { return portDialog_ ? portDialog_ : programPortDialog(); }

void TNOptionen::btnSchnittstelleAendernClick() {
    PortSelectionDialog* dialog = portDialog();
    if (!dialog) return;
    std::string chosen = port_;
    if (dialog->ShowPortDialog(chosen) != 1) return;
    port_ = chosen;
    showPort();
}

void TNOptionen::btn_VerzClick(QObject* sender) {
    const bool reading = sender == btn_Leseverz;
    QLineEdit* field = reading ? txt_Leseverz : txt_Schreibverz;
    const QString title =
        fromAnsi(LoadStr(reading ? kSelectReadingDirectoryText : kSelectWritingDirectoryText));
    if (std::optional<QString> folder = browser_->chooseFolder(this, title, field->text())) field->setText(*folder);
}

void TNOptionen::showPort() {
    lblSchnittstelle->setText(port_.empty() ? QStringLiteral("---") : fromAnsi(port_));
}
