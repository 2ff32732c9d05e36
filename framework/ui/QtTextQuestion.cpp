#include "QtTextQuestion.h"

#include "TextCodec.h"

#include <QApplication>
#include <QLineEdit>

#include <climits>

std::unique_ptr<QInputDialog> QtTextQuestion::prepare(const std::string& caption, const std::string& prompt,
                                                      const std::string& value, std::size_t maxLength,
                                                      QWidget* owner) {
    auto dialog = std::make_unique<QInputDialog>(owner);
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setWindowTitle(fromAnsi(caption));
    dialog->setLabelText(fromAnsi(prompt));
    dialog->setTextValue(fromAnsi(value));
    if (auto* edit = dialog->findChild<QLineEdit*>())
        edit->setMaxLength(static_cast<int>(std::min<std::size_t>(maxLength, INT_MAX)));
    return dialog;
}

std::optional<std::string> QtTextQuestion::answerOf(const QInputDialog& dialog) {
    if (dialog.result() != QDialog::Accepted) return std::nullopt;
    return toAnsi(dialog.textValue());
}

std::optional<std::string> QtTextQuestion::askText(const std::string& caption, const std::string& prompt,
                                                   const std::string& value, std::size_t maxLength) {
    const std::unique_ptr<QInputDialog> dialog = prepare(caption, prompt, value, maxLength, QApplication::activeWindow());
    dialog->exec();
    return answerOf(*dialog);
}
