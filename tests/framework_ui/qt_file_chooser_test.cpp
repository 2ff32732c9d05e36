#include "QtFileChooser.h"
#include "QtTextQuestion.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The names the dialog's file list shows (it is filled in the background).
QStringList listedNames(QFileDialog& dialog, int expected) {
    auto* view = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    if (!view) return {};
    QStringList names;
    processEventsUntil([&] {
        names.clear();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            names << view->model()->index(row, 0, root).data().toString();
        return names.size() >= expected;
    });
    names.sort();
    return names;
}

void typeAndAccept(QFileDialog& dialog, const QString& name) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_NE(buttons, nullptr);
    QPushButton* accept = buttons->button(dialog.acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                                          : QDialogButtonBox::Open);
    ASSERT_NE(accept, nullptr);
    accept->click();
}

FileChoice ecuChoice(const fs::path& folder) {
    FileChoice choice;
    choice.mode = FileChoice::Mode::Save;
    choice.folder = folder;
    choice.fileName = "W\xC3\xBC" "1.ECU";  // UTF-8, as file names are
    choice.filters = {{"ECU data (*.ecu)", "*.ecu"}, {"All files (*.*)", "*.*"}};
    choice.defaultSuffix = "ECU";
    choice.title = "Save \xFC";  // Windows-1252, as texts are
    return choice;
}

TEST(QtFileChooser, ShowsTheChoiceAndReturnsTheTypedNameWithTheSuffix) {
    TempDir dir;
    TempDir::writeFile(dir / "WDB1.ECU", "");
    TempDir::writeFile(dir / "README", "");
    TempDir::writeFile(dir / ".hidden.ecu", "");
    TempDir::writeFile(dir / "other.txt", "");

    QtFileChooser chooser;
    QStringList filters, underEcu, underAll;
    QString title, proposed, directory, suffix;
    bool asksOverwrite = true;
    ModalScript script([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        title = dialog->windowTitle();
        directory = dialog->directory().absolutePath();
        suffix = dialog->defaultSuffix();
        asksOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        proposed = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        underEcu = listedNames(*dialog, 2);
        dialog->selectNameFilter(filters.value(1));
        underAll = listedNames(*dialog, 4);
        typeAndAccept(*dialog, QStringLiteral("new"));
    });
    const std::optional<fs::path> chosen = chooser.chooseFile(ecuChoice(dir.path()));
    EXPECT_TRUE(script.ran());

    EXPECT_EQ(filters, (QStringList{"ECU data (*.ecu)", "All files (*)"}));
    EXPECT_EQ(title, QString::fromUtf8("Save \xC3\xBC"));
    EXPECT_EQ(directory, QString::fromStdString(dir.path().string()));
    EXPECT_EQ(proposed, QString::fromUtf8("W\xC3\xBC" "1.ECU"));
    EXPECT_EQ(suffix, "ECU");
    EXPECT_FALSE(asksOverwrite);
    // Without regard to case, hidden files too; "All files" also lists names without a dot.
    EXPECT_EQ(underEcu, (QStringList{".hidden.ecu", "WDB1.ECU"}));
    EXPECT_EQ(underAll, (QStringList{".hidden.ecu", "README", "WDB1.ECU", "other.txt"}));
    EXPECT_EQ(chosen, std::optional<fs::path>(dir.path() / "new.ECU"));
}

TEST(QtFileChooser, OpenReturnsAMissingNameAndCancelReturnsNothing) {
    TempDir dir;
    QtFileChooser chooser;
    FileChoice choice = ecuChoice(dir.path());
    choice.mode = FileChoice::Mode::Open;
    choice.title.clear();
    {
        ModalScript script([&](QWidget* modal) { typeAndAccept(*qobject_cast<QFileDialog*>(modal), "missing.ecu"); });
        EXPECT_EQ(chooser.chooseFile(choice), std::optional<fs::path>(dir.path() / "missing.ecu"));
    }
    {
        ModalScript script([&](QWidget* modal) { qobject_cast<QFileDialog*>(modal)->reject(); });
        EXPECT_EQ(chooser.chooseFile(choice), std::nullopt);
    }
}

TEST(QtTextQuestion, ShowsTheTextsLimitsTheLengthAndAnswers) {
    QtTextQuestion question;
    QString caption, prompt, value;
    int maxLength = 0;
    {
        ModalScript script([&](QWidget* modal) {
            auto* dialog = qobject_cast<QInputDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            caption = dialog->windowTitle();
            prompt = dialog->labelText();
            value = dialog->textValue();
            maxLength = dialog->findChild<QLineEdit*>()->maxLength();
            dialog->setTextValue(QString::fromUtf8("J\xC3\xBCrgen"));
            dialog->accept();
        });
        EXPECT_EQ(question.askText("Tester name", "Please enter the name of the tester :", "M\xFCller", 255),
                  std::optional<std::string>("J\xFCrgen"));
    }
    EXPECT_EQ(caption, "Tester name");
    EXPECT_EQ(prompt, "Please enter the name of the tester :");
    EXPECT_EQ(value, QString::fromUtf8("M\xC3\xBCller"));
    EXPECT_EQ(maxLength, 255);

    ModalScript cancel([&](QWidget* modal) { qobject_cast<QInputDialog*>(modal)->reject(); });
    EXPECT_EQ(question.askText("Tester name", "", "x", 255), std::nullopt);
}

}  // namespace
