// The ECU's fault memory: decoding the status bytes, reading, the current fault, clearing and
// the new ECU session after it.
#include <functional>

#include "KeltTestSupport.h"

namespace {

struct Decoded {
    int32_t component, mode, number, status, counter;
    bool operator==(const Decoded&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Decoded& d) {
    return os << "(" << d.component << ", " << d.mode << ", " << d.number << ", status " << d.status
              << ", counter " << d.counter << ")";
}

std::vector<Decoded> decodedOf(const FaultEntryTable& entries, std::size_t count) {
    std::vector<Decoded> out;
    for (std::size_t i = 0; i < count; ++i) {
        const FehlerEintrag& e = entries[i];
        out.push_back({e.KomponentenCode, e.FehlerartCode, e.Nummer, e.Status, e.Zaehler});
    }
    return out;
}

// --- the decoding table ---------------------------------------------------------------------------

struct DecodeCase {
    std::string name;
    std::vector<std::pair<std::size_t, uint8_t>> bytes;  // status byte index, value
    std::vector<Decoded> entries;
};

class KeltDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(KeltDecoding, GivesTheEntries) {
    FaultStatusBytes status{};
    for (auto [i, v] : GetParam().bytes) status[i] = v;
    FaultEntryTable entries{};
    const std::size_t n = ApplyFaultTable(keltFaultDecodingTable(), status, entries);
    EXPECT_EQ(decodedOf(entries, n), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    StatusBytes, KeltDecoding,
    ::testing::Values(
        DecodeCase{"BitRowTwoBits", {{0, 0x05}}, {{10, 96, 3, 1, 1}, {10, 13, 1, 1, 1}}},
        DecodeCase{"BitRowHighBits", {{3, 0xC0}}, {{10, 99, 80, 1, 1}, {99, 45, 81, 1, 1}}},
        DecodeCase{"BitRowsOneAndTwo", {{1, 0x07}, {2, 0x02}},
                   {{51, 92, 50, 1, 1}, {50, 92, 51, 1, 1}, {52, 92, 52, 1, 1}, {50, 93, 61, 1, 1}}},
        DecodeCase{"BitWithoutEntryGivesComponent0", {{0, 0x10}}, {{0, 0, 0, 1, 1}}},
        DecodeCase{"StatusRowBothActive", {{17, 0xE3}}, {{51, 41, 20, 1, 3}, {51, 40, 10, 1, 3}}},
        DecodeCase{"StatusRowStoredA", {{4, 0x40}}, {{30, 20, 30, 0, 0}}},
        DecodeCase{"StatusRowLastOfRun", {{10, 0x9F}}, {{36, 21, 46, 0, 31}}},
        DecodeCase{"StatusRows13And14", {{13, 0x41}, {14, 0x82}}, {{37, 20, 39, 0, 1}, {38, 21, 71, 0, 2}}},
        DecodeCase{"StatusRow22", {{22, 0xA1}}, {{60, 41, 25, 1, 1}}},
        DecodeCase{"StatusRowWithoutSelection", {{17, 0x3F}}, {}},
        DecodeCase{"EmptyRows", {{11, 0xFF}, {12, 0xFF}, {15, 0xFF}, {16, 0xFF}, {23, 0xFF}, {39, 0xFF}}, {}},
        DecodeCase{"InByteOrder", {{20, 0x40}, {0, 0x01}, {5, 0x80}},
                   {{10, 96, 3, 1, 1}, {31, 21, 41, 0, 0}, {54, 40, 13, 0, 0}}}),
    [](const auto& info) { return info.param.name; });

TEST(KeltDecodingTable, EveryBitSetGivesTheWholeTable) {
    FaultStatusBytes status;
    status.fill(0xFF);
    FaultEntryTable entries{};
    // Four bit rows of eight bits, fifteen status rows of two entries.
    EXPECT_EQ(ApplyFaultTable(keltFaultDecodingTable(), status, entries), 4u * 8u + 15u * 2u);
}

TEST(FaultTableHelpers, NeverMoreThanTheTableHolds) {
    FaultDecodingTable table;
    ClearFaultTable(table);
    for (uint8_t row = 0; row < kFaultStatusBytes; ++row) {
        std::array<FaultTriple, 8> bits;
        for (uint8_t b = 0; b < 8; ++b) bits[b] = {row, b, static_cast<uint8_t>(row * 8 + b)};
        SetBitRow(table, row, bits);
    }
    SetBitRow(table, kFaultStatusBytes, {});  // outside: ignored
    FaultStatusBytes status;
    status.fill(0xFF);
    FaultEntryTable entries{};
    EXPECT_EQ(ApplyFaultTable(table, status, entries), kFaultTableSize);
    EXPECT_EQ(entries[99].Nummer, 99);
    EXPECT_EQ(entries[99].KomponentenCode, 12);
}

TEST(FaultTableHelpers, OnlyTheDecodedFieldsAreWritten) {
    FaultDecodingTable table;
    ClearFaultTable(table);
    SetStatusRow(table, 0, {1, 2, 3}, {4, 5, 6});
    FaultStatusBytes status{};
    status[0] = 0x62;
    FaultEntryTable entries{};
    entries[0].Timer = 7;
    entries[0].ZaehlerArt = 2;
    entries[0].Prioritaet = 9;
    entries[0].KomponentenName = "kept";
    ASSERT_EQ(ApplyFaultTable(table, status, entries), 1u);
    EXPECT_EQ(entries[0].KomponentenCode, 1);
    EXPECT_EQ(entries[0].Prioritaet, 0);
    EXPECT_EQ(entries[0].Timer, 7);
    EXPECT_EQ(entries[0].ZaehlerArt, 2);
    EXPECT_EQ(entries[0].KomponentenName, "kept");
}

TEST(FaultTableHelpers, WantedBitValue) {
    FaultDecodingTable table;
    ClearFaultTable(table);
    SetBitRow(table, 0, {{{1, 1, 1}, {2, 2, 2}}});
    FaultStatusBytes status{};
    status[0] = 0xFE;
    FaultEntryTable entries{};
    EXPECT_EQ(ApplyFaultTable(table, status, entries, 0), 1u);
    EXPECT_EQ(entries[0].KomponentenCode, 1);
}

// --- the ECU operations ---------------------------------------------------------------------------

class FaultMemory : public KeltFixture {
protected:
    void SetUp() override {
        KeltFixture::SetUp();
        connectTo({0x10, 0x74, 0x06, 0x00});
    }
};

TEST_F(FaultMemory, ReadDecodesTheEcuReply) {
    ecu->setFaultStatus(0, 0x05);
    ecu->setFaultStatus(17, 0xE3);
    FaultEntryTable entries{};
    for (FehlerEintrag& e : entries) e.KomponentenCode = 77;
    EXPECT_EQ(kelt->ReadFaultMemory(entries), 0);
    EXPECT_EQ(decodedOf(entries, 5),
              (std::vector<Decoded>{{10, 96, 3, 1, 1}, {10, 13, 1, 1, 1}, {51, 41, 20, 1, 3},
                                    {51, 40, 10, 1, 3}, {77, 0, 0, 0, 255}}));
    EXPECT_EQ(entries[99].Zaehler, 255);
    EXPECT_EQ(ecu->bodies(), std::vector<SimBytes>{{0x11}});
    EXPECT_EQ(cursor.pushes, 1);
}

TEST_F(FaultMemory, OtherEcuTypesDecodeNothing) {
    kelt->EcuTyp = 0x101001;
    FaultStatusBytes status;
    status.fill(0xFF);
    FaultEntryTable entries{};
    kelt->DecodeFaultMemory(status, entries);
    EXPECT_EQ(entries[0].Status, 0);
    EXPECT_EQ(entries[0].KomponentenCode, 0);
}

struct ReadFailure {
    std::string name;
    std::function<void(KeltFixture&)> arrange;
    int32_t code;
    bool sent;
};

class FaultReadFailures : public FaultMemory, public ::testing::WithParamInterface<ReadFailure> {};

TEST_P(FaultReadFailures, ReportAndLeaveNoFaults) {
    GetParam().arrange(*this);
    ecu->setFaultStatus(0, 0x05);
    errors.script(GiveUp);
    FaultEntryTable entries{};
    entries[0].Status = 1;
    EXPECT_EQ(kelt->ReadFaultMemory(entries), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{GetParam().code});
    EXPECT_EQ(entries[0].Status, 0);
    EXPECT_EQ(entries[0].Zaehler, 255);
    EXPECT_EQ(ecu->count({0x11}), GetParam().sent ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FaultReadFailures,
    ::testing::Values(
        // 39 status bytes would otherwise read as "no faults" in the last one.
        ReadFailure{"ShortReply", [](KeltFixture& f) { f.ecu->injectShortReply({0x11}, 41); },
                    DIAG_ERR_BAD_REPLY, true},
        ReadFailure{"Refused", [](KeltFixture& f) { f.ecu->injectNegative({0x11}); },
                    JED677_NEGATIVE_ANSWER, true},
        ReadFailure{"Undervoltage", [](KeltFixture& f) { f.ecu->injectUndervoltage({0x11}); },
                    KELT_ERR_UNDERVOLTAGE, true},
        ReadFailure{"OtherEcuType", [](KeltFixture& f) { f.useType(0x107500); },
                    KELT_ERR_NOT_SUPPORTED, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(FaultMemory, CurrentFaultIsTheFirstActiveEntry) {
    ecu->setFaultStatus(4, 0x40);   // stored
    ecu->setFaultStatus(17, 0xA3);  // active: B entry 51 / 41
    EXPECT_EQ(kelt->UpdateCurrentFault(), 0);
    EXPECT_EQ(kelt->CurrentComponent, 51);
    EXPECT_EQ(kelt->CurrentMode, 41);
    ecu->setFaultStatus(17, 0x00);
    EXPECT_EQ(kelt->UpdateCurrentFault(), 0);
    EXPECT_EQ(kelt->CurrentComponent, KELTInterface::kNoCurrentComponent);
    EXPECT_EQ(kelt->CurrentMode, 0);
}

TEST_F(FaultMemory, CurrentFaultAfterAFailedRead) {
    for (int answer : {RepeatOperation, GiveUp}) {
        kelt->CurrentComponent = 50;
        ecu->injectNegative({0x11});
        errors.script(answer);
        EXPECT_EQ(kelt->UpdateCurrentFault(), answer);
        EXPECT_EQ(kelt->CurrentComponent, KELTInterface::kNoCurrentComponent);
    }
}

TEST_F(FaultMemory, OtherTypesSendNothing) {
    useType(0x107500);
    errors.script(GiveUp);
    errors.script(GiveUp);
    EXPECT_EQ(kelt->UpdateCurrentFault(), GiveUp);
    EXPECT_EQ(kelt->ClearFaultMemory(), GiveUp);
    EXPECT_EQ(errors.shownCodes(),
              (std::vector<int32_t>{KELT_ERR_NOT_SUPPORTED, KELT_ERR_NOT_SUPPORTED}));
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_TRUE(waitDialog.waits.empty());
}

TEST_F(FaultMemory, ClearRestartsTheSession) {
    ecu->setFaultStatus(17, 0xE3);
    EXPECT_EQ(kelt->ClearFaultMemory(), 0);
    EXPECT_EQ(ecu->faultStatus(), (std::array<uint8_t, 40>{}));
    EXPECT_EQ(ecu->bodies(), (std::vector<SimBytes>{{0x10}, {0x11}, {0x0F}, {0x02}, {0x08}, {0x11}}));
    EXPECT_EQ(waitDialog.waits, std::vector<int32_t>{KELTInterface::kRestartWaitMs});
    EXPECT_EQ(opener.calls, 1);
    EXPECT_EQ(jed.count("JED677OpenDiagDriver"), 1);
    EXPECT_EQ(jed.count("JED677CloseDiagDriver"), 1);
    EXPECT_EQ(kelt->KommunikationGestartet, 1);
    EXPECT_EQ(kelt->CurrentComponent, KELTInterface::kNoCurrentComponent);
    EXPECT_TRUE(errors.shownCodes().empty());
}

TEST_F(FaultMemory, RefusedClearDoesNotRestart) {
    ecu->injectNegative({0x10});
    errors.script(RepeatOperation);
    EXPECT_EQ(kelt->ClearFaultMemory(), RepeatOperation);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{JED677_NEGATIVE_ANSWER});
    EXPECT_TRUE(waitDialog.waits.empty());
    EXPECT_EQ(ecu->count({0x0F}), 0);
}

// Each failure point of the restart: exactly one dialog, and its answer back.
struct RestartCase {
    std::string name;
    std::function<void(KeltFixture&)> arrange;
    int32_t code;    // the code shown; 0: none shown
    bool waited;
    int opened;      // calls of the opener
    bool connected;  // KommunikationGestartet afterwards, unless a repeat reconnected
};

class RestartFailures : public FaultMemory,
                        public ::testing::WithParamInterface<std::tuple<RestartCase, int>> {};

TEST_P(RestartFailures, ShownOnceWithTheAnswerBack) {
    const auto& [c, answer] = GetParam();
    c.arrange(*this);
    if (c.code != 0) errors.script(answer);
    // A repeat of a failed reconnection tries again, and then connects.
    const bool reconnects = answer == RepeatOperation && c.opened == 1 && c.name != "FinalRead";
    const int expected = c.code == 0 ? GiveUp : (reconnects ? 0 : answer);

    EXPECT_EQ(kelt->RestartEcuSession(), expected);
    if (c.code != 0)
        EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{c.code});
    else
        EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_EQ(waitDialog.waits.size(), c.waited ? 1u : 0u);
    EXPECT_EQ(opener.calls, c.opened);
    EXPECT_EQ(kelt->KommunikationGestartet, reconnects || c.connected ? 1 : 0);
}

const RestartCase kRestartFailures[] = {
    {"CurrentFault", [](KeltFixture& f) { f.ecu->injectNegative({0x11}); },
     JED677_NEGATIVE_ANSWER, false, 0, true},
    {"Disconnect", [](KeltFixture& f) { f.jed.fail("JED677CloseDiagDriver", DIAG_ERR_CHECKSUM); },
     DIAG_ERR_CHECKSUM, false, 0, false},
    {"Config", [](KeltFixture& f) { f.jed.fail("JED677Config", 0x2002000C); }, 0x2002000C, true, 1,
     false},
    // A failed start of communication is not lost: it is shown through the retry dialog.
    {"StartCommunication",
     [](KeltFixture& f) { f.jed.fail("JED677StartCommunication", 0x20020011); }, 0x20020011, true,
     1, false},
    {"Ident", [](KeltFixture& f) { f.jed.fail("JED677Ident", 0x2002000D); }, 0x2002000D, true, 1,
     false},
    {"FinalRead",
     [](KeltFixture& f) {
         f.ecu->injectShortReply({0x11}, 255);  // cuts nothing: the first read passes
         f.ecu->injectUndervoltage({0x11});
     },
     KELT_ERR_UNDERVOLTAGE, true, 1, true},
};

INSTANTIATE_TEST_SUITE_P(Points, RestartFailures, withEachAnswer(kRestartFailures),
                         pointAndAnswerName());

TEST_F(FaultMemory, RestartEndsWhenTheInterfaceIsNotOpenedAgain) {
    opener.results.push_back(false);
    const int configs = jed.count("JED677Config");
    EXPECT_EQ(kelt->RestartEcuSession(), GiveUp);
    EXPECT_TRUE(errors.shownCodes().empty()) << "the port selection has asked the user";
    EXPECT_EQ(jed.count("JED677Config"), configs);
}

TEST_F(FaultMemory, RestartWithoutItsWindowsIsAProgrammingError) {
    kelt->setWaitDialog(nullptr);
    EXPECT_THROW(kelt->RestartEcuSession(), std::logic_error);
}

}  // namespace
