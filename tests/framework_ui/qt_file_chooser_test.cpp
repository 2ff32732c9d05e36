#include "QtFileChooser.h"
#include "QtTextQuestion.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

// The dialog opens with its file details in columns that show whole: the name, the size, the
// type and the date each as wide as their texts, all inside the list.
TEST(QtFileChooser, OpensWideEnoughForItsColumns) {
    TempDir dir;
    // A name as the technicians' files have: chassis number and what was saved.
    TempDir::writeFile(dir / "WDB9876543210ABCDE_Parameter.ECU", std::string(123456, 'x'));
    TempDir::writeFile(dir / "short.ecu", "");
    QtFileChooser chooser;
    struct Column {
        int width;
        int needed;
    };
    std::vector<Column> columns;
    int listWidth = 0;
    int columnsWidth = 0;
    ModalScript script([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(view->isVisible());
        processEventsUntil([&] { return view->model()->rowCount(view->rootIndex()) >= 2; });
        QCoreApplication::processEvents();
        QHeaderView* header = view->header();
        for (int i = 0; i < header->count(); ++i) {
            if (header->isSectionHidden(i)) continue;
            // The header's text, and every row's text (the name beside its icon).
            int needed = header->sectionSizeHint(i);
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row) {
                const QString text = view->model()->index(row, i, root).data().toString();
                const int icon = i == 0 ? view->iconSize().width() + 8 : 0;
                needed = std::max(needed, view->fontMetrics().horizontalAdvance(text) + icon);
            }
            columns.push_back({header->sectionSize(i), needed});
            columnsWidth += header->sectionSize(i);
        }
        listWidth = view->viewport()->width();
        dialog->reject();
    });
    chooser.chooseFile(ecuChoice(dir.path()));
    ASSERT_TRUE(script.ran());
    ASSERT_EQ(columns.size(), 4u);
    for (size_t i = 0; i < columns.size(); ++i) {
        EXPECT_GE(columns[i].width, columns[i].needed) << "column " << i << " of a list " << listWidth;
    }
    EXPECT_LE(columnsWidth, listWidth);
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
