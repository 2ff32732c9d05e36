#pragma once
// THexEdit: a multi-line edit for a byte string shown as hexadecimal pairs ("01 AB ") or
// three-digit decimal numbers ("001 171 "). It regroups the text after every edit, keeps the
// caret on its digit, rejects keys that are not digits of the mode with a beep, and parses the
// text back with a range check ("Invalid Value"). The rules live in HexEditLogic (core).
//
// The key events stay available to the form through OnKeyDown and OnKeyPress.

#include "HexEditLogic.h"

#include <QPlainTextEdit>

#include <functional>
#include <string>
#include <utility>

class QKeyEvent;

class THexEdit : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(bool EditMode READ editMode WRITE setEditMode)
    Q_PROPERTY(quint8 Gruppe READ gruppe WRITE setGruppe)
    Q_PROPERTY(quint8 Umbruch READ umbruch WRITE setUmbruch)
    Q_PROPERTY(quint8 UmbruchZeile1 READ umbruchZeile1 WRITE setUmbruchZeile1)
    Q_PROPERTY(DISPLAYMODE DisplayMode READ displayMode WRITE setDisplayModeProperty)

public:
    explicit THexEdit(QWidget* owner = nullptr);

    // Shows `count` bytes in the display mode, with the line breaks of UmbruchZeile1 and
    // Umbruch; returns the number shown.
    quint16 SetCommand(const quint8* bytes, quint16 count);
    // Parses the text into at most `max` bytes and returns their number. A value above 255
    // selects its group, shows "Invalid Value", puts the focus here and returns 0.
    quint16 GetCommand(quint8* bytes, quint16 max);
    // Switches the display mode and shows the same bytes in it, with 3 (decimal) or 2 digits
    // per group. An empty or invalid text changes nothing.
    void SetDisplayMode(DISPLAYMODE mode);
    // The number of digits before the caret; SetCursorPosition puts the caret before that digit.
    int GetCursorPosition() const;
    void SetCursorPosition(int index);
    // Normalises a text as the control does after every edit.
    void FormatHexEdit(QString& text) const;

    // true: typed digits are inserted; false: they overwrite. The Insert key toggles it.
    bool editMode() const { return editMode_; }
    void setEditMode(bool insert) { editMode_ = insert; }
    // Digits per group; 0 counts as 1.
    quint8 gruppe() const { return gruppe_; }
    void setGruppe(quint8 digits) { gruppe_ = digits; }
    // Bytes per line after the first line; 0: no further line breaks.
    quint8 umbruch() const { return umbruch_; }
    void setUmbruch(quint8 bytes) { umbruch_ = bytes; }
    // Bytes on the first line; 0: no break after it.
    quint8 umbruchZeile1() const { return umbruchZeile1_; }
    void setUmbruchZeile1(quint8 bytes) { umbruchZeile1_ = bytes; }
    DISPLAYMODE displayMode() const { return displayMode_; }
    // Sets the mode as a form's layout does, without converting the text (SetDisplayMode does).
    void setDisplayModeProperty(DISPLAYMODE mode) { displayMode_ = mode; }

    // The sound of a rejected key; QApplication::beep unless a test counts it.
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

signals:
    // Every key pressed in the control (Qt key and modifiers), before the control acts on it.
    void OnKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // Every character typed into the control, as typed (Enter 13, Backspace 8, Ctrl+A 1, Ctrl+C 3,
    // Ctrl+V 22, Ctrl+X 24), before the control acts on it.
    void OnKeyPress(uint key);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Change();
    void KeyDown(const QKeyEvent* event);
    void KeyPress(char32_t key, QKeyEvent* event);

    // The text, one char per character, anything but ASCII as '?'.
    std::string asciiText() const;
    // Sets the text without taking it for a user's edit.
    void showText(const std::string& text);
    hexedit::ParsedCommand readCommand(std::size_t max);

    bool editMode_ = true;
    quint8 gruppe_ = 2;
    quint8 umbruch_ = 0;
    quint8 umbruchZeile1_ = 0;
    DISPLAYMODE displayMode_ = hexadecimal;
    bool changing_ = false;
    std::function<void()> beep_;
};
