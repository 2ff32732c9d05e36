#include "FolderBrowser.h"

#include <QFileDialog>

std::optional<QString> QtFolderBrowser::chooseFolder(QWidget* owner, const QString& title,
                                                     const QString& startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(
        owner, title, startFolder, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

QtFolderBrowser& QtFolderBrowser::instance() {
    static QtFolderBrowser browser;
    return browser;
}
