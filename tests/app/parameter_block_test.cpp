// The parameter block through the ECU layer: reads by ECU type, the write with its check byte and
// read-back, and every way they can fail.
#include <functional>
#include <numeric>

#include "KeltTestSupport.h"
#include "ParameterBlock.h"
#include "StringTable.h"

namespace {

constexpr std::array<uint8_t, 4> k20Ids = {0x10, 0x70, 0x01, 0x00};
constexpr std::array<uint8_t, 4> k28Ids = {0x10, 0x78, 0x01, 0x00};
constexpr std::array<uint8_t, 4> k31Ids = {0x10, 0x74, 0x20, 0x00};

SimBytes readRequests(uint8_t first, uint8_t last) {
    SimBytes ids;
    for (unsigned id = first; id <= last; ++id) ids.push_back(static_cast<uint8_t>(id));
    return ids;
}

// The ECU's block with every byte changed.
SimBytes edited(const SimBytes& block) {
    SimBytes changed = block;
    for (std::size_t i = 0; i < changed.size(); ++i) changed[i] = static_cast<uint8_t>(changed[i] + 7 + i);
    return changed;
}

class ParameterBlock : public KeltFixture {
protected:
    int read(uint16_t& count, std::span<uint8_t> buffer) { return kelt->ReadParameters(count, buffer); }
    int write(const SimBytes& block) {
        return kelt->WriteParameters(static_cast<uint16_t>(block.size()), block);
    }
    bool notStoredShown() const {
        for (const ShownBox& b : boxes.shown)
            if (b.text == LoadStr(20101) && b.flags == (MB_ICONWARNING | MB_OK)) return true;
        return false;
    }
    // Local ids the layer wrote, in order.
    std::vector<uint8_t> writtenIds() const {
        std::vector<uint8_t> ids;
        for (const SimBytes& body : ecu->bodies())
            if (body.size() >= 2 && body[0] == 0x13) ids.push_back(body[1]);
        return ids;
    }
};

// --- reading ------------------------------------------------------------------------------------

struct TypeCase {
    std::string name;
    std::array<uint8_t, 4> identifier;
    uint8_t lastId;
};

class ParameterBlockTypes : public ParameterBlock, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(ParameterBlockTypes, ReadAskForTheTypesIdsInOrder) {
    connectTo(GetParam().identifier);
    std::vector<uint8_t> buffer(kParameterBufferSize, 0xEE);
    uint16_t count = 0;
    ASSERT_EQ(read(count, buffer), 0);
    const SimBytes block = ecu->parameterBlock();
    ASSERT_EQ(count, block.size());
    EXPECT_EQ(count, 2 * (GetParam().lastId - 0xD0));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), buffer.begin()));
    EXPECT_EQ(buffer[count], 0xEE) << "nothing written behind the block";
    std::vector<SimBytes> expected;
    for (uint8_t id : readRequests(0xD1, GetParam().lastId)) expected.push_back({0x14, id});
    EXPECT_EQ(ecu->bodies(), expected);
    EXPECT_TRUE(errors.shownCodes().empty());
}

TEST_P(ParameterBlockTypes, WriteStoresTheBlockAndAFittingCheckByte) {
    connectTo(GetParam().identifier);
    const SimBytes block = edited(ecu->parameterBlock());
    EXPECT_EQ(write(block), 0);
    EXPECT_EQ(ecu->parameterBlock(), block);
    EXPECT_TRUE(ecu->checkByteFits());
    EXPECT_EQ(ecu->address(), 16) << "byte 1 of 0xD0 written back unchanged";
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_TRUE(boxes.shown.empty());

    // The check byte's record read before the first write; only the type's ids, then the check
    // byte; read back the block and the check byte.
    SimBytes ids = readRequests(0xD1, GetParam().lastId);
    ids.push_back(0xD0);
    EXPECT_EQ(writtenIds(), std::vector<uint8_t>(ids.begin(), ids.end()));
    const std::vector<SimBytes> bodies = ecu->bodies();
    const std::size_t n = GetParam().lastId - 0xD0;
    ASSERT_EQ(bodies.size(), 1 + n + 1 + n + 1);
    EXPECT_EQ(bodies[0], (SimBytes{0x14, 0xD0}));
    EXPECT_EQ(bodies[1][0], 0x13);
    EXPECT_EQ(bodies[n + 1][0], 0x13);
    EXPECT_EQ(bodies[n + 2], (SimBytes{0x14, 0xD1}));
    EXPECT_EQ(bodies.back(), (SimBytes{0x14, 0xD0}));
}

INSTANTIATE_TEST_SUITE_P(Types, ParameterBlockTypes,
                         ::testing::Values(TypeCase{"TwentyIds", k20Ids, 0xE4},
                                           TypeCase{"TwentyTwoIds", {0x10, 0x74, 0x05, 0x00}, 0xE6},
                                           TypeCase{"TwentyEightIds", k28Ids, 0xEC},
                                           TypeCase{"ThirtyOneIds", k31Ids, 0xEF}),
                         [](const auto& info) { return info.param.name; });

TEST(ParameterIds, EveryStandardTypeHasABlockAndNoOtherDoes) {
    for (uint32_t type : kStandardEcuTypes) {
        EXPECT_GE(parameterIdCount(type), 20u) << std::hex << type;
        EXPECT_LE(parameterIdCount(type), 31u) << std::hex << type;
    }
    EXPECT_EQ(parameterIdCount(0x107102), 23u);
    EXPECT_EQ(parameterIdCount(0x107406), 24u);
    EXPECT_EQ(parameterIdCount(0x107002), 21u);
    EXPECT_EQ(parameterIdCount(0x107900), 0u);
}

struct CheckByteCase {
    std::string name;
    std::vector<uint8_t> block;
    uint8_t byte1;
    uint8_t check;
};

class CheckBytes : public ::testing::TestWithParam<CheckByteCase> {};

TEST_P(CheckBytes, AreOnePlusTheSumAndByte1) {
    EXPECT_EQ(parameterCheckByte(GetParam().block, GetParam().byte1), GetParam().check);
}

INSTANTIATE_TEST_SUITE_P(Blocks, CheckBytes,
                         ::testing::Values(CheckByteCase{"OneTwoThree", {1, 2, 3}, 16, 23},
                                           CheckByteCase{"Empty", {}, 0, 1},
                                           CheckByteCase{"Wraps", {255, 255}, 0, 255},
                                           CheckByteCase{"WrapsToZero", {200, 50}, 5, 0}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ParameterBlock, TheCheckByteWrittenForOneTwoThreeIs23) {
    connectTo(k20Ids);
    SimBytes block(40, 0);
    block[0] = 1;
    block[1] = 2;
    block[2] = 3;
    ASSERT_EQ(write(block), 0);
    EXPECT_EQ(ecu->localId(0xD0), (SimBytes{23, 16}));
}

struct ReadFailureCase {
    std::string name;
    std::function<void(ParameterBlock&)> arrange;
    std::size_t room;
    int32_t code;
    std::size_t requests;
    uint16_t count;
};

class ParameterReadFailures : public ParameterBlock,
                              public ::testing::WithParamInterface<std::tuple<ReadFailureCase, int>> {};

TEST_P(ParameterReadFailures, ShowOneDialogAndAnswerIt) {
    const auto& [c, answer] = GetParam();
    connectTo(k28Ids);
    c.arrange(*this);
    errors.script(answer);
    std::vector<uint8_t> buffer(c.room);
    uint16_t count = 99;
    EXPECT_EQ(read(count, buffer), answer);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{c.code});
    EXPECT_EQ(ecu->messages().size(), c.requests);
    EXPECT_EQ(count, c.count);
}

const ReadFailureCase kReadFailures[] = {
    {"ShortReplyMidway", [](ParameterBlock& f) { f.ecu->injectShortReply({0x14, 0xD5}, 3); },
     kParameterBufferSize, DIAG_ERR_BAD_REPLY, 5, 8},
    {"LongReply",
     [](ParameterBlock& f) { f.ecu->injectReply({0x14, 0xD2}, {0x84, 0x54, 1, 2, 3}); },
     kParameterBufferSize, DIAG_ERR_BAD_REPLY, 2, 2},
    {"Undervoltage", [](ParameterBlock& f) { f.ecu->injectUndervoltage({0x14, 0xD3}); },
     kParameterBufferSize, KELT_ERR_UNDERVOLTAGE, 3, 4},
    {"Silence", [](ParameterBlock& f) { f.ecu->injectSilence({0x14, 0xEC}); },
     kParameterBufferSize, FakeJed677::kEcuSilent, 28, 54},
    {"BufferTooSmall", [](ParameterBlock&) {}, 55, DIAG_ERR_BUFFER_TOO_SMALL, 0, 0},
    {"TypeOutsideTheSet", [](ParameterBlock& f) { f.useType(0x107900); }, kParameterBufferSize,
     KELT_ERR_NOT_SUPPORTED, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Points, ParameterReadFailures, withEachAnswer(kReadFailures),
                         pointAndAnswerName());

// --- writing ------------------------------------------------------------------------------------

struct WriteFailureCase {
    std::string name;
    std::function<void(ParameterBlock&)> arrange;
    int32_t code;
    SimBytes lastBody;  // the failing request: nothing is sent after it
};

class ParameterWriteFailures
    : public ParameterBlock, public ::testing::WithParamInterface<std::tuple<WriteFailureCase, int>> {};

TEST_P(ParameterWriteFailures, ShowOneDialogAndSendNothingAfterIt) {
    const auto& [c, answer] = GetParam();
    connectTo(k28Ids);
    const SimBytes block = edited(ecu->parameterBlock());
    c.arrange(*this);
    errors.script(answer);
    EXPECT_EQ(write(block), answer);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{c.code});
    ASSERT_FALSE(ecu->bodies().empty());
    const SimBytes last = ecu->bodies().back();
    EXPECT_TRUE(std::equal(c.lastBody.begin(), c.lastBody.end(), last.begin())) << int(last[1]);
    EXPECT_FALSE(notStoredShown());
}

const WriteFailureCase kWriteFailures[] = {
    {"WriteRefusedMidway", [](ParameterBlock& f) { f.ecu->injectNegative({0x13, 0xD9}); },
     JED677_NEGATIVE_ANSWER, {0x13, 0xD9}},
    {"UndervoltageMidway", [](ParameterBlock& f) { f.ecu->injectUndervoltage({0x13, 0xE0}); },
     KELT_ERR_UNDERVOLTAGE, {0x13, 0xE0}},
    {"LastIdSilent", [](ParameterBlock& f) { f.ecu->injectSilence({0x13, 0xEC}); },
     FakeJed677::kEcuSilent, {0x13, 0xEC}},
    // 0xD0 is never written from a short read.
    {"CheckIdShort", [](ParameterBlock& f) { f.ecu->injectShortReply({0x14, 0xD0}, 3); },
     DIAG_ERR_BAD_REPLY, {0x14, 0xD0}},
    {"CheckIdRefused", [](ParameterBlock& f) { f.ecu->injectNegative({0x14, 0xD0}); },
     JED677_NEGATIVE_ANSWER, {0x14, 0xD0}},
    {"CheckByteWriteRefused", [](ParameterBlock& f) { f.ecu->injectNegative({0x13, 0xD0}); },
     JED677_NEGATIVE_ANSWER, {0x13, 0xD0}},
};

INSTANTIATE_TEST_SUITE_P(Points, ParameterWriteFailures, withEachAnswer(kWriteFailures),
                         pointAndAnswerName());

struct RefusalCase {
    std::string name;
    uint32_t type;
    std::size_t count;
    std::size_t room;
    int32_t code;
};

class ParameterWriteRefusals : public ParameterBlock,
                               public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ParameterWriteRefusals, SendNothing) {
    const RefusalCase& c = GetParam();
    useType(c.type);
    const SimBytes block(c.room, 1);
    errors.script(GiveUp);
    EXPECT_EQ(kelt->WriteParameters(static_cast<uint16_t>(c.count), block), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{c.code});
    EXPECT_TRUE(ecu->messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParameterWriteRefusals,
    ::testing::Values(
        RefusalCase{"TypeOutsideTheSet", 0x107900, 56, 56, KELT_ERR_NOT_SUPPORTED},
        // The original wrote 0xD1..0xEF whatever the type: a 62-byte block for a 28-id type.
        RefusalCase{"LongerThanTheTypesBlock", 0x107801, 62, 62, DIAG_ERR_REQUEST_TOO_LONG},
        RefusalCase{"ShorterThanTheTypesBlock", 0x107801, 54, 54, DIAG_ERR_REQUEST_TOO_LONG},
        RefusalCase{"CountBeyondTheBuffer", 0x107801, 56, 40, DIAG_ERR_REQUEST_TOO_LONG}),
    [](const auto& info) { return info.param.name; });

struct ReadBackCase {
    std::string name;
    std::function<void(ParameterBlock&)> arrange;
};

class ParameterReadBacks : public ParameterBlock, public ::testing::WithParamInterface<ReadBackCase> {};

TEST_P(ParameterReadBacks, ThatDifferShowNotStoredAndGiveUp) {
    connectTo(k28Ids);
    const SimBytes block = edited(ecu->parameterBlock());
    GetParam().arrange(*this);
    EXPECT_EQ(write(block), GiveUp);
    EXPECT_TRUE(notStoredShown());
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, attr.Anwendungstitel);
    EXPECT_TRUE(errors.shownCodes().empty()) << "no error dialog besides the message";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParameterReadBacks,
    ::testing::Values(
        ReadBackCase{"CorruptedByte",
                     [](ParameterBlock& f) { f.ecu->injectReply({0x14, 0xD7}, {0x83, 0x54, 0, 0}); }},
        ReadBackCase{"WriteNotStored", [](ParameterBlock& f) { f.ecu->setIgnoresWrites(0xE2); }},
        ReadBackCase{"CheckByteNotStored", [](ParameterBlock& f) { f.ecu->setIgnoresWrites(0xD0); }}),
    [](const auto& info) { return info.param.name; });

TEST_F(ParameterBlock, AFailedReadBackIsShownOnceAndRepeatedOnOne) {
    connectTo(k28Ids);
    const SimBytes block = edited(ecu->parameterBlock());
    ecu->injectSilence({0x14, 0xD4});
    errors.script(RepeatOperation);
    EXPECT_EQ(write(block), 0);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{FakeJed677::kEcuSilent});
    EXPECT_EQ(ecu->count({0x14, 0xD1}), 2) << "read back again from the start";
    EXPECT_EQ(ecu->count({0x13}), 29) << "written once";
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ParameterBlock, AReadBackGivenUpCountsAsNotStored) {
    connectTo(k28Ids);
    const SimBytes block = edited(ecu->parameterBlock());
    // The block itself is stored; only its read-back stops short.
    ecu->injectShortReply({0x14, 0xD1}, 3);
    errors.script(GiveUp);
    EXPECT_EQ(write(block), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_BAD_REPLY});
    EXPECT_TRUE(notStoredShown());
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(ecu->count({0x14, 0xD1}), 1) << "not read back again";
}

// --- the editor's callbacks and demo mode -----------------------------------------------------

TEST_F(ParameterBlock, TheEditorsCallbacksReachKeltInterfaceObj) {
    connectTo(k20Ids);
    structParameter record;
    std::vector<uint8_t> buffer(kParameterBufferSize);
    uint16_t count = 0;
    ASSERT_EQ(record.ParameterLesen(count, buffer), 0);
    ASSERT_EQ(count, 40);
    buffer[5] ^= 0xFF;
    ASSERT_EQ(record.ParameterSchreiben(count, buffer), 0);
    EXPECT_EQ(ecu->parameterBlock()[5], buffer[5]);
    KELTInterfaceObj = nullptr;
    EXPECT_THROW(record.ParameterLesen(count, buffer), std::logic_error);
}

using ParameterBlockInDemo = InDemoMode<ParameterBlock>;

TEST_F(ParameterBlockInDemo, ReadsTheSampleBlockAndWritesNothing) {
    std::vector<uint8_t> buffer(kParameterBufferSize, 0xEE);
    uint16_t count = 0;
    ASSERT_EQ(read(count, buffer), 0);
    ASSERT_EQ(count, 56);
    // The sample block, then the six bytes the demo leaves behind it, and nothing further.
    const std::vector<uint8_t> expected = {
        2,  4,  14, 20, 20, 110, 110, 5,   5,   5,   10,  5,   5,   255, 4,   12,  5,  255, 15,
        11, 27, 45, 0,  0,  0,   4,   136, 255, 168, 160, 10,  255, 255, 0,   30,  30, 72,  255,
        10, 60, 255, 6, 4,  20,  47,  10,  5,   4,   2,   40,  255, 10,  25,  80,  90, 255,
        32, 64, 80, 0,  0,  0,   0xEE};
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 63), expected);

    // A buffer of exactly the block's size takes no tail.
    std::vector<uint8_t> exact(56);
    ASSERT_EQ(read(count, exact), 0);
    EXPECT_EQ(exact.back(), 255);

    EXPECT_EQ(write(SimBytes(buffer.begin(), buffer.begin() + 56)), 0);
    EXPECT_EQ(driverCalls, 0);
    EXPECT_TRUE(errors.shownCodes().empty());
}

}  // namespace
