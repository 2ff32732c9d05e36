#include "Artwork.h"
#include "ErrorHandler.h"
#include "NData.h"
#include "SelectDiagnosticLine.h"
#include "StringTable.h"
#include "TempDir.h"
#include "TextCodec.h"
#include "UiTestSupport.h"
#include "LayoutCheck.h"

#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

// A fixed driver trace: a 3-byte request and a 12-byte reply.
struct FixedTrace {
    FixedTrace() {
        request.count = 3;
        request.bytes[0] = 0x10;
        request.bytes[1] = 0x3A;
        request.bytes[2] = 0xFF;
        response.count = 12;
        for (int i = 0; i < 12; ++i) response.bytes[i] = static_cast<uint8_t>(0xA0 + i);
    }
    DriverTrace trace() { return DriverTrace{&request, &response, function, sizeof function}; }

    DiagTrace request{};
    DiagTrace response{};
    char function[64] = "JED677SendData";
};

enum class Kind { Basis, JED677, Kelt, InitDI, InitEcu };

const char* kindName(Kind kind) {
    switch (kind) {
    case Kind::Basis: return "Basis";
    case Kind::JED677: return "JED677";
    case Kind::Kelt: return "Kelt";
    case Kind::InitDI: return "InitDI";
    case Kind::InitEcu: return "InitEcu";
    }
    return "?";
}

std::unique_ptr<TNBasisErrorHandler> makeDialog(Kind kind, DriverTrace trace) {
    switch (kind) {
    case Kind::Basis: return std::make_unique<TNBasisErrorHandler>(nullptr, trace);
    case Kind::JED677: return std::make_unique<TNJED677ErrorHandler>(nullptr, trace);
    case Kind::Kelt: return std::make_unique<TNErrorHandler>(nullptr, trace);
    case Kind::InitDI: return std::make_unique<TfrmInitDIErrorHandler>(nullptr, trace);
    case Kind::InitEcu: return std::make_unique<TNInitEcuEH>(nullptr, trace);
    }
    return nullptr;
}

// --- captions, buttons, layout ------------------------------------------------------------------

struct LookCase {
    Kind kind;
    const char* caption;
    const char* btn1;
    const char* btn2;
    const char* btn3;  // null: hidden
};

const LookCase lookCases[] = {
    {Kind::Basis, "NBasisErrorHandler", "&Cancel", "&OK", nullptr},
    {Kind::JED677, "JED677 Errorhandler ", "&Cancel", "&OK", nullptr},
    {Kind::Kelt, "NErrorHandler", "&Cancel", "&OK", nullptr},
    {Kind::InitDI, "Diagnostic Interface : Initialization failed", "&Cancel", "&Repeat",
     "&Select a new interface"},
    {Kind::InitEcu, "ECU : Initialization failed", "&Cancel", "&Repeat", "&Select new diagnostic port"},
};

TEST(ErrorDialogLook, CaptionsButtonsAndLayout) {
    FixedTrace fixed;
    for (const LookCase& c : lookCases) {
        SCOPED_TRACE(kindName(c.kind));
        auto dialog = makeDialog(c.kind, fixed.trace());
        dialog->show();
        EXPECT_EQ(dialog->windowTitle(), QString::fromLatin1(c.caption));
        EXPECT_EQ(dialog->btn1->text(), QString::fromLatin1(c.btn1));
        EXPECT_EQ(dialog->btn2->text(), QString::fromLatin1(c.btn2));
        EXPECT_EQ(dialog->btn3->isVisible(), c.btn3 != nullptr);
        if (c.btn3) {
            EXPECT_EQ(dialog->btn3->text(), QString::fromLatin1(c.btn3));
            // The longer captions must still be readable.
            EXPECT_GE(dialog->btn3->width(), dialog->btn3->sizeHint().width());
        }

        EXPECT_EQ(dialog->minimumSize(), QSize(570, 400));
        EXPECT_FALSE(dialog->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
        EXPECT_EQ(dialog->GroupBoxFehlerUndUrsache->title(), "INFORMATION");
        EXPECT_EQ(dialog->GroupBoxZusatzinfo->title(), "ADDITIONAL INFORMATION");
        EXPECT_TRUE(dialog->lblFehlertext->font().bold());
        EXPECT_TRUE(dialog->lblFehlertext->wordWrap());
        EXPECT_TRUE(dialog->lblFehlertext->alignment().testFlag(Qt::AlignVCenter));
        // Upper box above the lower one, the picture at the lower right.
        EXPECT_LT(dialog->GroupBoxFehlerUndUrsache->geometry().bottom(), dialog->GroupBoxZusatzinfo->y());
        EXPECT_GT(dialog->Image1->x(), dialog->GroupBoxZusatzinfo->geometry().right());
        EXPECT_EQ(dialog->Image1->size(), QSize(96, 96));
        for (QLabel* value : {dialog->LabelFehlerCode, dialog->LabelRequest, dialog->LabelResponse})
            EXPECT_EQ(value->text(), "-") << value->objectName().toStdString();
        EXPECT_EQ(layoutFaults(dialog.get()), "");

        QStringList captions;
        for (QLabel* label : dialog->GroupBoxZusatzinfo->findChildren<QLabel*>()) captions << label->text();
        EXPECT_TRUE(captions.contains("Error code:"));
        EXPECT_TRUE(captions.contains("Request:"));
        EXPECT_TRUE(captions.contains("Reply:"));
        dialog->hide();
    }
}

// The dialogs of the ECU operations say which program speaks, not which class: the application
// title at each showing (the class caption only while no title is set). The interface and ECU
// start dialogs keep their own captions, which say what failed.
TEST(ErrorDialogLook, EcuOperationDialogsCarryTheApplicationTitle) {
    const std::string savedTitle = DiagAttr.Anwendungstitel;
    const struct {
        Kind kind;
        const char* title;    // DiagAttr.Anwendungstitel
        const char* caption;  // shown
    } cases[] = {
        {Kind::Kelt, "Tarvik Diagnostic Software", "Tarvik Diagnostic Software"},
        {Kind::JED677, "Tarvik Diagnostic Software", "Tarvik Diagnostic Software"},
        {Kind::Kelt, "", "NErrorHandler"},
        {Kind::InitDI, "Tarvik Diagnostic Software", "Diagnostic Interface : Initialization failed"},
    };
    FixedTrace fixed;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(kindName(c.kind)) + " / " + c.title);
        DiagAttr.Anwendungstitel = c.title;
        auto dialog = makeDialog(c.kind, fixed.trace());
        ASSERT_TRUE(dialog->prepareFehlerAnzeigen(0x2002000E));
        EXPECT_EQ(dialog->windowTitle(), QString::fromLatin1(c.caption));
    }
    // The title may change between two showings of the one dialog the program keeps.
    TNErrorHandler handler(nullptr, fixed.trace());
    for (const char* title : {"First", "Second"}) {
        DiagAttr.Anwendungstitel = title;
        QString shown;
        ModalScript script([&](QWidget* modal) {
            shown = modal->windowTitle();
            qobject_cast<QDialog*>(modal)->done(2);
        });
        EXPECT_EQ(handler.FehlerAnzeigen(0x2002000E), 2);
        EXPECT_EQ(shown, title);
        QCoreApplication::processEvents();
    }
    DiagAttr.Anwendungstitel = savedTitle;
}

// --- texts --------------------------------------------------------------------------------------

TEST(ErrorDialogTexts, LabelsShowTheTextsOfTheirLevel) {
    const struct {
        Kind kind;
        int32_t code;
        int id;
    } cases[] = {
        {Kind::Basis, -2, 11156},
        {Kind::Basis, 0x2002000B, 11168},  // a JED677 code is unknown to the base
        {Kind::JED677, 0x2002000B, 11389},
        {Kind::Kelt, 0x10008001, 30001},
        {Kind::Kelt, 0x20010043, 11900},
        // The driver's own codes have words in every dialog.
        {Kind::Basis, 0x20010044, 11995},
        {Kind::JED677, 0x20010042, 11996},
        {Kind::Kelt, 0x20010044, 11995},
        {Kind::InitDI, 0x20010042, 11996},
        {Kind::InitEcu, 0x20010044, 11995},
        {Kind::InitDI, 0x2001002F, 11999},
    };
    FixedTrace fixed;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(kindName(c.kind)) + " " + std::to_string(c.code));
        auto dialog = makeDialog(c.kind, fixed.trace());
        ASSERT_TRUE(dialog->prepareFehlerAnzeigen(c.code));
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->lblFehlertext->text(), fromAnsi(LoadStr(c.id)));
        EXPECT_EQ(dialog->LabelFehlerCode->text(), QString::fromStdString(TNBasisErrorHandler::FehlerCodeText(c.code)));
        EXPECT_EQ(dialog->LabelRequest->text(), "10 3A FF ");
        EXPECT_EQ(dialog->LabelResponse->text(), "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 ...");
    }
}

// Errors that say what to do: where the USB library must be put, which interface application
// file could not be loaded. The file comes from the process-wide driver, as in the program.
TEST(ErrorDialogTexts, TheMessagesNameWhatToPutWhere) {
    TempDir dir;
    const fs::path bad = dir / "JED677_V3.app";
    TempDir::writeFile(bad, "[Diagnostic Interface Application]\r\nVersion=JED-677 V3.00\r\n[Data]\r\n:junk\r\n");
    const int32_t failed = AppDownload(bad.c_str());
    ASSERT_TRUE(failed == DIAG_ERR_BAD_APPLICATION || failed == DIAG_ERR_NO_APPLICATION) << failed;

    const std::string programFolder = fs::read_symlink("/proc/self/exe").parent_path().string();
    const struct {
        int32_t code;
        int id;
        std::string added;
    } cases[] = {
        {failed, failed == DIAG_ERR_BAD_APPLICATION ? 11167 : 11166,
         "The file that could not be loaded: " + bad.string() + "\n"},
        {DIAG_ERR_USB_LIBRARY, 11175, "Put the file libndiusb3.so beside the program, into the folder " + programFolder + ","},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        TfrmInitDIErrorHandler dialog(nullptr);
        dialog.prepareExecute(c.code);
        const std::string shown = toAnsi(dialog.lblFehlertext->text());
        EXPECT_EQ(shown.substr(0, LoadStr(c.id).size()), LoadStr(c.id));
        EXPECT_NE(shown.find(c.added), std::string::npos) << shown;
    }
    // A file that is not there is named as well.
    EXPECT_EQ(AppDownload((dir / "missing.app").c_str()), DIAG_ERR_NO_APPLICATION);
    TNBasisErrorHandler named(nullptr);
    ASSERT_TRUE(named.prepareFehlerAnzeigen(DIAG_ERR_NO_APPLICATION));
    EXPECT_NE(toAnsi(named.lblFehlertext->text()).find((dir / "missing.app").string()), std::string::npos);
}

TEST(ErrorDialogTexts, CodeInUpperCaseHexWithoutPrefix) {
    FixedTrace fixed;
    TNErrorHandler dialog(nullptr, fixed.trace());
    ASSERT_TRUE(dialog.prepareFehlerAnzeigen(-1));
    EXPECT_EQ(dialog.LabelFehlerCode->text(), "FFFFFFFF");
    ASSERT_TRUE(dialog.prepareFehlerAnzeigen(0x2002001B));
    EXPECT_EQ(dialog.LabelFehlerCode->text(), "2002001B");
    EXPECT_EQ(dialog.lblFehlertext->text(), "Control unit:\n\n\tbusy");
}

TEST(ErrorDialogTexts, EmptyTracesGiveEmptyLabels) {
    DiagTrace empty{};
    TNBasisErrorHandler dialog(nullptr, DriverTrace{&empty, &empty, nullptr, 0});
    ASSERT_TRUE(dialog.prepareFehlerAnzeigen(-1));
    EXPECT_EQ(dialog.LabelRequest->text(), "");
    EXPECT_EQ(dialog.LabelResponse->text(), "");
}

TEST(ErrorDialogTexts, WindowsCharactersReachTheLabel) {
    FixedTrace fixed;
    // A code with no text of its own shows the driver's function text: ANSI bytes there.
    std::strcpy(fixed.function, "Pr\xFC" "fung \x80");
    TNBasisErrorHandler dialog(nullptr, fixed.trace());
    ASSERT_TRUE(dialog.prepareFehlerAnzeigen(0x20010051));
    EXPECT_TRUE(dialog.lblFehlertext->text().endsWith(QString::fromUtf8("Funktion: Prüfung €")))
        << dialog.lblFehlertext->text().toStdString();
}

TEST(ErrorDialogTexts, TheEcuDialogTakesTheTextsOfTheGivenHandler) {
    FixedTrace fixed;
    TNErrorHandler handler(nullptr, fixed.trace());
    TNInitEcuEH dialog(nullptr, fixed.trace());
    ASSERT_TRUE(dialog.prepareExecute(handler.texts(), 0x10008000, nullptr));
    EXPECT_EQ(dialog.lblFehlertext->text(), fromAnsi(LoadStr(30000)));
    EXPECT_EQ(dialog.LabelFehlerCode->text(), "10008000");
    EXPECT_EQ(dialog.LabelRequest->text(), "10 3A FF ");
    // Its own texts do not know the program's codes.
    EXPECT_NE(dialog.FehlerText(0x10008000), LoadStr(30000));
}

// --- code 0 -------------------------------------------------------------------------------------

TEST(ErrorDialogCodeZero, ShowsNothingAndAnswersZero) {
    FixedTrace fixed;
    // Any modal window appearing here is a fault; the script closes it so the test ends.
    ModalScript unexpected([](QWidget* modal) {
        ADD_FAILURE() << "a dialog was shown for code 0";
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(1);
    });
    for (Kind kind : {Kind::Basis, Kind::JED677, Kind::Kelt, Kind::InitDI, Kind::InitEcu}) {
        SCOPED_TRACE(kindName(kind));
        auto dialog = makeDialog(kind, fixed.trace());
        EXPECT_EQ(dialog->FehlerAnzeigen(0), NoErrorShown);
        EXPECT_FALSE(dialog->prepareFehlerAnzeigen(0));
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->lblFehlertext->text(), "");
        EXPECT_EQ(dialog->LabelFehlerCode->text(), "-");
    }
    TNErrorHandler handler(nullptr, fixed.trace());
    TNInitEcuEH ecu(nullptr, fixed.trace());
    EXPECT_EQ(ecu.Execute(handler, 0, nullptr), NoErrorShown);
    EXPECT_FALSE(ecu.isVisible());
    EXPECT_FALSE(unexpected.ran());
}

// --- answers: dialog x action -------------------------------------------------------------------

enum class Action { Btn1, Btn2, Btn3, CloseBox, Escape, Rejected };

const char* actionName(Action action) {
    switch (action) {
    case Action::Btn1: return "Btn1";
    case Action::Btn2: return "Btn2";
    case Action::Btn3: return "Btn3";
    case Action::CloseBox: return "CloseBox";
    case Action::Escape: return "Escape";
    case Action::Rejected: return "Rejected";
    }
    return "?";
}

void perform(Action action, TNBasisErrorHandler& dialog) {
    switch (action) {
    case Action::Btn1: dialog.btn1->click(); break;
    case Action::Btn2: dialog.btn2->click(); break;
    case Action::Btn3: dialog.btn3->click(); break;
    case Action::CloseBox: dialog.close(); break;
    case Action::Escape: pressEscape(&dialog); break;
    case Action::Rejected: dialog.reject(); break;
    }
}

struct AnswerCase {
    Kind kind;
    Action action;
    int expected;  // the retry answer, or the choice of the interface dialog
};

class ErrorDialogAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

// Runs the dialog's blocking call with the action done while it is shown modally.
int answerOf(const AnswerCase& c, TNBasisErrorHandler& dialog, int32_t code) {
    bool wasVisible = false;
    ModalScript script([&](QWidget* modal) {
        wasVisible = modal == &dialog;
        perform(c.action, dialog);
    });
    int answer = -1;
    if (c.kind == Kind::InitDI) {
        uint8_t choice = 0;
        static_cast<TfrmInitDIErrorHandler&>(dialog).Execute(choice, code);
        answer = choice;
    } else if (c.kind == Kind::InitEcu) {
        TNErrorHandler handler(nullptr, DriverTrace{});
        answer = static_cast<TNInitEcuEH&>(dialog).Execute(handler, code, nullptr);
    } else {
        answer = dialog.FehlerAnzeigen(code);
    }
    EXPECT_TRUE(wasVisible) << "the dialog was not the modal window";
    EXPECT_FALSE(dialog.isVisible());
    return answer;
}

TEST_P(ErrorDialogAnswerTest, AnswerFollowsTheAction) {
    const AnswerCase& c = GetParam();
    FixedTrace fixed;
    auto dialog = makeDialog(c.kind, fixed.trace());
    EXPECT_EQ(answerOf(c, *dialog, 0x2001002A), c.expected);
    // The same instance again: each showing starts afresh.
    EXPECT_EQ(answerOf(c, *dialog, 0x20010029), c.expected);
}

std::vector<AnswerCase> answerCases() {
    std::vector<AnswerCase> cases;
    for (Kind kind : {Kind::Basis, Kind::JED677, Kind::Kelt, Kind::InitEcu}) {
        cases.push_back({kind, Action::Btn1, GiveUp});
        cases.push_back({kind, Action::Btn2, RepeatOperation});
        cases.push_back({kind, Action::CloseBox, GiveUp});
        cases.push_back({kind, Action::Escape, GiveUp});
        cases.push_back({kind, Action::Rejected, GiveUp});
    }
    cases.push_back({Kind::InitDI, Action::Btn1, TfrmInitDIErrorHandler::ChoiceCancel});
    cases.push_back({Kind::InitDI, Action::Btn2, TfrmInitDIErrorHandler::ChoiceRepeat});
    cases.push_back({Kind::InitDI, Action::Btn3, TfrmInitDIErrorHandler::ChoiceNewInterface});
    cases.push_back({Kind::InitDI, Action::CloseBox, TfrmInitDIErrorHandler::ChoiceCancel});
    cases.push_back({Kind::InitDI, Action::Escape, TfrmInitDIErrorHandler::ChoiceCancel});
    cases.push_back({Kind::InitDI, Action::Rejected, TfrmInitDIErrorHandler::ChoiceCancel});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Table, ErrorDialogAnswerTest, ::testing::ValuesIn(answerCases()),
                         [](const auto& info) {
                             return std::string(kindName(info.param.kind)) + "_" + actionName(info.param.action);
                         });

TEST(InitDIErrorHandler, RetryAnswersOfItsButtons) {
    // Used as a plain retry dialog, "select a new interface" also repeats.
    FixedTrace fixed;
    const struct {
        Action action;
        int answer;
    } cases[] = {{Action::Btn1, GiveUp}, {Action::Btn2, RepeatOperation}, {Action::Btn3, RepeatOperation},
                 {Action::CloseBox, GiveUp}};
    for (const auto& c : cases) {
        SCOPED_TRACE(actionName(c.action));
        TfrmInitDIErrorHandler dialog(nullptr, fixed.trace());
        ASSERT_TRUE(dialog.prepareFehlerAnzeigen(-1));
        dialog.show();
        perform(c.action, dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.finishFehlerAnzeigen(), c.answer);
    }
}

TEST(InitDIErrorHandler, ChoiceStartsAtCancelForEveryShowing) {
    FixedTrace fixed;
    TfrmInitDIErrorHandler dialog(nullptr, fixed.trace());
    dialog.prepareExecute(-1);
    dialog.show();
    dialog.btn3->click();
    EXPECT_EQ(dialog.choice(), TfrmInitDIErrorHandler::ChoiceNewInterface);
    dialog.prepareExecute(-1);
    EXPECT_EQ(dialog.choice(), TfrmInitDIErrorHandler::ChoiceCancel);
    dialog.show();
    dialog.close();
    EXPECT_EQ(dialog.choice(), TfrmInitDIErrorHandler::ChoiceCancel);
    EXPECT_EQ(dialog.LabelFehlerCode->text(), "FFFFFFFF");
}

// --- the ECU dialog's selection window ----------------------------------------------------------

TEST(InitEcuEH, ThirdButtonNeedsASelectionWindow) {
    FixedTrace fixed;
    TNErrorHandler handler(nullptr, fixed.trace());
    TNInitEcuEH dialog(nullptr, fixed.trace());
    QDialog selection;

    ASSERT_TRUE(dialog.prepareExecute(handler.texts(), -1, nullptr));
    dialog.show();
    EXPECT_TRUE(dialog.btn3->isVisible());
    EXPECT_FALSE(dialog.btn3->isEnabled());
    dialog.btn3->click();  // disabled: nothing happens
    EXPECT_TRUE(dialog.isVisible());
    dialog.hide();

    ASSERT_TRUE(dialog.prepareExecute(handler.texts(), -1, &selection));
    EXPECT_TRUE(dialog.btn3->isEnabled());
    EXPECT_EQ(dialog.selectionWindow(), &selection);
    ASSERT_TRUE(dialog.prepareExecute(handler.texts(), -1, nullptr));
    EXPECT_FALSE(dialog.btn3->isEnabled());
}

TEST(InitEcuEH, SelectionResultBecomesTheAnswer) {
    // The selection window's result decides; only 1 repeats. 0 (closed without a choice) is a
    // give-up, never "no error".
    const struct {
        int selectionResult;
        bool closeBox;
        int answer;
    } cases[] = {
        {1, false, RepeatOperation}, {2, false, GiveUp}, {0, false, GiveUp}, {7, false, GiveUp},
        {0, true, GiveUp},
    };
    FixedTrace fixed;
    TNErrorHandler handler(nullptr, fixed.trace());
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.selectionResult) + (c.closeBox ? " close box" : ""));
        TNInitEcuEH dialog(nullptr, fixed.trace());
        QDialog selection;
        bool selectionShown = false;
        ModalScript outer([&](QWidget*) {
            // Closes the selection window once its own modal loop runs.
            ModalScript inner([&](QWidget* modal) {
                selectionShown = modal == &selection;
                if (c.closeBox)
                    selection.close();
                else
                    selection.done(c.selectionResult);
            });
            dialog.btn3->click();
        });
        EXPECT_EQ(dialog.Execute(handler, 0x200E0001, &selection), c.answer);
        EXPECT_TRUE(selectionShown);
        EXPECT_FALSE(selection.isVisible());
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(InitEcuEH, SelectionWindowGoneMeanwhileLeavesTheButtonInert) {
    FixedTrace fixed;
    TNErrorHandler handler(nullptr, fixed.trace());
    TNInitEcuEH dialog(nullptr, fixed.trace());
    auto selection = std::make_unique<QDialog>();
    ASSERT_TRUE(dialog.prepareExecute(handler.texts(), -1, selection.get()));
    selection.reset();
    dialog.show();
    dialog.btn3->click();
    EXPECT_TRUE(dialog.isVisible());
    dialog.btn1->click();
    EXPECT_EQ(dialog.finishExecute(), GiveUp);
}

// The framework's own selection window: the diagnostic line, by picture or by number.
TEST(InitEcuEH, DiagnosticLineWindowAsTheSelection) {
    TNfrmSelectDiagnosticLine selection;
    EXPECT_EQ(selection.windowTitle(), "Select diagnostic port");
    EXPECT_EQ(selection.lblAuswahl->text(), "Select the diagnostic port");
    EXPECT_EQ(selection.btn1->text(), "&Cancel");
    EXPECT_EQ(selection.btn2->text(), "&2");
    EXPECT_EQ(selection.btn3->text(), "&1");
    for (QPushButton* picture : {selection.btnLeitung1, selection.btnLeitung2}) {
        EXPECT_FALSE(picture->icon().isNull());
        EXPECT_GE(picture->iconSize().width(), 64);
    }
    EXPECT_NE(selection.btnLeitung1->icon().pixmap(96).toImage(),
              selection.btnLeitung2->icon().pixmap(96).toImage());

    const struct {
        const char* name;
        QPushButton* button;
        int answer;
        int line;
    } cases[] = {
        {"picture 1", selection.btnLeitung1, RepeatOperation, 1},
        {"picture 2", selection.btnLeitung2, RepeatOperation, 2},
        {"&1", selection.btn3, RepeatOperation, 1},
        {"&2", selection.btn2, RepeatOperation, 2},
        {"&Cancel", selection.btn1, GiveUp, 0},
    };
    FixedTrace fixed;
    TNErrorHandler handler(nullptr, fixed.trace());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TNInitEcuEH dialog(nullptr, fixed.trace());
        bool selectionShown = false;
        ModalScript outer([&](QWidget*) {
            ModalScript inner([&](QWidget* modal) {
                selectionShown = modal == &selection;
                c.button->click();
            });
            dialog.btn3->click();
        });
        EXPECT_EQ(dialog.Execute(handler, 0x200E0001, &selection), c.answer);
        EXPECT_TRUE(selectionShown);
        EXPECT_EQ(selection.chosenLine(), c.line);  // each showing starts without a choice
        EXPECT_FALSE(selection.isVisible());
    }
}

}  // namespace
