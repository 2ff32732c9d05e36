#pragma once
// TfrmDIPort: the dialog for the connection to the diagnostic interface (a serial port or a USB
// device) and the owner of the loop that opens the interface with retry. The base main window
// keeps one for the whole run (programPortDialog() in Basisform.h). The logic lives in PortSelection.h; this wires the
// controls to it.
//
// Use:
//   dialog.InitDiagnosticInterface(OpenDiagInterface)   1 opened, 0 the user gave up
//   dialog.GetInterfacePort(force)                       1 port chosen (chosenPort())
//   dialog.ShowPortDialog(port)                          1 confirmed, port = the choice
//
// For tests and other callers that must not block, ShowPortDialog comes in steps:
// prepareShowPortDialog(port), show the dialog and let the user act, finishShowPortDialog(port).

#include "BasisDialog.h"
#include "PortSelection.h"

#include <cstdint>
#include <memory>
#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

class TfrmDIPort : public TNBasisDialog, public PortSelectionDialog {
    Q_OBJECT
public:
    // scan: the USB scan (the driver's ScanUsbInterfaces when empty).
    explicit TfrmDIPort(QWidget* owner = nullptr, UsbScanFunction scan = {});
    ~TfrmDIPort() override;

    // Opens the interface through callback with retry (TfrmInitDIErrorHandler on failure).
    // 1 when it was opened, 0 when the user gave up.
    int InitDiagnosticInterface(const OpenInterfaceCallback& callback);
    // 1 with chosenPort() set, 0 when the dialog was cancelled.
    int GetInterfacePort(bool force);
    // Shows the dialog modally, preset from port; returns the modal result (1 OK, 2 Cancel or
    // closed). On 1 port holds the chosen port.
    int ShowPortDialog(std::string& port) override;

    void prepareShowPortDialog(const std::string& port);
    int finishShowPortDialog(std::string& port) const;

    // The chosen port: the dialog's result and the name the callback gets.
    const std::string& chosenPort() const { return chosenPort_; }
    const std::string& givenPort() const { return givenPort_; }
    uint8_t errorChoice() const { return opening_.errorChoice(); }
    bool libraryMessageShown() const { return usb_.libraryMessageShown(); }

    // Rescans the USB devices and refills the list and the USB combo box.
    void ScanUsbDevices(bool& usbAvailable);
    // lblUSBStatus for the text of cbUSBPort.
    void UpdateUsbStatus();
    // Status text of the index-th device of the last scan.
    std::string UsbStatusText(int entryIndex) const;

    // Where InitDiagnosticInterface shows its failures; by default a TfrmInitDIErrorHandler
    // owned by this dialog for each failure. Not owned; null restores the default.
    void setInterfaceErrorDialog(InterfaceErrorDialog* dialog);

    QLabel* Label2;
    QGroupBox* GroupBox1;
    QRadioButton* rbCOMPort;
    QComboBox* cbCOMPort;
    QRadioButton* rbUSBPort;
    QComboBox* cbUSBPort;
    QLabel* lblUSBStatus;
    QTreeWidget* lvUSBListe;
    QPushButton* btnScanUSBDevices;

public slots:
    void btn2Click();
    void btn1Click();
    void rbCOMPortClick();
    void rbUSBPortClick();
    void btnScanUSBDevicesClick();
    void cbUSBPortChange();
    void lvUSBListeSelectItem(QTreeWidgetItem* item);

protected:
    void reject() override;  // the close box and Escape cancel (result 2)

private:
    class ErrorDialogs;
    void buildLayout();
    void selectComPort(const std::string& port);

    std::string chosenPort_;
    std::string givenPort_;
    UsbDeviceList usb_;
    std::unique_ptr<ErrorDialogs> errorDialogs_;
    DiagnosticInterfaceOpening opening_;
};
