#include "Einstellungen.h"

#include "EcuAddress.h"
#include "MessageBox.h"
#include "NData.h"
#include "ProfileFile.h"
#include "StringTable.h"
#include "TextCodec.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

TNEinstellungen::TNEinstellungen(QWidget* owner, SettingsContext context, FolderBrowser* browser,
                                 PortSelectionDialog* portDialog)
    : TNOptionen(owner, std::move(context), browser, portDialog) {
    setObjectName(QStringLiteral("NEinstellungen"));

    tabISOAdresse = new QWidget(pctr_Einst);
    tabISOAdresse->setObjectName(QStringLiteral("tabISOAdresse"));
    pctr_Einst->addTab(tabISOAdresse, QStringLiteral("ISO address"));

    auto* layout = new QVBoxLayout(tabISOAdresse);
    layout->addWidget(new QLabel(QStringLiteral("Set the ISO address of the ECU"), tabISOAdresse));
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("Address   :"), tabISOAdresse);
    edAdresse = new QLineEdit(tabISOAdresse);
    edAdresse->setObjectName(QStringLiteral("edAdresse"));
    caption->setBuddy(edAdresse);
    row->addWidget(caption);
    row->addWidget(edAdresse);
    row->addStretch(1);
    layout->addLayout(row);
    mmHinweis = new QPlainTextEdit(tabISOAdresse);
    mmHinweis->setObjectName(QStringLiteral("mmHinweis"));
    mmHinweis->setReadOnly(true);
    mmHinweis->setPlainText(QStringLiteral("NOTE: Input decimal or \n"
                                           "hexadecimal in the format 0x00!\n"
                                           "\n"
                                           "Standard values for busses:\n"
                                           "Front section: 16\n"
                                           "Rear section     : 17 or 19"));
    layout->addWidget(mmHinweis, 1);

    // Nothing in this program uses the printer margins: the page leaves the tab row altogether,
    // so no key (Ctrl+Tab included) reaches it; its values are still loaded and stored.
    pctr_Einst->removeTab(pctr_Einst->indexOf(tab_Drucker));
    tab_Drucker->setParent(this);
    tab_Drucker->hide();
    tab_Drucker->setEnabled(false);
}

void TNEinstellungen::FormShow() {
    TNOptionen::FormShow();
    const ProfileFile ini(model().context().iniFile);
    edAdresse->setText(
        fromAnsi(ini.readString(AppIniKeys::ECUAdress.section, AppIniKeys::ECUAdress.key,
                                std::to_string(AppIniKeys::ECUAdress.defaultValue))));
}

bool TNEinstellungen::EinstellungenSpeichern() {
    // Every page is checked before anything is stored: a refused address stores nothing, so a
    // Cancel afterwards leaves the settings as they were.
    if (!adresseGueltig()) return false;
    const bool framework = TNOptionen::EinstellungenSpeichern();
    const bool address = speichereAdresse();
    return framework && address;
}

bool TNEinstellungen::adresseGueltig() {
    if (parseEcuAddress(toAnsi(edAdresse->text()))) return true;
    MsgBox(LoadStr(kInvalidEcuAddressText), DiagAttr.Anwendungstitel, MB_OK | MB_ICONWARNING);
    pctr_Einst->setCurrentWidget(tabISOAdresse);
    edAdresse->setFocus();
    edAdresse->selectAll();
    return false;
}

bool TNEinstellungen::speichereAdresse() {
    const std::string typed = toAnsi(edAdresse->text());
    ProfileFile ini(model().context().iniFile);
    const ProfileWriteResult written = ini.writeString(AppIniKeys::ECUAdress.section, AppIniKeys::ECUAdress.key, typed);
    if (written) return true;
    MsgBox(settingNotSavedMessage(AppIniKeys::ECUAdress.section, AppIniKeys::ECUAdress.key, written),
           DiagAttr.Anwendungstitel, MB_OK | MB_ICONERROR);
    return false;
}
