#pragma once
// The program's file dialogs on Qt (FileChooser.h): Qt's own dialog, so it looks the same on
// every desktop and runs offscreen. Filters match without regard to case ("WDB1.ECU" shows under
// "*.ecu"), "*.*" lists names without a dot too, hidden files are shown, and a save dialog asks
// no question of its own about an existing file: the caller asks its own.

#include "FileChooser.h"

#include <QFileDialog>

#include <filesystem>
#include <memory>
#include <optional>

class QtFileChooser final : public FileChooser {
public:
    // Modal, owned by the active window.
    std::optional<std::filesystem::path> chooseFile(const FileChoice& choice) override;

    // chooseFile in steps: the dialog as it would be shown, and the path it was closed with.
    static std::unique_ptr<QFileDialog> prepare(const FileChoice& choice, QWidget* owner);
    static std::optional<std::filesystem::path> resultOf(const QFileDialog& dialog);
    // The Qt name filter of a pair: the description with its patterns in brackets.
    static QString nameFilterOf(const FileFilter& filter);
};
