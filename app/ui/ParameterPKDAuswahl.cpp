#include "ParameterPKDAuswahl.h"

#include "MessageBox.h"
#include "NData.h"
#include "StringTable.h"
#include "TextCodec.h"

#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TfrmParameterPKDAuswahl::TfrmParameterPKDAuswahl(QWidget* owner, std::filesystem::path folder)
    : TNBasisDialog(owner),
      Label2(new QLabel(QStringLiteral("ECU number / diagnostic identifier"), clientArea())),
      lbPKDDateien(new QListWidget(clientArea())),
      Panel2(new QFrame(clientArea())),
      Label1(new QLabel(QStringLiteral("Select the required parameter version from the specified files."),
                        Panel2)),
      folder_(std::move(folder)) {
    setObjectName(QStringLiteral("frmParameterPKDAuswahl"));
    setWindowTitle(QStringLiteral("ECU selection"));
    setMinimumSize(640, 480);
    resize(640, 480);

    Label2->setObjectName(QStringLiteral("Label2"));
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    lbPKDDateien->setObjectName(QStringLiteral("lbPKDDateien"));
    lbPKDDateien->setMinimumWidth(289);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    QFont large = bold;
    large.setPointSize(large.pointSize() + 4);
    Label1->setFont(large);
    auto* note = new QVBoxLayout(Panel2);
    note->addWidget(Label1);
    note->addStretch(1);

    auto* list = new QVBoxLayout;
    list->addWidget(Label2);
    list->addWidget(lbPKDDateien, 1);
    auto* columns = new QHBoxLayout(clientArea());
    columns->setContentsMargins(8, 8, 8, 0);
    columns->addLayout(list, 1);
    columns->addWidget(Panel2, 1);

    btn1->setText(QStringLiteral("&Cancel"));
    closeWith(btn1, 2);
    btn2->setText(QStringLiteral("&OK"));
    btn2->setEnabled(false);
    btn2->setDefault(true);
    closeWith(btn2, 1);
    btn3->hide();

    connect(lbPKDDateien, &QListWidget::itemClicked, btn2, [this] { btn2->setEnabled(true); });
    // A double click on a line chooses it; one beside the lines chooses nothing.
    connect(lbPKDDateien, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item) done(1);
    });
}

bool TfrmParameterPKDAuswahl::fillList() {
    entries_ = listParameterDescriptions(folder_);
    lbPKDDateien->clear();
    for (const ECU_PKD_Liste& entry : entries_) lbPKDDateien->addItem(fromAnsi(pkdListLine(entry)));
    return !entries_.empty();
}

int TfrmParameterPKDAuswahl::Execute(std::string& path, std::string& ecuNumber) {
    if (!fillList()) {
        MsgBox(missingDescriptionMessage(folder_ / "*.PKD"), DiagAttr.Anwendungstitel, MB_ICONWARNING);
        return 2;
    }
    if (exec() != 1) return 2;
    const int row = lbPKDDateien->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= entries_.size()) return 2;
    const ECU_PKD_Liste& chosen = entries_[static_cast<std::size_t>(row)];
    path = (folder_ / chosen.Datei).string();
    ecuNumber = chosen.Steuergeraet;
    return 1;
}
