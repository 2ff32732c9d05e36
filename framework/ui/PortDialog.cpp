#include "PortDialog.h"

#include "ErrorHandler.h"
#include "ErrorTexts.h"
#include "MessageBox.h"
#include "StringTable.h"
#include "TextCodec.h"

#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kTextNoValidConnection = 11070;
constexpr int kTextLibraryMissing = 11071;

// The raw device name of a combo entry or list row: the library's bytes, not the shown text.
constexpr int kNameRole = Qt::UserRole;

std::string rawName(const QVariant& data) {
    const QByteArray bytes = data.toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray bytesOf(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// Shows each failure in a new TfrmInitDIErrorHandler owned by the port dialog, unless a test or
// caller put another dialog in its place.
class TfrmDIPort::ErrorDialogs final : public InterfaceErrorDialog {
public:
    explicit ErrorDialogs(TfrmDIPort& owner) : owner_(owner) {}
    InterfaceErrorDialog* replacement = nullptr;

    uint8_t showInterfaceError(int32_t code) override {
        if (replacement) return replacement->showInterfaceError(code);
        TfrmInitDIErrorHandler dialog(&owner_);
        uint8_t choice = TfrmInitDIErrorHandler::ChoiceCancel;
        dialog.Execute(choice, code);
        return choice;
    }

private:
    TfrmDIPort& owner_;
};

TfrmDIPort::TfrmDIPort(QWidget* owner, UsbScanFunction scan)
    : TNBasisDialog(owner),
      usb_(std::move(scan)),
      errorDialogs_(std::make_unique<ErrorDialogs>(*this)),
      opening_(*this, *errorDialogs_) {
    buildLayout();
}

TfrmDIPort::~TfrmDIPort() = default;

void TfrmDIPort::buildLayout() {
    setWindowTitle(QStringLiteral("Connection selection of the Diagnostic Interface"));

    Label2 = new QLabel(QStringLiteral(
        "Select a port. If the required USB device does not appear in the list, check the "
        "hardware (electrical power supply, cabling) and update the USB device list!"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setWordWrap(true);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    auto* panel2 = new QFrame;
    panel2->setObjectName(QStringLiteral("Panel2"));
    panel2->setFrameShape(QFrame::StyledPanel);
    auto* panelLayout = new QVBoxLayout(panel2);
    panelLayout->addWidget(Label2);

    GroupBox1 = new QGroupBox(QStringLiteral("Connection"));
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    rbCOMPort = new QRadioButton(QStringLiteral("Serial port"));
    rbCOMPort->setObjectName(QStringLiteral("rbCOMPort"));
    cbCOMPort = new QComboBox;
    cbCOMPort->setObjectName(QStringLiteral("cbCOMPort"));
    for (const std::string& name : comPortNames()) cbCOMPort->addItem(QString::fromStdString(name));
    rbUSBPort = new QRadioButton(QStringLiteral("USB"));
    rbUSBPort->setObjectName(QStringLiteral("rbUSBPort"));
    cbUSBPort = new QComboBox;
    cbUSBPort->setObjectName(QStringLiteral("cbUSBPort"));
    cbUSBPort->setMinimumWidth(260);
    lblUSBStatus = new QLabel(QStringLiteral("---"));
    lblUSBStatus->setObjectName(QStringLiteral("lblUSBStatus"));

    lvUSBListe = new QTreeWidget;
    lvUSBListe->setObjectName(QStringLiteral("lvUSBListe"));
    lvUSBListe->setColumnCount(2);
    lvUSBListe->setHeaderLabels({QStringLiteral("USB device list"), QStringLiteral("USB status")});
    lvUSBListe->setColumnWidth(0, 200);
    lvUSBListe->setColumnWidth(1, 195);
    lvUSBListe->setRootIsDecorated(false);
    lvUSBListe->setSortingEnabled(false);
    lvUSBListe->header()->setSectionsClickable(false);
    lvUSBListe->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvUSBListe->setSelectionMode(QAbstractItemView::SingleSelection);

    btnScanUSBDevices = new QPushButton(QStringLiteral("Update USB device list"));
    btnScanUSBDevices->setObjectName(QStringLiteral("btnScanUSBDevices"));

    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(rbCOMPort, 0, 0);
    grid->addWidget(cbCOMPort, 0, 1);
    grid->addWidget(rbUSBPort, 1, 0);
    grid->addWidget(cbUSBPort, 1, 1);
    grid->addWidget(lblUSBStatus, 1, 2);
    grid->addWidget(lvUSBListe, 2, 0, 1, 3);
    grid->addWidget(btnScanUSBDevices, 3, 2, Qt::AlignRight);
    grid->setColumnStretch(2, 1);

    auto* client = new QVBoxLayout(clientArea());
    client->setContentsMargins(0, 12, 0, 0);
    client->addWidget(panel2);
    client->addWidget(GroupBox1, 1);

    btn2->setText(QStringLiteral("&OK"));
    btn1->setText(QStringLiteral("&Cancel"));
    btn3->hide();
    btn2->setDefault(true);

    connect(btn2, &QPushButton::clicked, this, &TfrmDIPort::btn2Click);
    connect(btn1, &QPushButton::clicked, this, &TfrmDIPort::btn1Click);
    // Setting a radio button from code runs its handler too, as the user's click does.
    connect(rbCOMPort, &QRadioButton::toggled, this, [this](bool on) {
        if (on) rbCOMPortClick();
    });
    connect(rbUSBPort, &QRadioButton::toggled, this, [this](bool on) {
        if (on) rbUSBPortClick();
    });
    connect(btnScanUSBDevices, &QPushButton::clicked, this, &TfrmDIPort::btnScanUSBDevicesClick);
    connect(cbUSBPort, &QComboBox::currentIndexChanged, this, &TfrmDIPort::cbUSBPortChange);
    // Only a row the user selects chooses USB: the current row that the list takes on when it
    // merely gets the focus (tabbing through the dialog) is no choice.
    connect(lvUSBListe, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> selected = lvUSBListe->selectedItems();
        if (!selected.isEmpty()) lvUSBListeSelectItem(selected.first());
    });

    // The dialog border: this window keeps its size.
    setSizeGripEnabled(false);
    setFixedSize(size());
}

// --- opening ----------------------------------------------------------------------------------

int TfrmDIPort::InitDiagnosticInterface(const OpenInterfaceCallback& callback) {
    const int result = opening_.InitDiagnosticInterface(callback);
    chosenPort_ = opening_.chosenPort();
    return result;
}

int TfrmDIPort::GetInterfacePort(bool force) {
    const int result = opening_.GetInterfacePort(force);
    chosenPort_ = opening_.chosenPort();
    return result;
}

void TfrmDIPort::setInterfaceErrorDialog(InterfaceErrorDialog* dialog) {
    errorDialogs_->replacement = dialog;
}

// --- showing ----------------------------------------------------------------------------------

int TfrmDIPort::ShowPortDialog(std::string& port) {
    prepareShowPortDialog(port);
    exec();
    return finishShowPortDialog(port);
}

void TfrmDIPort::prepareShowPortDialog(const std::string& port) {
    givenPort_ = port;
    setResult(0);
    bool usbAvailable = true;
    ScanUsbDevices(usbAvailable);
    if (isComPortName(port)) {
        rbCOMPort->setChecked(true);
        selectComPort(port);
    } else if ((isUsbPortName(port) || (port.empty() && cbUSBPort->count() == 1)) && usbAvailable) {
        // Nothing stored and exactly one interface found: that one is the technician's choice.
        rbUSBPort->setEnabled(true);
        rbUSBPort->setChecked(true);
        cbCOMPort->setCurrentIndex(0);
    } else {
        rbCOMPort->setChecked(true);
        cbCOMPort->setCurrentIndex(0);
    }
    // A radio button already checked does not toggle; the controls must follow it anyway.
    if (rbCOMPort->isChecked()) rbCOMPortClick();
    else rbUSBPortClick();
}

int TfrmDIPort::finishShowPortDialog(std::string& port) const {
    if (result() == 1) port = chosenPort_;
    return result();
}

void TfrmDIPort::selectComPort(const std::string& port) {
    const int index = cbCOMPort->findText(QString::fromStdString(port));
    cbCOMPort->setCurrentIndex(index >= 0 ? index : 0);
}

void TfrmDIPort::reject() {
    done(2);
}

// --- the USB list -----------------------------------------------------------------------------

void TfrmDIPort::ScanUsbDevices(bool& usbAvailable) {
    const UsbDeviceList::Scan scan = usb_.ScanUsbDevices(givenPort_);
    usbAvailable = scan.usbAvailable;

    const QSignalBlocker blockCombo(cbUSBPort);
    const QSignalBlocker blockList(lvUSBListe);
    cbUSBPort->clear();
    lvUSBListe->clear();
    if (scan.showLibraryMessage)
        MsgBox(LoadStr(kTextLibraryMissing) + "\n\n" + usbLibraryPlaceText(), DiagAttr.Anwendungstitel,
               MB_OK | MB_ICONWARNING);
    for (const UsbListRow& row : scan.rows) {
        auto* item = new QTreeWidgetItem(lvUSBListe, {fromAnsi(row.name), fromAnsi(row.status)});
        item->setData(0, kNameRole, bytesOf(row.name));
        cbUSBPort->addItem(fromAnsi(row.name), bytesOf(row.name));
    }
    cbUSBPort->setCurrentIndex(scan.selected);

    rbUSBPort->setEnabled(usbAvailable);
    if (!usbAvailable && rbUSBPort->isChecked()) rbCOMPort->setChecked(true);
    UpdateUsbStatus();
}

void TfrmDIPort::UpdateUsbStatus() {
    const std::string name = cbUSBPort->currentIndex() >= 0
                                 ? rawName(cbUSBPort->currentData(kNameRole))
                                 : toAnsi(cbUSBPort->currentText());
    lblUSBStatus->setText(fromAnsi(usb_.statusOf(name)));
}

std::string TfrmDIPort::UsbStatusText(int entryIndex) const {
    return entryIndex < 0 ? std::string() : usb_.UsbStatusText(static_cast<std::size_t>(entryIndex));
}

// --- handlers ---------------------------------------------------------------------------------

void TfrmDIPort::btn2Click() {
    if (rbCOMPort->isChecked()) {
        chosenPort_ = toAnsi(cbCOMPort->currentText());
    } else if (cbUSBPort->currentIndex() < 0) {
        MsgBox(LoadStr(kTextNoValidConnection), DiagAttr.Anwendungstitel, MB_OK);
        return;
    } else {
        chosenPort_ = rawName(cbUSBPort->currentData(kNameRole));
    }
    done(1);
}

void TfrmDIPort::btn1Click() {
    done(2);
}

void TfrmDIPort::rbCOMPortClick() {
    cbUSBPort->setEnabled(false);
    lblUSBStatus->setEnabled(false);
    cbCOMPort->setEnabled(true);
}

void TfrmDIPort::rbUSBPortClick() {
    cbUSBPort->setEnabled(true);
    lblUSBStatus->setEnabled(true);
    cbCOMPort->setEnabled(false);
}

void TfrmDIPort::btnScanUSBDevicesClick() {
    bool usbAvailable = true;
    ScanUsbDevices(usbAvailable);
}

void TfrmDIPort::cbUSBPortChange() {
    UpdateUsbStatus();
}

void TfrmDIPort::lvUSBListeSelectItem(QTreeWidgetItem* item) {
    if (!item) return;
    if (!rbUSBPort->isChecked()) rbUSBPort->setChecked(true);
    const int index = cbUSBPort->findData(item->data(0, kNameRole), kNameRole, Qt::MatchExactly);
    if (index >= 0) cbUSBPort->setCurrentIndex(index);
    UpdateUsbStatus();
}
