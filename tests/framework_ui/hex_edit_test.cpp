#include "HexEdit.h"
#include "MessageBox.h"
#include "NData.h"
#include "ScriptedMessageBoxes.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
// Typed text, or one key.
using Keys = std::vector<std::variant<const char*, Qt::Key>>;

Bytes countingBytes(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

class HexEditTest : public ::testing::Test {
protected:
    void SetUp() override { edit.setBeep([this] { ++beeps; }); }

    void show(const Bytes& bytes) {
        EXPECT_EQ(edit.SetCommand(bytes.data(), static_cast<quint16>(bytes.size())), bytes.size());
    }
    Bytes read(quint16 max = 10000) {
        Bytes bytes(max);
        bytes.resize(edit.GetCommand(bytes.data(), max));
        return bytes;
    }
    void placeCaret(int position) {
        QTextCursor cursor = edit.textCursor();
        cursor.setPosition(position);
        edit.setTextCursor(cursor);
    }
    int caret() const { return edit.textCursor().position(); }
    void type(const Keys& keys) {
        for (const auto& key : keys) {
            if (const auto* text = std::get_if<const char*>(&key)) {
                // keyClicks knows ASCII only; other characters arrive as a key with their text.
                for (const QChar c : QString::fromUtf8(*text)) {
                    if (c.unicode() < 0x80) {
                        QTest::keyClick(&edit, c.toLatin1());
                    } else {
                        QTest::sendKeyEvent(QTest::Press, &edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
                        QTest::sendKeyEvent(QTest::Release, &edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
                    }
                }
            } else
                QTest::keyClick(&edit, std::get<Qt::Key>(key));
        }
    }

    ScriptedMessageBoxes boxes;
    THexEdit edit;
    int beeps = 0;
};

TEST_F(HexEditTest, StartsAsAFormLaysItOut) {
    const QMetaObject* meta = edit.metaObject();
    QStringList names;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) names << meta->property(i).name();
    EXPECT_EQ(names, (QStringList{"EditMode", "Gruppe", "Umbruch", "UmbruchZeile1", "DisplayMode"}));
    EXPECT_EQ(edit.property("EditMode").toBool(), true);
    EXPECT_EQ(edit.property("Gruppe").toUInt(), 2u);
    EXPECT_EQ(edit.property("Umbruch").toUInt(), 0u);
    EXPECT_EQ(edit.property("UmbruchZeile1").toUInt(), 0u);
    EXPECT_EQ(edit.property("DisplayMode").value<DISPLAYMODE>(), hexadecimal);
    EXPECT_EQ(edit.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(edit.toPlainText().isEmpty());

    ASSERT_TRUE(edit.setProperty("DisplayMode", QVariant::fromValue(decimal)));
    ASSERT_TRUE(edit.setProperty("Gruppe", 3));
    EXPECT_EQ(edit.displayMode(), decimal);
    EXPECT_EQ(edit.gruppe(), 3);
}

TEST_F(HexEditTest, ShowsLineBreaksAndReadsThemBack) {
    edit.setUmbruchZeile1(4);
    edit.setUmbruch(8);
    const Bytes bytes = countingBytes(20);
    show(bytes);
    const QStringList lines = edit.toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "03 0A 11 18 ");
    EXPECT_EQ(lines[1].size(), 8 * 3);
    EXPECT_EQ(lines[2].size(), 8 * 3);
    EXPECT_EQ(read(), bytes);
    EXPECT_EQ(read(5), Bytes(bytes.begin(), bytes.begin() + 5));

    // A text a form sets itself is no user's edit: it keeps its line breaks, CR LF or LF.
    for (const char* text : {"01 ab\r\n02\n03", "01 ab\n02\n03"}) {
        edit.setPlainText(text);
        EXPECT_EQ(edit.toPlainText().count('\n'), 2) << text;
        EXPECT_EQ(read(), (Bytes{0x01, 0xAB, 0x02, 0x03})) << text;
    }
    EXPECT_TRUE(boxes.shown.empty());
}

struct TypingCase {
    const char* name;
    DISPLAYMODE mode;
    quint8 gruppe;
    bool insert;
    quint8 umbruchZeile1;
    Bytes bytes;
    int caret;
    Keys keys;
    QString text;
    int caretAfter;
};

TEST_F(HexEditTest, TypingRegroupsAndKeepsTheCaretOnItsDigit) {
    const TypingCase cases[] = {
        {"insert, upper-cased", hexadecimal, 2, true, 0, {0x01, 0xAB}, 1, {"5c"}, "05 C1 AB ", 4},
        {"overwrite at the blank", hexadecimal, 2, false, 0, {0x01, 0xAB}, 2, {"5"}, "01 5B ", 4},
        {"overwrite at the end", hexadecimal, 2, false, 0, {0x01, 0xAB}, 6, {"5"}, "01 AB 5", 7},
        {"Backspace at a blank", hexadecimal, 2, true, 0, {0x01, 0xAB}, 3, {Qt::Key_Backspace}, "0A B", 1},
        {"Backspace after a digit", hexadecimal, 2, true, 0, {0x01, 0xAB}, 4, {Qt::Key_Backspace}, "01 B", 3},
        {"Backspace at the start", hexadecimal, 2, true, 0, {0x01, 0xAB}, 0, {Qt::Key_Backspace}, "01 AB ", 0},
        {"Delete", hexadecimal, 2, true, 0, {0x01, 0xAB}, 0, {Qt::Key_Delete}, "1A B", 0},
        {"Enter adds no line", hexadecimal, 2, true, 0, {0x01, 0xAB}, 2, {Qt::Key_Return}, "01 AB ", 3},
        {"decimal", decimal, 3, true, 0, {1, 171}, 8, {"25"}, "001 171 25", 10},
        {"Gruppe 0 as 1", hexadecimal, 0, true, 0, {0x01, 0xAB}, 6, {"7"}, "0 1 A B 7 ", 10},
        {"a line break from SetCommand goes", hexadecimal, 2, false, 1, {0x01, 0x02}, 4, {"f"}, "01 F2 ", 4},
    };
    for (const TypingCase& c : cases) {
        edit.setDisplayModeProperty(c.mode);
        edit.setGruppe(c.gruppe);
        edit.setEditMode(c.insert);
        edit.setUmbruchZeile1(c.umbruchZeile1);
        show(c.bytes);
        placeCaret(c.caret);
        type(c.keys);
        EXPECT_EQ(edit.toPlainText(), c.text) << c.name;
        EXPECT_EQ(caret(), c.caretAfter) << c.name;
    }
    EXPECT_EQ(beeps, 0);
}

TEST_F(HexEditTest, AnInvalidKeyBeepsAndChangesNothing) {
    QSignalSpy pressed(&edit, &THexEdit::OnKeyPress);
    QSignalSpy down(&edit, &THexEdit::OnKeyDown);
    show({0x01, 0xAB});
    placeCaret(3);
    type({"g", " ", "-", "\xc3\xa4"});
    EXPECT_EQ(beeps, 4);
    EXPECT_EQ(edit.toPlainText(), "01 AB ");
    EXPECT_EQ(caret(), 3);
    // The form still sees every key.
    ASSERT_EQ(pressed.count(), 4);
    EXPECT_EQ(pressed[0][0].toUInt(), uint('g'));
    EXPECT_EQ(pressed[3][0].toUInt(), 0xE4u);
    EXPECT_EQ(down.count(), 4);

    edit.setDisplayModeProperty(decimal);
    edit.setGruppe(3);
    show({1, 171});
    type({"a"});
    EXPECT_EQ(beeps, 5);
    EXPECT_EQ(edit.toPlainText(), "001 171 ");
}

TEST_F(HexEditTest, InsertTogglesTheEditMode) {
    QSignalSpy down(&edit, &THexEdit::OnKeyDown);
    show({0x01, 0xAB});
    placeCaret(0);
    type({Qt::Key_Insert});
    EXPECT_FALSE(edit.editMode());
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down[0][0].toInt(), int(Qt::Key_Insert));
    type({"5"});
    EXPECT_EQ(edit.toPlainText(), "51 AB ");
    type({Qt::Key_Insert, "6"});
    EXPECT_TRUE(edit.editMode());
    EXPECT_EQ(edit.toPlainText(), "56 1A B");

    // Shift+Insert pastes and leaves the mode alone.
    QApplication::clipboard()->setText("7");
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_TRUE(edit.editMode());
    EXPECT_EQ(edit.toPlainText(), "56 71 AB ");
}

TEST_F(HexEditTest, APasteKeepsTheDigitsOfTheMode) {
    QApplication::clipboard()->setText("1g 2h");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.toPlainText(), "12 ");
    EXPECT_EQ(caret(), 3);

    // Pasted between groups the caret stays after the last pasted digit.
    show({0x01, 0xAB});
    placeCaret(3);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.toPlainText(), "01 12 AB ");
    EXPECT_EQ(edit.GetCursorPosition(), 4);
    EXPECT_EQ(caret(), 6);
    EXPECT_EQ(beeps, 0);
}

TEST_F(HexEditTest, MapsTheCaretToItsDigit) {
    show({0x01, 0xAB, 0xCD});
    for (int digit = 0; digit <= 6; ++digit) {
        edit.SetCursorPosition(digit);
        EXPECT_EQ(caret(), (digit / 2) * 3 + digit % 2) << digit;
        EXPECT_EQ(edit.GetCursorPosition(), digit);
    }
    edit.SetCursorPosition(99);
    EXPECT_EQ(caret(), 9);
    edit.SetCursorPosition(-1);
    EXPECT_EQ(caret(), 0);
}

TEST_F(HexEditTest, SwitchesTheDisplayModeBothWays) {
    edit.setUmbruchZeile1(1);
    show({0x01, 0xAB});
    EXPECT_EQ(edit.toPlainText(), "01 \nAB ");
    edit.SetDisplayMode(decimal);
    EXPECT_EQ(edit.displayMode(), decimal);
    EXPECT_EQ(edit.gruppe(), 3);
    EXPECT_EQ(edit.toPlainText(), "001 \n171 ");
    EXPECT_EQ(read(), (Bytes{0x01, 0xAB}));
    edit.SetDisplayMode(hexadecimal);
    EXPECT_EQ(edit.displayMode(), hexadecimal);
    EXPECT_EQ(edit.gruppe(), 2);
    EXPECT_EQ(edit.toPlainText(), "01 \nAB ");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HexEditTest, AnEmptyControlKeepsItsModeAndGruppe) {
    edit.setGruppe(5);
    edit.SetDisplayMode(decimal);
    EXPECT_EQ(edit.displayMode(), hexadecimal);
    EXPECT_EQ(edit.gruppe(), 5);
    EXPECT_TRUE(edit.toPlainText().isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HexEditTest, AValueAboveAByteSelectsItsGroupAndTakesTheFocus) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* other = new QLineEdit(&window);
    layout->addWidget(other);
    THexEdit* hex = new THexEdit(&window);
    layout->addWidget(hex);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    ASSERT_TRUE(other->hasFocus());

    hex->setGruppe(3);
    QTest::keyClicks(hex, "0011001ff");
    ASSERT_EQ(hex->toPlainText(), "001 100 1FF ");
    QString selectedAtBox;
    boxes.answer = [&](const ShownBox&) {
        selectedAtBox = hex->textCursor().selectedText();
        return IDOK;
    };
    Bytes bytes(10, 0xEE);
    EXPECT_EQ(hex->GetCommand(bytes.data(), 10), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Invalid Value");
    EXPECT_EQ(boxes.shown[0].caption, DiagAttr.Anwendungstitel);
    EXPECT_EQ(boxes.shown[0].flags, MB_OK);
    EXPECT_EQ(selectedAtBox, "100");
    EXPECT_EQ(hex->textCursor().selectionStart(), 4);
    EXPECT_TRUE(hex->hasFocus());

    // A mode switch reads the same way and changes nothing.
    other->setFocus();
    hex->SetDisplayMode(decimal);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(hex->displayMode(), hexadecimal);
    EXPECT_EQ(hex->toPlainText(), "001 100 1FF ");
    EXPECT_TRUE(hex->hasFocus());
}

TEST_F(HexEditTest, KeepsALongContentThroughAnEditAndAModeSwitch) {
    edit.setUmbruch(16);
    Bytes bytes = countingBytes(300);
    show(bytes);
    placeCaret(static_cast<int>(edit.toPlainText().size()));
    type({"f"});
    bytes.push_back(0x0F);
    EXPECT_EQ(read(), bytes);
    edit.SetDisplayMode(decimal);
    EXPECT_EQ(read(), bytes);
    edit.SetDisplayMode(hexadecimal);
    EXPECT_EQ(read(), bytes);

    // Far more text than 16400 characters is read whole.
    const Bytes many = countingBytes(6000);
    show(many);
    EXPECT_EQ(read(), many);
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
