// The ECU's diagnosis address and baud code at the ECU layer: the bytes written, the read-back
// the program believes, broken records, the types served and demo mode; and the window's rules
// for a typed address and the data-rate preselection.
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "AddressAndBaud.h"
#include "KeltTestSupport.h"
#include "StringTable.h"

namespace {

const std::string kNotStored = "ATTENTION! The data has not been correctly saved to the control unit!";

SimBytes readOf(uint8_t id) { return {0x14, id}; }
SimBytes writeOf(uint8_t id, uint8_t b0, uint8_t b1) { return {0x13, id, b0, b1}; }

class AddressAndBaud : public KeltFixture {
public:
    void SetUp() override {
        KeltFixture::SetUp();
        connectTo({0x10, 0x78, 0x01, 0x00});
        kelt->DiagnoseAktiv = 1;
    }
    void expectNoBoxNoDialog() {
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_TRUE(errors.shownCodes().empty());
    }
};

// --- the bytes written ------------------------------------------------------------------------------

struct AddressCase {
    std::string name;
    uint8_t b0, b1;  // 0xD0 as the ECU has it
    uint8_t address;
    uint8_t x;       // the companion byte written
};
void PrintTo(const AddressCase& c, std::ostream* os) { *os << c.name; }

class AddressWrites : public AddressAndBaud, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(AddressWrites, KeepTheDifferenceOfTheTwoBytes) {
    const AddressCase& c = GetParam();
    ecu->setLocalId(0xD0, {c.b0, c.b1});
    bool stored = false;
    EXPECT_EQ(kelt->WriteEcuAddress(c.address, stored), 0);
    EXPECT_TRUE(stored);
    EXPECT_EQ(ecu->bodies(), (std::vector<SimBytes>{readOf(0xD0), writeOf(0xD0, c.x, c.address), readOf(0xD0)}));
    EXPECT_EQ(ecu->localId(0xD0), (SimBytes{c.x, c.address}));
    expectNoBoxNoDialog();
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, AddressWrites,
    ::testing::Values(AddressCase{"Sample", 0x35, 0x10, 20, 0x39},
                      AddressCase{"WrapsBelowZero", 0x05, 0x10, 1, 0xF6},
                      AddressCase{"WrapsAbove255", 0xF0, 0x01, 128, 0x6F},
                      AddressCase{"SameAddress", 0x80, 0x10, 16, 0x80}),
    [](const auto& info) { return info.param.name; });

TEST_F(AddressAndBaud, BaudCodeIsWrittenWithItsSuccessor) {
    for (uint8_t code = 0; code < 4; ++code) {
        SCOPED_TRACE(int(code));
        ecu->clearLog();
        bool stored = false;
        EXPECT_EQ(kelt->WriteBaudCode(code, stored), 0);
        EXPECT_TRUE(stored);
        EXPECT_EQ(ecu->bodies(), (std::vector<SimBytes>{writeOf(0xAF, uint8_t(code + 1), code), readOf(0xAF)}));
        EXPECT_EQ(ecu->localId(0xAF), (SimBytes{uint8_t(code + 1), code}));
    }
    expectNoBoxNoDialog();
}

TEST_F(AddressAndBaud, ReadsGiveByteOne) {
    ecu->setLocalId(0xD0, {0x35, 0x10});
    ecu->setLocalId(0xAF, {3, 2});
    uint8_t address = 0, code = 0;
    EXPECT_EQ(kelt->ReadEcuAddress(address), 0);
    EXPECT_EQ(kelt->ReadBaudCode(code), 0);
    EXPECT_EQ(address, 0x10);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(ecu->bodies(), (std::vector<SimBytes>{readOf(0xD0), readOf(0xAF)}));
    expectNoBoxNoDialog();
}

// --- the read-back -----------------------------------------------------------------------------------

struct ReadBackCase {
    std::string name;
    bool baud;
    std::function<void(SimKeltEcu&)> arrange;
    bool stored;
};
void PrintTo(const ReadBackCase& c, std::ostream* os) { *os << c.name; }

class ReadBack : public AddressAndBaud, public ::testing::WithParamInterface<ReadBackCase> {};

// A write the ECU acknowledges but does not keep is told once, as such, and is no failure of
// the connection: the answer stays 0 and the caller learns it was not stored.
TEST_P(ReadBack, IsBelievedOnlyWhenItMatches) {
    const ReadBackCase& c = GetParam();
    ecu->setLocalId(0xD0, {0x35, 0x10});
    c.arrange(*ecu);
    bool stored = !c.stored;
    const int answer = c.baud ? kelt->WriteBaudCode(2, stored) : kelt->WriteEcuAddress(20, stored);
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(stored, c.stored);
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    if (c.stored) {
        EXPECT_TRUE(boxes.shown.empty());
    } else {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, kNotStored);
        EXPECT_EQ(boxes.shown[0].caption, attr.Anwendungstitel);
        EXPECT_EQ(boxes.shown[0].flags, unsigned(MB_ICONWARNING | MB_OK));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadBack,
    ::testing::Values(
        ReadBackCase{"AddressNotStored", false, [](SimKeltEcu& e) { e.setIgnoresWrites(0xD0); }, false},
        ReadBackCase{"AddressStoredOtherwise", false,
                     [](SimKeltEcu& e) { e.setStoresWritesAs(0xD0, SimBytes{0x38, 0x14}); }, false},
        ReadBackCase{"BaudNotStored", true, [](SimKeltEcu& e) { e.setIgnoresWrites(0xAF); }, false},
        ReadBackCase{"BaudStoredOtherwise", true,
                     [](SimKeltEcu& e) { e.setStoresWritesAs(0xAF, SimBytes{3, 1}); }, false},
        // Only the code itself is compared for the baud rate.
        ReadBackCase{"BaudCompanionByteOtherwise", true,
                     [](SimKeltEcu& e) { e.setStoresWritesAs(0xAF, SimBytes{9, 2}); }, true}),
    [](const auto& info) { return info.param.name; });

// --- broken records and failures -------------------------------------------------------------------

// A record cut short must not yield an address, nor a companion byte computed from leftovers.
TEST_F(AddressAndBaud, AShortAddressRecordIsOneDialogAndNothingIsWritten) {
    const SimBytes before = *ecu->localId(0xD0);
    ecu->injectShortReply(readOf(0xD0), 3);
    errors.script(GiveUp);
    bool stored = true;
    EXPECT_EQ(kelt->WriteEcuAddress(20, stored), GiveUp);
    EXPECT_FALSE(stored);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_BAD_REPLY});
    EXPECT_EQ(ecu->count({0x13}), 0);
    EXPECT_EQ(ecu->localId(0xD0), before);

    uint8_t address = 77;
    ecu->injectShortReply(readOf(0xD0), 3);
    errors.script(RepeatOperation);
    EXPECT_EQ(kelt->ReadEcuAddress(address), RepeatOperation);
    EXPECT_EQ(address, 77);
}

TEST_F(AddressAndBaud, AShortBaudRecordLeavesTheCode) {
    ecu->injectShortReply(readOf(0xAF), 3);
    errors.script(GiveUp);
    uint8_t code = 9;
    EXPECT_EQ(kelt->ReadBaudCode(code), GiveUp);
    EXPECT_EQ(code, 9);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_BAD_REPLY});
}

TEST_F(AddressAndBaud, AFailedWriteOrReadBackIsShownAndNotWarnedAbout) {
    ecu->injectNegative({0x13, 0xD0});
    ecu->injectNegative(readOf(0xAF));
    errors.script(GiveUp);
    errors.script(RepeatOperation);
    bool stored = true;
    EXPECT_EQ(kelt->WriteEcuAddress(20, stored), GiveUp);
    EXPECT_FALSE(stored);
    EXPECT_EQ(kelt->WriteBaudCode(1, stored), RepeatOperation);
    EXPECT_FALSE(stored);
    EXPECT_EQ(errors.shownCodes(), (std::vector<int32_t>{JED677_NEGATIVE_ANSWER, JED677_NEGATIVE_ANSWER}));
    EXPECT_TRUE(boxes.shown.empty());
}

// --- types and demo -----------------------------------------------------------------------------------

struct TypeCase {
    std::string name;
    uint32_t type;
    bool address;  // the address operations serve it
    bool baud;     // the baud operations serve it
};
void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class Types : public AddressAndBaud, public ::testing::WithParamInterface<TypeCase> {};

// Outside its types an operation sends nothing, leaves the value and answers for the stored code.
TEST_P(Types, OutsideTheirSetTheOperationsSendNothing) {
    const TypeCase& c = GetParam();
    for (int i = 0; i < 4; ++i) errors.script(GiveUp);
    for (int32_t storedCode : {0, int32_t(JED677_NEGATIVE_ANSWER)}) {
        SCOPED_TRACE(storedCode);
        useType(c.type);
        const int outside = storedCode ? GiveUp : 0;
        uint8_t address = 99, code = 99;
        bool stored = true;
        kelt->LetzterFehlercode = storedCode;
        if (c.address) {
            EXPECT_EQ(kelt->ReadEcuAddress(address), 0);
            EXPECT_EQ(address, 16);
        } else {
            EXPECT_EQ(kelt->ReadEcuAddress(address), outside);
            EXPECT_EQ(address, 99);
            kelt->LetzterFehlercode = storedCode;
            EXPECT_EQ(kelt->WriteEcuAddress(20, stored), outside);
            EXPECT_FALSE(stored);
        }
        kelt->LetzterFehlercode = storedCode;
        if (c.baud) {
            EXPECT_EQ(kelt->ReadBaudCode(code), 0);
            EXPECT_EQ(code, 3);
        } else {
            EXPECT_EQ(kelt->ReadBaudCode(code), outside);
            EXPECT_EQ(code, 99);
            kelt->LetzterFehlercode = storedCode;
            stored = true;
            EXPECT_EQ(kelt->WriteBaudCode(2, stored), outside);
            EXPECT_FALSE(stored);
        }
        std::vector<SimBytes> expected;
        if (c.address) expected.push_back(readOf(0xD0));
        if (c.baud) expected.push_back(readOf(0xAF));
        EXPECT_EQ(ecu->bodies(), expected);
    }
    const std::size_t refusals = (c.address ? 0 : 2) + (c.baud ? 0 : 2);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>(refusals, JED677_NEGATIVE_ANSWER));
}

INSTANTIATE_TEST_SUITE_P(Sets, Types,
                         ::testing::Values(TypeCase{"Kelt", 0x107800, true, true},
                                           TypeCase{"WithoutBaudRateId", 0x107001, true, false},
                                           TypeCase{"Foreign", 0x108000, false, false}),
                         [](const auto& info) { return info.param.name; });

class AddressAndBaudInDemo : public InDemoMode<KeltFixture> {
public:
    void TearDown() override {
        EXPECT_EQ(driverCalls, 0);
        InDemoMode::TearDown();
    }
};

TEST_F(AddressAndBaudInDemo, SampleValuesAndWritesThatSucceed) {
    ASSERT_TRUE(kelt->ConnectEcu().connected());
    kelt->DeriveEcuType();
    uint8_t address = 0, code = 0;
    bool stored = false;
    EXPECT_EQ(kelt->ReadEcuAddress(address), 0);
    EXPECT_EQ(address, 16);
    EXPECT_EQ(kelt->ReadBaudCode(code), 0);
    EXPECT_EQ(code, 3);
    EXPECT_EQ(kelt->WriteEcuAddress(20, stored), 0);
    EXPECT_TRUE(stored);
    stored = false;
    EXPECT_EQ(kelt->WriteBaudCode(1, stored), 0);
    EXPECT_TRUE(stored);
    EXPECT_TRUE(boxes.shown.empty());
}

// --- the window's rules ---------------------------------------------------------------------------------

TEST(TypedEcuAddress, DecimalFromOneTo128) {
    const struct {
        const char* text;
        std::optional<uint8_t> address;
    } cases[] = {
        {"1", 1}, {"128", 128}, {" 20\t", 20}, {"016", 16},
        {"0", std::nullopt}, {"129", std::nullopt}, {"12a", std::nullopt}, {"", std::nullopt},
        {"  ", std::nullopt}, {"-5", std::nullopt}, {"0x10", std::nullopt}, {"1 2", std::nullopt},
        {"99999999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseTypedEcuAddress(c.text), c.address) << '"' << c.text << '"';
}

TEST(BaudPreselection, ByTypeAndStoredCode) {
    const struct {
        uint32_t type;
        uint8_t code;
        bool group, lowest;
        std::optional<int> selected;
        bool invalid;
    } cases[] = {
        {0x107405, 0, true, true, 0, false},
        {0x107405, 2, true, true, 2, false},
        {0x107405, 3, true, true, 3, false},
        {0x107405, 7, true, true, std::nullopt, true},
        {0x107801, 0, true, false, 3, false},
        {0x107800, 0, true, false, 3, false},
        {0x107801, 1, true, false, 1, false},
        {0x107801, 4, true, false, std::nullopt, true},
        {0x107001, 7, false, true, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.type << " code " << int(c.code));
        const BaudPreselection p = baudPreselectionFor(c.type, c.code);
        EXPECT_EQ(p.groupEnabled, c.group);
        EXPECT_EQ(p.lowestEnabled, c.lowest);
        EXPECT_EQ(p.selected, c.selected);
        EXPECT_EQ(p.invalidCode, c.invalid);
    }
}

}  // namespace
