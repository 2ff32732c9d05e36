#pragma once
// The program's one-line input dialog on Qt (TextQuestion.h). Texts are Windows-1252.

#include "TextQuestion.h"

#include <QInputDialog>

#include <memory>

class QtTextQuestion final : public TextQuestion {
public:
    // Modal, owned by the active window.
    std::optional<std::string> askText(const std::string& caption, const std::string& prompt,
                                       const std::string& value, std::size_t maxLength) override;

    // askText in steps: the dialog as it would be shown, and the answer it was closed with.
    static std::unique_ptr<QInputDialog> prepare(const std::string& caption, const std::string& prompt,
                                                 const std::string& value, std::size_t maxLength,
                                                 QWidget* owner);
    static std::optional<std::string> answerOf(const QInputDialog& dialog);
};
