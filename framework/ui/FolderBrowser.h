#pragma once
// Choosing a folder: behind this small interface so tests script the answer. The program uses
// Qt's own folder dialog.

#include <QString>

#include <optional>

class QWidget;

class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;
    // Lets the user choose a folder, starting at startFolder (preselected when it exists).
    // Nothing when the user cancelled.
    virtual std::optional<QString> chooseFolder(QWidget* owner, const QString& title,
                                                const QString& startFolder) = 0;
};

// QFileDialog::getExistingDirectory: folders only, Qt's own dialog (also offscreen).
class QtFolderBrowser final : public FolderBrowser {
public:
    std::optional<QString> chooseFolder(QWidget* owner, const QString& title,
                                        const QString& startFolder) override;
    static QtFolderBrowser& instance();
};
