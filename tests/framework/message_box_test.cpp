#include "ErrorReporter.h"
#include "MessageBox.h"
#include "NData.h"
#include "ScriptedErrorReporter.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

class RecordingBoxes : public MessageBoxService {
public:
    struct Call {
        std::string text;
        std::string caption;
        unsigned flags;
    };
    int MsgBox(const std::string& text, const std::string& caption, unsigned flags) override {
        calls.push_back({text, caption, flags});
        return answer;
    }
    std::vector<Call> calls;
    int answer = IDOK;
};

class MessageBoxTest : public ::testing::Test {
protected:
    RecordingBoxes boxes;
    MessageBoxService* previous = nullptr;
    std::string savedTitle = DiagAttr.Anwendungstitel;

    void SetUp() override { previous = installMessageBoxService(&boxes); }
    void TearDown() override {
        installMessageBoxService(previous);
        DiagAttr.Anwendungstitel = savedTitle;
    }
};

TEST_F(MessageBoxTest, MsgBoxForwardsAndAnswersTheButton) {
    boxes.answer = IDNO;
    EXPECT_EQ(MsgBox("Have you taken all security measures?", "Attention! Warning note!",
                     MB_YESNO | MB_ICONWARNING),
              IDNO);
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].caption, "Attention! Warning note!");
    EXPECT_EQ(boxes.calls[0].flags, 0x34u);
}

TEST_F(MessageBoxTest, MsgBoxTextUsesApplicationTitleAndOkOnly) {
    DiagAttr.Anwendungstitel = "Tarvik Diagnostic Software";
    EXPECT_EQ(MsgBoxText("Saved."), IDOK);
    DiagAttr.Anwendungstitel.clear();
    MsgBoxText("");
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].text, "Saved.");
    EXPECT_EQ(boxes.calls[0].caption, "Tarvik Diagnostic Software");
    EXPECT_EQ(boxes.calls[0].flags, MB_OK);
    EXPECT_EQ(boxes.calls[1].text, "");
    EXPECT_EQ(boxes.calls[1].caption, "");
}

TEST_F(MessageBoxTest, WithoutServiceNoAnswerIsMadeUp) {
    installMessageBoxService(nullptr);
    EXPECT_THROW(MsgBox("text", "caption", MB_YESNO), std::logic_error);
    EXPECT_THROW(MsgBoxText("text"), std::logic_error);
}

TEST(RetryAnswer, OnlyAnExplicitRepeatRepeats) {
    struct Case {
        int modalResult;
        int expected;
    } cases[] = {{1, RepeatOperation}, {2, GiveUp}, {0, GiveUp}, {3, GiveUp}, {-1, GiveUp}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modalResult);
        EXPECT_EQ(retryAnswerOf(c.modalResult), c.expected);
    }
}

TEST(ScriptedErrorReporter, FollowsTheRetryContract) {
    ScriptedErrorReporter reporter{RepeatOperation, GiveUp};
    EXPECT_EQ(reporter.FehlerAnzeigen(0), NoErrorShown);
    EXPECT_EQ(reporter.remainingAnswers(), 2u);
    EXPECT_EQ(reporter.FehlerAnzeigen(0x2001002A), RepeatOperation);
    EXPECT_EQ(reporter.FehlerAnzeigen(-1), GiveUp);
    EXPECT_EQ(reporter.unexpectedCodes(), 0u);
    // Script used up: give up, so a retry loop under test cannot run forever.
    EXPECT_EQ(reporter.FehlerAnzeigen(0x2001002A), GiveUp);
    EXPECT_EQ(reporter.unexpectedCodes(), 1u);
    EXPECT_EQ(reporter.shownCodes(), (std::vector<int32_t>{0x2001002A, -1, 0x2001002A}));
    EXPECT_THROW(reporter.script(0), std::invalid_argument);
    EXPECT_THROW(ScriptedErrorReporter({3}), std::invalid_argument);
}

}  // namespace
