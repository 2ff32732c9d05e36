// One request and its reply, and the local-identifier reads and writes built on it.
#include <functional>

#include "KeltTestSupport.h"

namespace {

class Requests : public KeltFixture {
protected:
    void SetUp() override {
        KeltFixture::SetUp();
        connectTo({0x10, 0x78, 0x01, 0x00});
    }
};

struct ReplyCase {
    std::string name;
    std::function<void(KeltFixture&)> arrange;
    int32_t code;
};

class Replies : public Requests, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(Replies, GiveTheirStatus) {
    GetParam().arrange(*this);
    EcuMessage m = EcuMessage::request({0x48});
    EXPECT_EQ(kelt->SendRequest(m), GetParam().code);
    EXPECT_EQ(kelt->LetzterFehlercode, GetParam().code);
    EXPECT_TRUE(errors.shownCodes().empty()) << "the caller reports";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Replies,
    ::testing::Values(
        ReplyCase{"Positive", [](KeltFixture&) {}, 0},
        ReplyCase{"OneByteNegative", [](KeltFixture& f) { f.ecu->injectNegative(); },
                  JED677_NEGATIVE_ANSWER},
        ReplyCase{"Undervoltage", [](KeltFixture& f) { f.ecu->injectUndervoltage(); },
                  KELT_ERR_UNDERVOLTAGE},
        ReplyCase{"HeaderNegative", [](KeltFixture& f) { f.ecu->injectNegativeCode({}, 0x22); },
                  JED677_NEGATIVE_ANSWER},
        ReplyCase{"LongerHeaderNegative",
                  [](KeltFixture& f) { f.ecu->injectReply({}, {0x83, 0x05, 0x02, 0x00}); },
                  JED677_NEGATIVE_ANSWER},
        ReplyCase{"DriverError",
                  [](KeltFixture& f) { f.jed.fail("JED677SendData", DIAG_ERR_CHECKSUM); },
                  DIAG_ERR_CHECKSUM},
        ReplyCase{"Silence", [](KeltFixture& f) { f.ecu->injectSilence(); },
                  FakeJed677::kEcuSilent}),
    [](const auto& info) { return info.param.name; });

TEST_F(Requests, OnlyTheAnnouncedBytesReachTheEcuAndTheReplyComesBack) {
    EcuMessage m = EcuMessage::request({0x48});
    EXPECT_EQ(m.length, 2);
    EXPECT_EQ(m[1], 0x80);
    ASSERT_EQ(kelt->SendRequest(m), 0);
    EXPECT_EQ(ecu->messages(), std::vector<SimBytes>{{0x48}});
    EXPECT_EQ(m.length, 4);
    EXPECT_EQ(m[2], 180);
}

TEST_F(Requests, RequestLocalIdLeavesTheReply) {
    EcuMessage m;
    ASSERT_EQ(kelt->RequestLocalId(m, 0xD2), 0);
    EXPECT_EQ(ecu->messages(), (std::vector<SimBytes>{{0x82, 0x14, 0xD2}}));
    EXPECT_EQ(m.length, 4);
    EXPECT_EQ(m[2], 11);
    EXPECT_EQ(m[3], 16);
}

TEST_F(Requests, ReadLocalIdAppendsRecordsAtTheRunningPosition) {
    std::array<uint8_t, 6> block{};
    uint16_t position = 0;
    ASSERT_EQ(kelt->ReadLocalId(0xD1, position, block), 0);
    ASSERT_EQ(kelt->ReadLocalId(0xD2, position, block), 0);
    EXPECT_EQ(position, 4);
    EXPECT_EQ(block, (std::array<uint8_t, 6>{2, 4, 11, 16, 0, 0}));
}

TEST_F(Requests, ReadLocalIdOfAnEmptyRecordAppendsNothing) {
    ecu->injectShortReply({0x14, 0xD1}, 2);
    std::array<uint8_t, 4> block{9, 9, 9, 9};
    uint16_t position = 1;
    EXPECT_EQ(kelt->ReadLocalId(0xD1, position, block), 0);
    EXPECT_EQ(position, 1);
    EXPECT_EQ(block, (std::array<uint8_t, 4>{9, 9, 9, 9}));
}

struct ReadFailure {
    std::string name;
    std::function<void(KeltFixture&)> arrange;
    std::size_t room;
    uint16_t position;
    int32_t code;
};

class ReadLocalIdFailures : public Requests, public ::testing::WithParamInterface<ReadFailure> {};

TEST_P(ReadLocalIdFailures, CopyNothing) {
    const ReadFailure& c = GetParam();
    c.arrange(*this);
    std::vector<uint8_t> block(c.room, 0xEE);
    uint16_t position = c.position;
    EXPECT_EQ(kelt->ReadLocalId(0xD1, position, block), c.code);
    EXPECT_EQ(kelt->LetzterFehlercode, c.code);
    EXPECT_EQ(position, c.position);
    EXPECT_EQ(block, std::vector<uint8_t>(c.room, 0xEE));
    EXPECT_TRUE(errors.shownCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadLocalIdFailures,
    ::testing::Values(
        ReadFailure{"RecordBeyondTheDestination", [](KeltFixture&) {}, 3, 2,
                    DIAG_ERR_BUFFER_TOO_SMALL},
        ReadFailure{"PositionBeyondTheDestination", [](KeltFixture&) {}, 3, 5,
                    DIAG_ERR_BUFFER_TOO_SMALL},
        ReadFailure{"ReplyWithoutServiceByte",
                    [](KeltFixture& f) { f.ecu->injectShortReply({0x14}, 1); }, 8, 0,
                    DIAG_ERR_BAD_REPLY},
        ReadFailure{"Refused", [](KeltFixture& f) { f.ecu->removeLocalId(0xD1); }, 8, 0,
                    JED677_NEGATIVE_ANSWER},
        ReadFailure{"Undervoltage", [](KeltFixture& f) { f.ecu->injectUndervoltage(); }, 8, 0,
                    KELT_ERR_UNDERVOLTAGE}),
    [](const auto& info) { return info.param.name; });

struct RecordCase {
    std::string name;
    std::function<void(KeltFixture&)> arrange;
    int32_t code;
};

class LocalIdRecords : public Requests, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(LocalIdRecords, CarryExactlyTwoDataBytes) {
    GetParam().arrange(*this);
    LocalIdRecord record{0xEE, 0xEE};
    EXPECT_EQ(kelt->ReadLocalIdRecord(0xD2, record), GetParam().code);
    EXPECT_EQ(kelt->LetzterFehlercode, GetParam().code);
    const LocalIdRecord expected = GetParam().code == 0 ? LocalIdRecord{11, 16} : LocalIdRecord{0xEE, 0xEE};
    EXPECT_EQ(record, expected);
    EXPECT_EQ(ecu->messages(), (std::vector<SimBytes>{{0x82, 0x14, 0xD2}}));
    EXPECT_TRUE(errors.shownCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, LocalIdRecords,
    ::testing::Values(
        RecordCase{"TwoBytes", [](KeltFixture&) {}, 0},
        RecordCase{"OneByte", [](KeltFixture& f) { f.ecu->injectShortReply({0x14}, 3); },
                   DIAG_ERR_BAD_REPLY},
        RecordCase{"NoByte", [](KeltFixture& f) { f.ecu->injectShortReply({0x14}, 2); },
                   DIAG_ERR_BAD_REPLY},
        RecordCase{"ThreeBytes",
                   [](KeltFixture& f) { f.ecu->injectReply({0x14}, {0x84, 0x54, 11, 16, 0}); },
                   DIAG_ERR_BAD_REPLY},
        // Byte 1 is the ECU's own: 0x54, the service echoed, or another.
        RecordCase{"ServiceEchoed", [](KeltFixture& f) { f.ecu->setReplyServiceByte(0x14, 0x14); },
                   0},
        RecordCase{"AnotherServiceByte",
                   [](KeltFixture& f) { f.ecu->injectReply({0x14}, {0x83, 0x53, 11, 16}); }, 0},
        // Refusals stay refusals, also one as long as a record.
        RecordCase{"Negative", [](KeltFixture& f) { f.ecu->injectNegative(); },
                   JED677_NEGATIVE_ANSWER},
        RecordCase{"NegativeAsLongAsARecord",
                   [](KeltFixture& f) { f.ecu->injectReply({0x14}, {0x83, 0x05, 0x12, 0x00}); },
                   JED677_NEGATIVE_ANSWER},
        RecordCase{"Undervoltage", [](KeltFixture& f) { f.ecu->injectUndervoltage(); },
                   KELT_ERR_UNDERVOLTAGE}),
    [](const auto& info) { return info.param.name; });

TEST_F(Requests, WriteLocalIdRecordSendsBothBytes) {
    ASSERT_EQ(kelt->WriteLocalIdRecord(0xD0, {0x39, 0x14}), 0);
    EXPECT_EQ(ecu->messages(), (std::vector<SimBytes>{{0x84, 0x13, 0xD0, 0x39, 0x14}}));
}

TEST_F(Requests, WriteLocalIdSendsTheNextBytesOfTheSource) {
    const std::array<uint8_t, 5> source{1, 2, 3, 4, 5};
    uint16_t position = 0;
    ASSERT_EQ(kelt->WriteLocalId(0xD1, 2, position, source), 0);
    ASSERT_EQ(kelt->WriteLocalId(0xD2, 2, position, source), 0);
    EXPECT_EQ(position, 4);
    EXPECT_EQ(ecu->messages(), (std::vector<SimBytes>{{0x84, 0x13, 0xD1, 1, 2},
                                                      {0x84, 0x13, 0xD2, 3, 4}}));
    EXPECT_EQ(ecu->localId(0xD2), (SimBytes{3, 4}));
    // The header counts what is sent, whatever the count (the ECU refuses three bytes).
    position = 2;
    kelt->WriteLocalId(0xE0, 3, position, source);
    EXPECT_EQ(ecu->messages().back(), (SimBytes{0x85, 0x13, 0xE0, 3, 4, 5}));
}

TEST_F(Requests, WriteLocalIdBeyondTheSourceSendsNothing) {
    const std::array<uint8_t, 5> source{1, 2, 3, 4, 5};
    uint16_t position = 4;
    EXPECT_EQ(kelt->WriteLocalId(0xD1, 2, position, source), DIAG_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(position, 4);
    std::vector<uint8_t> big(200, 1);
    position = 0;
    EXPECT_EQ(kelt->WriteLocalId(0xD1, 130, position, big), DIAG_ERR_REQUEST_TOO_LONG);
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_EQ(kelt->LetzterFehlercode, DIAG_ERR_REQUEST_TOO_LONG);
}

TEST_F(Requests, WriteLocalIdReportsARefusal) {
    ecu->injectNegative({0x13});
    const std::array<uint8_t, 2> source{7, 8};
    uint16_t position = 0;
    EXPECT_EQ(kelt->WriteLocalId(0xD0, 2, position, source), JED677_NEGATIVE_ANSWER);
}

}  // namespace
