#include "HexEdit.h"

#include "MessageBox.h"
#include "StringTable.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTextCursor>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace {

constexpr int ID_INVALID_VALUE = 11983;  // "Invalid Value"

// The text for the core, one char per character: the digits, blanks and line breaks the control
// cares about are ASCII, anything else becomes '?'.
std::string asciiOf(const QString& text) {
    std::string ascii(static_cast<std::size_t>(text.size()), '?');
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].unicode() < 0x80) ascii[static_cast<std::size_t>(i)] = static_cast<char>(text[i].unicode());
    return ascii;
}

// The character code a Windows edit would get for the key, for the keys the control looks at:
// printable characters, Enter, Backspace and the clipboard shortcuts. Other keys (caret keys,
// Delete, Tab, Escape, Ctrl+Z, ...) are left to the edit as they are.
std::optional<char32_t> typedKey(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return hexedit::kKeyEnter;
    if (event->key() == Qt::Key_Backspace) return hexedit::kKeyBackspace;
    if (event->matches(QKeySequence::SelectAll)) return hexedit::kKeyCtrlA;
    if (event->matches(QKeySequence::Copy)) return hexedit::kKeyCtrlC;
    if (event->matches(QKeySequence::Paste)) return hexedit::kKeyCtrlV;
    if (event->matches(QKeySequence::Cut)) return hexedit::kKeyCtrlX;
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return std::nullopt;
    const QList<uint> text = event->text().toUcs4();
    if (text.isEmpty() || text.front() < 0x20 || text.front() == 0x7F) return std::nullopt;
    return static_cast<char32_t>(text.front());
}

}  // namespace

THexEdit::THexEdit(QWidget* owner) : QPlainTextEdit(owner), beep_([] { QApplication::beep(); }) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // As a memo that does not want tabs: Tab moves on to the next control.
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &THexEdit::Change);
}

std::string THexEdit::asciiText() const { return asciiOf(toPlainText()); }

void THexEdit::showText(const std::string& text) {
    const bool wasChanging = std::exchange(changing_, true);
    setPlainText(QString::fromLatin1(text));
    changing_ = wasChanging;
}

quint16 THexEdit::SetCommand(const quint8* bytes, quint16 count) {
    if (!bytes) count = 0;
    showText(hexedit::SetCommandText({bytes, count}, displayMode_, umbruchZeile1_, umbruch_));
    return count;
}

hexedit::ParsedCommand THexEdit::readCommand(std::size_t max) {
    hexedit::ParsedCommand parsed = hexedit::GetCommand(asciiText(), displayMode_, max);
    if (parsed.invalid) {
        QTextCursor cursor = textCursor();
        cursor.setPosition(static_cast<int>(parsed.invalid->start));
        cursor.setPosition(static_cast<int>(parsed.invalid->start + parsed.invalid->length),
                           QTextCursor::KeepAnchor);
        setTextCursor(cursor);
        MsgBoxText(LoadStr(ID_INVALID_VALUE));
        setFocus();
    }
    return parsed;
}

quint16 THexEdit::GetCommand(quint8* bytes, quint16 max) {
    if (!bytes) max = 0;
    const hexedit::ParsedCommand parsed = readCommand(max);
    std::copy(parsed.bytes.begin(), parsed.bytes.end(), bytes);
    return static_cast<quint16>(parsed.count());
}

void THexEdit::SetDisplayMode(DISPLAYMODE mode) {
    const hexedit::ParsedCommand parsed = readCommand(std::numeric_limits<std::size_t>::max());
    if (parsed.count() == 0) return;
    displayMode_ = mode;
    gruppe_ = hexedit::gruppeFor(mode);
    showText(hexedit::SetCommandText(parsed.bytes, mode, umbruchZeile1_, umbruch_));
}

int THexEdit::GetCursorPosition() const {
    return static_cast<int>(hexedit::GetCursorPosition(asciiText(), static_cast<std::size_t>(textCursor().position()),
                                                       displayMode_));
}

void THexEdit::SetCursorPosition(int index) {
    QTextCursor cursor = textCursor();
    cursor.setPosition(static_cast<int>(
        hexedit::SetCursorPosition(asciiText(), static_cast<std::size_t>(std::max(index, 0)), displayMode_)));
    setTextCursor(cursor);
}

void THexEdit::FormatHexEdit(QString& text) const {
    text = QString::fromLatin1(hexedit::FormatHexEdit(asciiOf(text), displayMode_, gruppe_));
}

void THexEdit::Change() {
    // Not a user's edit: our own text (re-entry from the regrouping below included), or a text a
    // form sets with setPlainText, which replaces the text with undo recording off.
    if (changing_ || !document()->isUndoRedoEnabled()) return;
    const std::string text = asciiText();
    const hexedit::EditState regrouped =
        hexedit::Change(text, static_cast<std::size_t>(textCursor().position()), displayMode_, gruppe_);
    if (regrouped.text == text) return;
    showText(regrouped.text);
    QTextCursor cursor = textCursor();
    cursor.setPosition(static_cast<int>(regrouped.caret));
    setTextCursor(cursor);
}

void THexEdit::keyPressEvent(QKeyEvent* event) {
    emit OnKeyDown(event->key(), event->modifiers());
    KeyDown(event);
    const std::optional<char32_t> key = typedKey(event);
    if (!key) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    emit OnKeyPress(*key);
    KeyPress(*key, event);
}

void THexEdit::KeyDown(const QKeyEvent* event) {
    // Shift+Insert and Ctrl+Insert are paste and copy here.
    if (event->key() == Qt::Key_Insert && !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
        editMode_ = !editMode_;
}

void THexEdit::KeyPress(char32_t key, QKeyEvent* event) {
    QTextCursor cursor = textCursor();
    const auto selStart = static_cast<std::size_t>(cursor.selectionStart());
    const auto selLength = static_cast<std::size_t>(cursor.selectionEnd() - cursor.selectionStart());
    const hexedit::KeyOutcome outcome =
        hexedit::KeyPress(key, asciiText(), selStart, selLength, displayMode_, editMode_);
    switch (outcome.action) {
    case hexedit::KeyOutcome::Action::Pass:
        QPlainTextEdit::keyPressEvent(event);
        return;
    case hexedit::KeyOutcome::Action::Reject:
        event->accept();
        if (beep_) beep_();
        return;
    case hexedit::KeyOutcome::Action::Replace:
        event->accept();
        cursor.setPosition(static_cast<int>(outcome.from));
        cursor.setPosition(static_cast<int>(outcome.from + outcome.length), QTextCursor::KeepAnchor);
        setTextCursor(cursor);
        insertPlainText(QString::fromLatin1(outcome.insert));
        return;
    }
}
