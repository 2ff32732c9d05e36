#include "NData.h"
#include "QtMessageBoxService.h"
#include "LayoutCheck.h"
#include "StringTable.h"
#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <string>

namespace {

class QtMessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = installMessageBoxService(&service_); }
    void TearDown() override { installMessageBoxService(previous_); }

    QtMessageBoxService service_;

private:
    MessageBoxService* previous_ = nullptr;
};

enum class Press { Ok, Cancel, Yes, No, CloseBox, Escape };

struct BoxCase {
    const char* name;
    unsigned flags;
    Press press;
    int answer;
};

const BoxCase boxCases[] = {
    {"Ok_Ok", MB_OK, Press::Ok, IDOK},
    {"Ok_CloseBox", MB_OK, Press::CloseBox, IDOK},
    {"Ok_Escape", MB_OK, Press::Escape, IDOK},
    {"OkCancel_Ok", MB_OKCANCEL, Press::Ok, IDOK},
    {"OkCancel_Cancel", MB_OKCANCEL, Press::Cancel, IDCANCEL},
    {"OkCancel_CloseBox", MB_OKCANCEL, Press::CloseBox, IDCANCEL},
    {"OkCancel_Escape", MB_OKCANCEL, Press::Escape, IDCANCEL},
    {"YesNo_Yes", MB_YESNO, Press::Yes, IDYES},
    {"YesNo_No", MB_YESNO, Press::No, IDNO},
    {"YesNo_CloseBox", MB_YESNO, Press::CloseBox, IDNO},
    {"YesNo_Escape", MB_YESNO, Press::Escape, IDNO},
};

class MsgBoxAnswerTest : public QtMessageBoxTest, public ::testing::WithParamInterface<BoxCase> {};

void press(QMessageBox& box, Press what) {
    switch (what) {
    case Press::Ok: box.button(QMessageBox::Ok)->click(); break;
    case Press::Cancel: box.button(QMessageBox::Cancel)->click(); break;
    case Press::Yes: box.button(QMessageBox::Yes)->click(); break;
    case Press::No: box.button(QMessageBox::No)->click(); break;
    case Press::CloseBox: box.close(); break;
    case Press::Escape: pressEscape(&box); break;
    }
}

TEST_P(MsgBoxAnswerTest, AnswersTheWindowsButtonNumber) {
    const BoxCase& c = GetParam();
    QString text, caption;
    QMessageBox::StandardButtons buttons;
    ModalScript script([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        buttons = box->standardButtons();
        press(*box, c.press);
    });
    EXPECT_EQ(MsgBox("Overwrite the file?", "Tarvik", c.flags), c.answer);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(text, "Overwrite the file?");
    EXPECT_EQ(caption, "Tarvik");
    const QMessageBox::StandardButtons expected =
        c.flags == MB_YESNO      ? QMessageBox::Yes | QMessageBox::No
        : c.flags == MB_OKCANCEL ? QMessageBox::Ok | QMessageBox::Cancel
                                 : QMessageBox::StandardButtons(QMessageBox::Ok);
    EXPECT_EQ(buttons, expected);
}

INSTANTIATE_TEST_SUITE_P(Buttons, MsgBoxAnswerTest, ::testing::ValuesIn(boxCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtMessageBoxTest, IconAndButtonsFollowTheFlags) {
    const struct {
        unsigned flags;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    } cases[] = {
        {MB_OK, QMessageBox::NoIcon, QMessageBox::Ok},
        {MB_ICONERROR | MB_OK, QMessageBox::Critical, QMessageBox::Ok},
        {MB_ICONQUESTION | MB_YESNO, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No},
        {MB_ICONWARNING | MB_OKCANCEL, QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel},
        {MB_ICONINFORMATION | MB_OK, QMessageBox::Information, QMessageBox::Ok},
        // Button sets this program never uses show OK only.
        {0x03u | MB_ICONWARNING, QMessageBox::Warning, QMessageBox::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        auto box = QtMessageBoxService::prepare("text", "caption", c.flags, nullptr);
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->standardButtons(), c.buttons);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
    }
}

TEST_F(QtMessageBoxTest, TheDefaultButtonFollowsTheFlags) {
    const struct {
        unsigned flags;
        QMessageBox::StandardButton defaultButton;
    } cases[] = {
        {MB_YESNO, QMessageBox::Yes},
        {MB_YESNO | MB_DEFBUTTON2, QMessageBox::No},
        {MB_OKCANCEL, QMessageBox::Ok},
        {MB_OKCANCEL | MB_DEFBUTTON2, QMessageBox::Cancel},
        {MB_OK | MB_DEFBUTTON2, QMessageBox::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        auto box = QtMessageBoxService::prepare("text", "caption", c.flags, nullptr);
        ASSERT_NE(box->defaultButton(), nullptr);
        EXPECT_EQ(box->standardButton(box->defaultButton()), c.defaultButton);
    }
}

// Enter on a question whose default is No answers No.
TEST_F(QtMessageBoxTest, EnterAnswersTheDefaultButton) {
    ModalScript script([](QWidget* modal) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent key(type, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(modal, &key);
        }
    });
    EXPECT_EQ(MsgBox("Clear?", "caption", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
    EXPECT_TRUE(script.ran());
}

// A short message is no reason to cut the application title.
TEST_F(QtMessageBoxTest, TheBoxIsWideEnoughForItsCaption) {
    const struct {
        std::string text;
        unsigned flags;
    } cases[] = {
        {LoadStr(11013), MB_OK | MB_ICONINFORMATION},  // "The data are stored in the ECU"
        {LoadStr(20415), MB_OK | MB_ICONWARNING},      // "Calibration was cancelled"
        {"OK", MB_OK},
        {LoadStr(11990), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string fault = "not shown";
        QString shownText;
        ModalScript script([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            fault = captionFault(box);
            shownText = box->text();
            box->close();
        });
        MsgBox(c.text, "Tarvik Diagnostic Software", c.flags);
        EXPECT_EQ(fault, "");
        EXPECT_EQ(shownText.toStdString(), c.text);
    }
}

TEST_F(QtMessageBoxTest, TextsAreWindows1252) {
    QString text, caption;
    ModalScript script([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(MsgBox("Pr\xFC" "fung <b>\x80</b>\n2", "Stra\xDF" "e", MB_OK), IDOK);
    EXPECT_EQ(text, QString::fromUtf8("Prüfung <b>€</b>\n2"));
    EXPECT_EQ(caption, QString::fromUtf8("Straße"));
}

TEST_F(QtMessageBoxTest, MsgBoxTextUsesTheApplicationTitle) {
    const std::string oldTitle = DiagAttr.Anwendungstitel;
    DiagAttr.Anwendungstitel = "KELT Diagnostics";
    QString caption;
    QMessageBox::StandardButtons buttons;
    ModalScript script([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        buttons = box->standardButtons();
        box->close();
    });
    EXPECT_EQ(MsgBoxText("Parameters have been written to the ECU!"), IDOK);
    EXPECT_EQ(caption, "KELT Diagnostics");
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    DiagAttr.Anwendungstitel = oldTitle;
}

TEST_F(QtMessageBoxTest, OwnedByTheActiveWindow) {
    QWidget window;
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &window);
    QWidget* owner = nullptr;
    ModalScript script([&](QWidget* modal) {
        owner = modal->parentWidget();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(MsgBox("text", "caption", MB_OK), IDOK);
    EXPECT_EQ(owner, &window);
}

TEST(QtMessageBoxSteps, AnswerOfABoxClosedWithoutAButton) {
    for (unsigned flags : {MB_OK, MB_OKCANCEL, MB_YESNO}) {
        auto box = QtMessageBoxService::prepare("text", "caption", flags, nullptr);
        const int expected = flags == MB_OKCANCEL ? IDCANCEL : flags == MB_YESNO ? IDNO : IDOK;
        EXPECT_EQ(QtMessageBoxService::answerOf(*box), expected) << flags;
    }
}

}  // namespace
