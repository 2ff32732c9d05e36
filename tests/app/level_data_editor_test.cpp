// The level-data window's logic against the simulated ECU: the values read at the start, which
// edits the capabilities and the entry mode offer, and the save with its refusals, its give-ups
// and the question on OK.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "KeltTestSupport.h"
#include "LevelDataEditor.h"
#include "StringTable.h"

namespace {

using E = LevelEdit;
using Mode = LevelEntryMode;

class LevelData : public KeltFixture {
public:
    void SetUp() override {
        KeltFixture::SetUp();
        connectTo({0x10, 0x78, 0x01, 0x00});
        kelt->CfgFrontAxle = kelt->CfgRearSensorLeft = kelt->CfgRearSensorRight = 1;
        kelt->CfgLeftRightDifference = 1;
        kelt->DiagnoseAktiv = 1;
    }
    // The editor after its start, with the ECU's log emptied.
    LevelDataEditor& started() {
        editor = std::make_unique<LevelDataEditor>(*kelt);
        EXPECT_TRUE(editor->Start());
        ecu->clearLog();
        return *editor;
    }
    // Types the texts, leaving each edit in turn.
    void type(const std::map<LevelEdit, std::string>& texts) {
        for (const auto& [edit, text] : texts) {
            editor->setText(edit, text);
            editor->leave(edit);
        }
    }
    bool anythingWritten() const { return ecu->count({0x13}) > 0 || ecu->count({0x25}) > 0; }

    std::unique_ptr<LevelDataEditor> editor;
};

// --- the start ------------------------------------------------------------------------------------

TEST_F(LevelData, StartFillsTheEditsFromTheEcu) {
    ecu->setLocalId(0xCA, {18, 250});
    LevelDataEditor editor(*kelt);
    ASSERT_TRUE(editor.Start());
    EXPECT_EQ(editor.text(E::UpperFront), "87");
    EXPECT_EQ(editor.text(E::LowerDiffRear), "30");
    EXPECT_EQ(editor.text(E::LeftRightDifference), "-6");
    EXPECT_EQ(editor.text(E::NormalRight), "56");
    EXPECT_FALSE(editor.modified());
    EXPECT_EQ(ecu->messages(), (std::vector<SimBytes>{{0x82, 0x14, 0xC7},
                                                      {0x82, 0x14, 0xC8},
                                                      {0x82, 0x14, 0xC9},
                                                      {0x82, 0x14, 0xCA}}));
}

TEST_F(LevelData, WithoutTheDifferenceFlagTheDifferenceShowsZero) {
    kelt->CfgLeftRightDifference = 0;
    LevelDataEditor editor(*kelt);
    ASSERT_TRUE(editor.Start());
    EXPECT_EQ(editor.text(E::LeftRightDifference), "0");
    EXPECT_EQ(editor.text(E::NormalRight), "50");
}

TEST_F(LevelData, AFailedReadAtTheStartIsReadAgainWhileTheUserAsks) {
    ecu->injectNegative({0x14, 0xC9});
    errors.script(RepeatOperation);
    LevelDataEditor editor(*kelt);
    EXPECT_TRUE(editor.Start());
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{JED677_NEGATIVE_ANSWER});
    EXPECT_EQ(ecu->count({0x14, 0xC7}), 2);
    EXPECT_EQ(editor.text(E::NormalFront), "55");
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

TEST_F(LevelData, AGiveUpAtTheStartEndsTheConnection) {
    ecu->injectNegative({0x14, 0xC9});
    errors.script(GiveUp);
    LevelDataEditor editor(*kelt);
    EXPECT_FALSE(editor.Start());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(editor.text(E::NormalFront), "0") << "nothing filled";
}

// --- the edits the capabilities and the mode offer ------------------------------------------------

struct OfferCase {
    std::string name;
    std::array<uint8_t, 4> flags;  // front axle, rear left, rear right, left/right difference
    Mode mode;
    std::set<LevelEdit> enabled;
    bool rightColumn;
};

void PrintTo(const OfferCase& c, std::ostream* os) { *os << c.name; }

class Offers : public LevelData, public ::testing::WithParamInterface<OfferCase> {};

TEST_P(Offers, FollowTheFlagsAndTheMode) {
    const OfferCase& c = GetParam();
    kelt->CfgFrontAxle = c.flags[0];
    kelt->CfgRearSensorLeft = c.flags[1];
    kelt->CfgRearSensorRight = c.flags[2];
    kelt->CfgLeftRightDifference = c.flags[3];
    LevelDataEditor editor(*kelt);
    editor.setMode(c.mode);
    EXPECT_EQ(editor.hasRightColumn(), c.rightColumn);
    for (std::size_t i = 0; i < kLevelEditCount; ++i) {
        const auto edit = static_cast<LevelEdit>(i);
        EXPECT_EQ(editor.enabled(edit), c.enabled.count(edit) == 1) << "edit " << i;
    }
    EXPECT_EQ(editor.hint(), LoadStr(c.mode == Mode::UpperAndLower ? 20068 : 20067));
}

INSTANTIATE_TEST_SUITE_P(
    Flags, Offers,
    ::testing::Values(
        OfferCase{"AllLevels", {1, 1, 1, 1}, Mode::UpperAndLower,
                  {E::UpperFront, E::NormalFront, E::LowerFront, E::UpperRear, E::NormalRear,
                   E::LowerRear, E::LeftRightDifference},
                  true},
        OfferCase{"AllDifferences", {1, 1, 1, 1}, Mode::Differences,
                  {E::UpperDiffFront, E::NormalFront, E::LowerDiffFront, E::UpperDiffRear,
                   E::NormalRear, E::LowerDiffRear, E::LeftRightDifference},
                  true},
        OfferCase{"WithoutTheDifference", {1, 1, 1, 0}, Mode::UpperAndLower,
                  {E::UpperFront, E::NormalFront, E::LowerFront, E::UpperRear, E::NormalRear,
                   E::LowerRear},
                  false},
        OfferCase{"OneRearSensor", {1, 0, 1, 1}, Mode::Differences,
                  {E::UpperDiffFront, E::NormalFront, E::LowerDiffFront, E::UpperDiffRear,
                   E::NormalRear, E::LowerDiffRear},
                  false},
        OfferCase{"RearOnly", {0, 1, 1, 1}, Mode::UpperAndLower,
                  {E::UpperRear, E::NormalRear, E::LowerRear, E::LeftRightDifference}, true},
        OfferCase{"FrontOnly", {1, 0, 0, 1}, Mode::UpperAndLower,
                  {E::UpperFront, E::NormalFront, E::LowerFront}, false}),
    [](const auto& info) { return info.param.name; });

// --- the save -------------------------------------------------------------------------------------

TEST_F(LevelData, TypedValuesAreCheckedWrittenAndStored) {
    LevelDataEditor& e = started();
    type({{E::NormalFront, "60"}, {E::UpperFront, "90"}, {E::LowerFront, "30"}});
    EXPECT_TRUE(e.modified());
    LevelEdit focus = E::UpperRight;
    EXPECT_EQ(e.Save(focus), LevelDataEditor::SaveResult::Saved);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{LoadStr(20098)});
    EXPECT_EQ(boxes.shown[0].flags, 0x40u);
    EXPECT_EQ(boxes.shown[0].caption, attr.Anwendungstitel);
    EXPECT_EQ(ecu->count({0x14, 0xD6}), 1) << "checked against the ECU's tolerances";
    EXPECT_EQ(ecu->count({0x13}), 6);
    EXPECT_EQ(*ecu->localId(0xC7), (SimBytes{0xB7, 50}));
    EXPECT_EQ(*ecu->localId(0xC8), (SimBytes{60, 84}));
    EXPECT_EQ(*ecu->localId(0xC9), (SimBytes{90, 20}));
    EXPECT_EQ(*ecu->localId(0xCA), (SimBytes{30, 104}));
    EXPECT_EQ(SimKeltEcu::bodyOf(ecu->messages().back()), SimBytes{0x25});
    EXPECT_FALSE(e.modified());
    EXPECT_TRUE(e.ConfirmOk());
    EXPECT_EQ(boxes.shown.size(), 1u) << "no question after the save";
}

struct BadEntryCase {
    std::string name;
    Mode mode;
    std::map<LevelEdit, std::string> typed;
    LevelEdit focus;
};

void PrintTo(const BadEntryCase& c, std::ostream* os) { *os << c.name; }

class BadEntries : public LevelData, public ::testing::WithParamInterface<BadEntryCase> {};

TEST_P(BadEntries, AreRefusedBeforeAnythingIsSent) {
    const BadEntryCase& c = GetParam();
    LevelDataEditor& e = started();
    e.setMode(c.mode);
    type(c.typed);
    LevelEdit focus = E::UpperRight;
    EXPECT_EQ(e.Save(focus), LevelDataEditor::SaveResult::BadEntry);
    EXPECT_EQ(focus, c.focus);
    ASSERT_EQ(boxes.texts(), std::vector<std::string>{"The entered value is not permissible! Please correct!"});
    EXPECT_EQ(boxes.shown[0].flags, 0x30u);
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_TRUE(e.modified());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, BadEntries,
    ::testing::Values(
        BadEntryCase{"NotANumber", Mode::UpperAndLower, {{E::NormalRear, "abc"}}, E::NormalRear},
        BadEntryCase{"LevelAboveAByte", Mode::UpperAndLower, {{E::UpperRear, "256"}}, E::UpperRear},
        BadEntryCase{"LevelWhoseLow16BitsFit", Mode::UpperAndLower, {{E::LowerFront, "65654"}},
                     E::LowerFront},
        BadEntryCase{"DifferenceAboveASignedByte", Mode::UpperAndLower,
                     {{E::LeftRightDifference, "128"}}, E::LeftRightDifference},
        // In difference mode the level shows what the difference gives: that is what to correct.
        BadEntryCase{"LevelFromItsDifference", Mode::Differences, {{E::UpperDiffFront, "250"}},
                     E::UpperDiffFront},
        BadEntryCase{"LowerLevelFromItsDifference", Mode::Differences, {{E::LowerDiffRear, "51"}},
                     E::LowerDiffRear}),
    [](const auto& info) { return info.param.name; });

struct RefusalCase {
    std::string name;
    std::map<LevelEdit, std::string> typed;
    int message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class Refusals : public LevelData, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, OfThePlausibilityCheckSendNothing) {
    const RefusalCase& c = GetParam();
    LevelDataEditor& e = started();
    type(c.typed);
    LevelEdit focus = E::UpperRight;
    EXPECT_EQ(e.Save(focus), LevelDataEditor::SaveResult::Refused);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{LoadStr(c.message)});
    EXPECT_FALSE(anythingWritten());
    EXPECT_TRUE(e.modified());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

// The sample passes with the simulator's tolerances (5, 5 and 104).
INSTANTIATE_TEST_SUITE_P(
    Rules, Refusals,
    ::testing::Values(RefusalCase{"FrontRange", {{E::UpperFront, "254"}}, 20090},
                      RefusalCase{"RearRange", {{E::LowerRear, "4"}}, 20091},
                      RefusalCase{"RearLower", {{E::LowerRear, "41"}}, 20092},
                      RefusalCase{"RearUpper", {{E::UpperRear, "67"}}, 20093},
                      RefusalCase{"FrontLower", {{E::LowerFront, "46"}}, 20094},
                      RefusalCase{"FrontUpper", {{E::UpperFront, "72"}}, 20095},
                      RefusalCase{"LeftRightDifference", {{E::LeftRightDifference, "105"}}, 20096}),
    [](const auto& info) { return info.param.name; });

TEST_F(LevelData, AGiveUpInTheCheckEndsTheConnectionWithoutWriting) {
    LevelDataEditor& e = started();
    ecu->injectNegative({0x14, 0xD7});
    errors.script(GiveUp);
    LevelEdit focus = E::UpperRight;
    EXPECT_EQ(e.Save(focus), LevelDataEditor::SaveResult::GaveUp);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_FALSE(anythingWritten());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LevelData, AFailedWriteIsRepeatedWhileTheUserAsks) {
    LevelDataEditor& e = started();
    ecu->injectNegative({0x25});
    errors.script(RepeatOperation);
    LevelEdit focus = E::UpperRight;
    EXPECT_EQ(e.Save(focus), LevelDataEditor::SaveResult::Saved);
    EXPECT_EQ(ecu->count({0x13, 0xC7}), 2);
    EXPECT_EQ(ecu->count({0x25}), 2);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{LoadStr(20098)});
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

TEST_F(LevelData, AGiveUpInTheWriteEndsTheConnection) {
    LevelDataEditor& e = started();
    type({{E::NormalFront, "56"}});
    ecu->injectNegative({0x13, 0xC9});
    errors.script(GiveUp);
    LevelEdit focus = E::UpperRight;
    EXPECT_EQ(e.Save(focus), LevelDataEditor::SaveResult::GaveUp);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(ecu->count({0x25}), 0);
    EXPECT_TRUE(boxes.shown.empty()) << "no success message";
    EXPECT_TRUE(e.modified());
}

// --- OK -------------------------------------------------------------------------------------------

struct OkCase {
    std::string name;
    bool change;
    int answer;
    bool closes;
};

void PrintTo(const OkCase& c, std::ostream* os) { *os << c.name; }

class Ok : public LevelData, public ::testing::WithParamInterface<OkCase> {};

TEST_P(Ok, AsksOnlyAfterAChange) {
    const OkCase& c = GetParam();
    LevelDataEditor& e = started();
    if (c.change) type({{E::NormalRear, "51"}});
    boxes.answer = [&](const ShownBox&) { return c.answer; };
    EXPECT_EQ(e.ConfirmOk(), c.closes);
    if (!c.change) {
        EXPECT_TRUE(boxes.shown.empty());
        return;
    }
    ASSERT_EQ(boxes.texts(), std::vector<std::string>{"Exit dialog? Data has not yet been saved to the ECU!"});
    EXPECT_EQ(boxes.shown[0].flags, 0x21u);
    EXPECT_EQ(boxes.shown[0].caption, attr.Anwendungstitel);
    EXPECT_TRUE(ecu->messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, Ok,
                         ::testing::Values(OkCase{"Unchanged", false, IDCANCEL, true},
                                           OkCase{"ChangedAndConfirmed", true, IDOK, true},
                                           OkCase{"ChangedAndKept", true, IDCANCEL, false}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
