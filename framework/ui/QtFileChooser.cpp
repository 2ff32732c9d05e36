#include "QtFileChooser.h"

#include "TextCodec.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString pathText(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// Qt's own dialog opens too small for the columns of its file list: the details (name, size,
// type, date) each get the room their texts need, the name the rest, within the screen.
void giveTheColumnsRoom(QFileDialog& dialog) {
    dialog.setViewMode(QFileDialog::Detail);
    if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    const QFontMetrics metrics(dialog.font());
    QSize size(metrics.averageCharWidth() * 140, metrics.lineSpacing() * 30);
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog.resize(size.expandedTo(dialog.minimumSizeHint()));
    // The places beside the list need little room; the list takes the rest.
    if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"))) {
        const int places = std::min(metrics.averageCharWidth() * 15, dialog.width() / 5);
        splitter->setSizes({places, std::max(0, dialog.width() - places)});
    }
}

}  // namespace

QString QtFileChooser::nameFilterOf(const FileFilter& filter) {
    QString description = fromAnsi(filter.description).trimmed();
    // "ECU data (*.ecu)" already names its patterns; Qt reads them from the brackets.
    description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)$")));
    QStringList patterns;
    for (const QString& pattern : fromAnsi(filter.pattern).split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        // On Windows "*.*" also lists names without a dot.
        patterns << (trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
    }
    return description + QStringLiteral(" (") + patterns.join(u' ') + u')';
}

std::unique_ptr<QFileDialog> QtFileChooser::prepare(const FileChoice& choice, QWidget* owner) {
    auto dialog = std::make_unique<QFileDialog>(owner);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setAcceptMode(choice.mode == FileChoice::Mode::Save ? QFileDialog::AcceptSave
                                                                 : QFileDialog::AcceptOpen);
    // The caller decides what a name of a missing file means, also when opening.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setFilter(dialog->filter() | QDir::Hidden);
    if (!choice.title.empty()) dialog->setWindowTitle(fromAnsi(choice.title));
    QStringList filters;
    for (const FileFilter& filter : choice.filters) filters << nameFilterOf(filter);
    dialog->setNameFilters(filters);
    if (!filters.isEmpty()) dialog->selectNameFilter(filters.first());
    dialog->setDefaultSuffix(QString::fromLatin1(choice.defaultSuffix.c_str()));
    dialog->setDirectory(pathText(choice.folder));
    dialog->selectFile(pathText(choice.fileName));
    giveTheColumnsRoom(*dialog);
    return dialog;
}

std::optional<std::filesystem::path> QtFileChooser::resultOf(const QFileDialog& dialog) {
    if (dialog.result() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(files.first()).toStdString());
}

std::optional<std::filesystem::path> QtFileChooser::chooseFile(const FileChoice& choice) {
    const std::unique_ptr<QFileDialog> dialog = prepare(choice, QApplication::activeWindow());
    dialog->exec();
    return resultOf(*dialog);
}
