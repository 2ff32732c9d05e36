// Requests with a reply filter through the SAE layer, against the simulated SAE application over
// the USB test library: the request as the interface gets it in every variant, the refusals
// before anything is sent, busy, pending and negative answers with their repetitions and waits
// on the fake clock, the caller's buffer, and the KWP communication.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "DiagDr32.h"
#include "DiagDriver.h"
#include "SaeJ1587.h"
#include "SaeUsbFixture.h"
#include "SimRequests.h"
#include "SimUsbBus.h"

namespace {

using appfiles::Bytes;

// The maker's variant in these tests: address words 0x0011, 0x0022, 0x0033. Requests carry the
// header [0x11, 0x22, 0x33]; the ECU answers with [0x33, 0x22, 0x11].
constexpr uint16_t kWord1 = 0x0011;
constexpr uint16_t kWord2 = 0x0022;
constexpr uint16_t kWord3 = 0x0033;
const Bytes kReplyHeader = {0x33, 0x22, 0x11};

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes negative(uint8_t service, uint8_t code) { return kReplyHeader + Bytes{0x7F, service, code}; }

enum class Variant { Standard, Norva, Iso15765 };

void setVariant(DiagDriver& driver, Variant variant) {
    switch (variant) {
        case Variant::Standard: ASSERT_EQ(driver.saeSetVariantStandard(), 0); break;
        case Variant::Norva: ASSERT_EQ(driver.saeSetVariantNorva(kWord1, kWord2, kWord3), 0); break;
        case Variant::Iso15765: {
            const uint8_t parameters[5] = {1, 2, 3, 4, 5};
            ASSERT_EQ(driver.saeSetVariantIso15765(parameters), 0);
            break;
        }
    }
}

class SaeSendData : public SaeUsbFixture {
protected:
    SimInterface* sim = nullptr;
    Bytes buffer;
    uint16_t length = 0;

    void SetUp() override {
        SaeUsbFixture::SetUp();
        sim = &openSae();
    }
    void use(Variant variant, bool cutOff) {
        setVariant(driver, variant);
        driver.saeSetCutOff(cutOff);
    }
    // Sends `message` from a buffer of `size` bytes followed by guard bytes 0xEE.
    int32_t send(const Bytes& message, size_t size = 64, uint32_t timeoutMs = 1000,
                 uint16_t source = 0x0100) {
        buffer = message;
        buffer.resize(std::max(size, message.size()) + 4, 0xEE);
        std::fill(buffer.begin() + static_cast<long>(message.size()),
                  buffer.begin() + static_cast<long>(size), 0xDD);
        length = static_cast<uint16_t>(message.size());
        return driver.saeSendData(buffer.data(), length, size, timeoutMs, source);
    }
    Bytes received() const { return Bytes(buffer.begin(), buffer.begin() + length); }
    bool guardsIntact(size_t size) const {
        return std::all_of(buffer.begin() + static_cast<long>(size), buffer.end(),
                           [](uint8_t b) { return b == 0xEE; });
    }
    std::vector<SimBytes> requests() const { return sim->sae().requests; }
};

// --- the request as the interface gets it ---------------------------------------------------------

struct BuildCase {
    const char* name;
    Variant variant;
    Bytes message;
    uint16_t source;
    uint32_t timeoutMs;
    Bytes sent;          // the data of command 0x18
    size_t headerLength;  // what the cut-off removes from the reply
};

class RequestLayout : public SaeSendData, public ::testing::WithParamInterface<BuildCase> {};

TEST_P(RequestLayout, WithItsFilterAndHeader) {
    const BuildCase& c = GetParam();
    use(c.variant, true);
    // The ECU's reply: a positive answer as long as the request's header and more.
    const Bytes reply = kReplyHeader + Bytes{0x61, 0x10, 0x20, 0x30, 0x40};
    sim->queueSaeReply(reply);
    ASSERT_EQ(send(c.message, 64, c.timeoutMs, c.source), 0);
    ASSERT_EQ(requests().size(), 1u);
    EXPECT_EQ(requests()[0], c.sent);
    EXPECT_EQ(received(), Bytes(reply.begin() + static_cast<long>(c.headerLength), reply.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, RequestLayout,
    ::testing::Values(
        // PID 0 asks for PID 243 from the expected sender.
        BuildCase{"StandardPid0", Variant::Standard, {0x80, 0x00, 0xF3}, 0x0080, 1000,
                  {0x80, 0x00, 0xF3, 0x00, 0x80, 0, 243, 1, 0, 0x01, 20}, 2},
        BuildCase{"StandardPid0AnySender", Variant::Standard, {0x80, 0x00, 0xF3, 0x55}, 0x0100,
                  13000, {0x80, 0x00, 0xF3, 0x55, 0x01, 0x00, 0, 243, 1, 0, 0x01, 255}, 2},
        BuildCase{"StandardOnePageEscape", Variant::Standard, {0x80, 0xFF, 0x10, 0x22}, 0x0080,
                  1000, {0x80, 0xFF, 0x10, 0x22, 0x00, 0x80, 0, 0x10, 1, 0, 0x11, 20}, 3},
        BuildCase{"StandardTwoPageEscapesPid0", Variant::Standard, {0x80, 0xFF, 0xFF, 0x00, 0x07},
                  0x0081, 500, {0x80, 0xFF, 0xFF, 0x00, 0x07, 0x00, 0x81, 0, 0x07, 1, 0, 0x21, 10},
                  4},
        // Component-specific: the requested PID, then the destination MID.
        BuildCase{"StandardPid128", Variant::Standard, {0x80, 128, 0x44, 0x8A}, 0x0100, 1000,
                  {0x80, 128, 0x44, 0x8A, 0, 0x8A, 0, 0x44, 1, 0, 0x01, 20}, 2},
        BuildCase{"StandardPid195", Variant::Standard, {0x80, 195, 0x03, 0x8A, 0x01}, 0x0100,
                  1000, {0x80, 195, 0x03, 0x8A, 0x01, 0, 0x8A, 0, 196, 1, 0, 0x01, 20}, 2},
        BuildCase{"StandardOtherPid", Variant::Standard, {0x80, 0xF7}, 0x0080, 1000,
                  {0x80, 0xF7, 0x00, 0x80, 0, 0xF7, 1, 0, 0x01, 20}, 2},
        BuildCase{"Norva", Variant::Norva, {0x21, 0x05}, 0x0100, 1000,
                  {0x11, 0x22, 0x33, 0x21, 0x05, 0, 0x33, 0, 0x22, 0, 0x11, 1, 20}, 3},
        // Raw requests: [0, 0, message, word 1, pairs (x, 0xFF), word 2, word 3].
        BuildCase{"RawStandard", Variant::Standard,
                  {0, 0, 0xAA, 0xBB, 0x00, 0x80, 0x00, 0xF3, 0x01, 0x00}, 0x0100, 1000,
                  {0xAA, 0xBB, 0x00, 0x80, 0x00, 0xF3, 0x01, 0x00, 0x01, 20}, 0},
        BuildCase{"RawOnePair", Variant::Standard,
                  {0, 0, 0xAA, 0xBB, 0x00, 0x80, 0x07, 0xFF, 0x00, 0xF3, 0x01, 0x00}, 0x0100,
                  1000, {0xAA, 0xBB, 0x00, 0x80, 0x00, 0xF3, 0x01, 0x00, 0x11, 20}, 0},
        BuildCase{"RawTwoPairs", Variant::Standard,
                  {0, 0, 0xAA, 0xBB, 0x00, 0x80, 0x07, 0xFF, 0x08, 0xFF, 0x00, 0xF3, 0x01, 0x00},
                  0x0100, 1000, {0xAA, 0xBB, 0x00, 0x80, 0x00, 0xF3, 0x01, 0x00, 0x21, 20}, 0},
        BuildCase{"RawNorva", Variant::Norva,
                  {0, 0, 0x21, 0x05, 0x00, 0x33, 0x00, 0x22, 0x00, 0x11}, 0x0100, 1000,
                  {0x11, 0x22, 0x33, 0x21, 0x05, 0x00, 0x33, 0x00, 0x22, 0x00, 0x11, 0x01, 20}, 3},
        BuildCase{"Iso15765", Variant::Iso15765, {0x22, 0xF1, 0x90}, 0x0100, 1000,
                  {0x22, 0xF1, 0x90}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    Variant variant;
    Bytes message;
    int32_t status;
};

class RefusedRequest : public SaeSendData, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedRequest, NothingIsSent) {
    use(GetParam().variant, false);
    const size_t size = 8;  // smaller than the 20 bytes a failure clears
    EXPECT_EQ(send(GetParam().message, std::max(size, GetParam().message.size())),
              GetParam().status);
    EXPECT_EQ(driver.saeErrorCode(), GetParam().status);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(length, 0);
    const size_t room = std::max(size, GetParam().message.size());
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + static_cast<long>(std::min<size_t>(room, 20)),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(guardsIntact(room));
}

// Too short for its header or filter: returned without the tag.
INSTANTIATE_TEST_SUITE_P(
    TooShort, RefusedRequest,
    ::testing::Values(
        RefusalCase{"Empty", Variant::Standard, {}, SAE_ERR_REQUEST_SHORT},
        RefusalCase{"NorvaEmpty", Variant::Norva, {}, SAE_ERR_REQUEST_SHORT},
        RefusalCase{"Iso15765Empty", Variant::Iso15765, {}, SAE_ERR_REQUEST_SHORT},
        RefusalCase{"MidOnly", Variant::Standard, {0x80}, SAE_ERR_REQUEST_SHORT},
        RefusalCase{"EscapesToTheEnd", Variant::Standard, {0x80, 0xFF, 0xFF}, SAE_ERR_REQUEST_SHORT},
        RefusalCase{"Pid0WithoutRequestedPid", Variant::Standard, {0x80, 0x00}, SAE_ERR_REQUEST_SHORT},
        RefusalCase{"Pid0EscapedWithoutRequestedPid", Variant::Standard, {0x80, 0xFF, 0x00},
                    SAE_ERR_REQUEST_SHORT},
        RefusalCase{"Pid128WithoutDestination", Variant::Standard, {0x80, 128, 0x44},
                    SAE_ERR_REQUEST_SHORT},
        RefusalCase{"Pid195WithoutDestination", Variant::Standard, {0x80, 195, 0x03},
                    SAE_ERR_REQUEST_SHORT},
        RefusalCase{"RawSevenBytes", Variant::Standard, {0, 0, 1, 2, 3, 4, 5, 6, 7},
                    SAE_ERR_REQUEST_SHORT},
        RefusalCase{"RawPairsBeyondTheMessage", Variant::Norva, Bytes{0, 0} + Bytes(10, 0xFF),
                    SAE_ERR_REQUEST_SHORT}),
    [](const auto& info) { return std::string(info.param.name); });

// Requests the work buffer or the flags byte cannot carry.
INSTANTIATE_TEST_SUITE_P(
    TooLarge, RefusedRequest,
    ::testing::Values(
        RefusalCase{"LongerThanTheWorkBuffer", Variant::Standard,
                    Bytes{0x80, 0xF7} + Bytes(SAE_MAX_REQUEST - 9, 0x01), DIAG_ERR_REQUEST_TOO_LONG},
        RefusalCase{"SixteenPageEscapes", Variant::Standard,
                    Bytes{0x80} + Bytes(16, 0xFF) + Bytes{0x10}, SAE_ERR_ARGUMENT}),
    [](const auto& info) { return std::string(info.param.name); });

using SaeUsb = SaeUsbFixture;

// Generation 2: a frame longer than 255 bytes needs its 16-bit length.
TEST_F(SaeUsb, TheLongestRequestFitsTheWorkBuffer) {
    SimInterface& sim = openSae(2);
    sim.queueSaeReply({0x80, 0xF7});
    Bytes buffer = Bytes{0x80, 0xF7} + Bytes(SAE_MAX_REQUEST - 10, 0x01);
    uint16_t length = static_cast<uint16_t>(buffer.size());
    EXPECT_EQ(driver.saeSendData(buffer.data(), length, buffer.size(), 1000, 0x100), 0);
    ASSERT_EQ(sim.sae().requests.size(), 1u);
    EXPECT_EQ(sim.sae().requests[0].size(), size_t{SAE_MAX_REQUEST});
    EXPECT_EQ(length, 2);
}

TEST_F(SaeSendData, LengthBeyondTheBufferSizeIsRefused) {
    use(Variant::Norva, false);
    buffer.assign(16, 0x21);
    length = 9;
    EXPECT_EQ(driver.saeSendData(buffer.data(), length, 8, 1000, 0x100), SAE_ERR_ARGUMENT);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(length, 0);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 9), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0x21}));
}

// --- the sending paths --------------------------------------------------------------------------

TEST_F(SaeSendData, PositiveReplyWholeOrWithoutItsHeader) {
    use(Variant::Norva, true);
    sim->queueSaeReply(kReplyHeader + Bytes{0x61, 0x05, 0xAA});
    ASSERT_EQ(send({0x21, 0x05}), 0);
    EXPECT_EQ(received(), (Bytes{0x61, 0x05, 0xAA}));
    EXPECT_EQ(driver.saeErrorCode(), 0);

    driver.saeSetCutOff(false);
    sim->queueSaeReply(kReplyHeader + Bytes{0x61, 0x05, 0xAA});
    ASSERT_EQ(send({0x21, 0x05}), 0);
    EXPECT_EQ(received(), (kReplyHeader + Bytes{0x61, 0x05, 0xAA}));
    EXPECT_TRUE(guardsIntact(64));
}

TEST_F(SaeSendData, BusyTwiceThenPositive) {
    use(Variant::Norva, true);
    sim->queueSaeReply(negative(0x21, 0x21));
    sim->queueSaeReply(negative(0x21, 0x21));
    sim->queueSaeReply(kReplyHeader + Bytes{0x61, 0x05});
    ASSERT_EQ(send({0x21, 0x05}), 0);
    EXPECT_EQ(received(), (Bytes{0x61, 0x05}));
    EXPECT_EQ(clock.sleptMs(), 2 * 1200u);
    // Every repetition sends the request as it was, not the reply that replaced it.
    ASSERT_EQ(requests().size(), 3u);
    EXPECT_EQ(requests()[1], requests()[0]);
    EXPECT_EQ(requests()[2], requests()[0]);
}

TEST_F(SaeSendData, StillBusyAfterTheLastAttemptIsAFailure) {
    use(Variant::Norva, true);
    for (int i = 0; i < 4; ++i) sim->queueSaeReply(negative(0x21, 0x21));
    EXPECT_EQ(send({0x21, 0x05}), 0x20090321);
    EXPECT_EQ(driver.saeErrorCode(), 0x20090321);
    EXPECT_EQ(requests().size(), 3u);
    EXPECT_EQ(length, 0);
}

struct StatusCase {
    const char* name;
    std::vector<uint8_t> statuses;  // the interface's answers before a positive reply, if any
    int32_t result;
    size_t exchanges;
    uint64_t sleptMs;
};

class InterfaceRefusal : public SaeSendData, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(InterfaceRefusal, CountsAsAnAttempt) {
    use(Variant::Norva, false);
    for (uint8_t status : GetParam().statuses) sim->queueSaeStatus(status);
    sim->queueSaeReply(kReplyHeader + Bytes{0x61});
    EXPECT_EQ(send({0x21}), GetParam().result);
    EXPECT_EQ(requests().size(), GetParam().exchanges);
    EXPECT_EQ(clock.sleptMs(), GetParam().sleptMs);
    EXPECT_EQ(driver.saeErrorCode(), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InterfaceRefusal,
    ::testing::Values(
        StatusCase{"TwoRefusalsThenPositive", {0x20, 0x20}, 0, 3, 0},
        StatusCase{"ThreeRefusals", {0x20, 0x20, 0x20}, 0x20090120, 3, 0},
        // 0xA3 allows five attempts, each after 1200 ms.
        StatusCase{"A3ThenFiveAttempts", {0xA3, 0x20, 0x20, 0x20}, 0, 5, 1200},
        StatusCase{"A3FiveTimes", {0xA3, 0xA3, 0xA3, 0xA3, 0xA3}, 0x200901A3, 5, 4 * 1200},
        StatusCase{"A3OnTheThird", {0x20, 0x20, 0xA3, 0x20}, 0, 5, 1200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaeSendData, ALinkFaultEndsTheCallAtOnce) {
    use(Variant::Norva, false);
    sim->queueSaeSilence();
    sim->queueSaeReply(kReplyHeader + Bytes{0x61});
    EXPECT_EQ(send({0x21}), DIAG_ERR_TIMEOUT);
    EXPECT_EQ(requests().size(), 1u);
}

TEST_F(SaeSendData, PendingThenTheFinalMessage) {
    use(Variant::Norva, true);
    sim->queueSaeReply(negative(0x21, 0x78));
    sim->queueSaeMessage({0x44, 0x22, 0x11, 0x61, 0x99});  // another ECU: not for us
    sim->queueSaeMessage(kReplyHeader + Bytes{0x61, 0x05});
    ASSERT_EQ(send({0x21, 0x05}), 0);
    EXPECT_EQ(received(), (Bytes{0x61, 0x05}));
    // The wait asks for [word 3, word 2, word 1] within 5000 ms.
    EXPECT_EQ(sim->sae().receiveFilters,
              std::vector<SimBytes>{Bytes({0, 0x33, 0, 0x22, 0, 0x11, 1, 100})});
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(sim->queuedSaeMessages(), 1u);
}

TEST_F(SaeSendData, PendingWithoutAFinalMessageAsksAgainUncounted) {
    use(Variant::Norva, true);
    for (int i = 0; i < 4; ++i) sim->queueSaeReply(negative(0x21, 0x78));
    sim->queueSaeReply(kReplyHeader + Bytes{0x61, 0x05});
    ASSERT_EQ(send({0x21, 0x05}), 0);
    EXPECT_EQ(received(), (Bytes{0x61, 0x05}));
    EXPECT_EQ(requests().size(), 5u);  // more than three: a pending answer is no attempt
    EXPECT_GE(clock.nowMs(), 4 * 5000u);
}

TEST_F(SaeSendData, PendingForEverEndsAtTheCap) {
    use(Variant::Norva, true);
    for (int i = 0; i < 40; ++i) sim->queueSaeReply(negative(0x21, 0x78));
    const uint64_t start = clock.nowMs();
    EXPECT_EQ(send({0x21, 0x05}), DIAG_ERR_TIMEOUT);
    EXPECT_EQ(clock.nowMs() - start, DiagDriver::kSaeMaxCallMs);
    EXPECT_EQ(requests().size(), DiagDriver::kSaeMaxCallMs / 5000);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(driver.saeErrorCode(), DIAG_ERR_TIMEOUT);
}

TEST_F(SaeSendData, RecheckWaitsOutFurtherPendingAnswers) {
    ASSERT_EQ(driver.saeSetVariantNorva(kWord1, 0xFE, kWord3), 0);
    const Bytes header = {0x33, 0xFE, 0x11};
    sim->queueSaeReply(header + Bytes{0x7F, 0x21, 0x78});
    for (int i = 0; i < 3; ++i) sim->queueSaeMessage(header + Bytes{0x7F, 0x21, 0x78});
    sim->queueSaeMessage(header + Bytes{0x61, 0x05});
    ASSERT_EQ(send({0x21, 0x05}), 0);
    EXPECT_EQ(received(), (Bytes{0x61, 0x05}));
    EXPECT_EQ(sim->sae().receiveFilters.size(), 4u);
    EXPECT_EQ(requests().size(), 1u);

    // A negative answer in the re-check ends the call with it.
    sim->queueSaeReply(header + Bytes{0x7F, 0x21, 0x78});
    sim->queueSaeMessage(header + Bytes{0x7F, 0x21, 0x22});
    EXPECT_EQ(send({0x21, 0x05}), 0x20090322);
    EXPECT_EQ(driver.saeErrorCode(), 0x20090322);
}

struct FinalCase {
    const char* name;
    bool pendingFirst;  // the reply comes from the wait after a pending answer
    Bytes reply;
    size_t size;
    int32_t result;
    int32_t error;
};

class FailedReply : public SaeSendData, public ::testing::WithParamInterface<FinalCase> {};

TEST_P(FailedReply, ZeroesTheBufferWithinItsSize) {
    use(Variant::Norva, true);
    if (GetParam().pendingFirst) {
        sim->queueSaeReply(negative(0x21, 0x78));
        sim->queueSaeMessage(GetParam().reply);
    } else {
        sim->queueSaeReply(GetParam().reply);
    }
    EXPECT_EQ(send({0x21, 0x05}, GetParam().size), GetParam().result);
    EXPECT_EQ(driver.saeErrorCode(), GetParam().error);
    EXPECT_EQ(length, 0);
    EXPECT_TRUE(std::all_of(buffer.begin(),
                            buffer.begin() + static_cast<long>(std::min<size_t>(GetParam().size, 20)),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(guardsIntact(GetParam().size));
    EXPECT_EQ(requests().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailedReply,
    ::testing::Values(
        FinalCase{"Negative", false, negative(0x81, 0x12), 64, 0x20090312, 0x20090312},
        FinalCase{"NegativeSmallBuffer", false, negative(0x81, 0x12), 4, 0x20090312, 0x20090312},
        FinalCase{"LongerThanTheRoom", false, kReplyHeader + Bytes(11, 0x61), 10, 0x2009031A,
                  SAE_ERR_REPLY_TOO_LONG},
        // A wait that fails ends the call with its error, never with 0.
        FinalCase{"WaitLongerThanTheRoom", true, kReplyHeader + Bytes(11, 0x61), 10, 0x2009031A,
                  SAE_ERR_REPLY_TOO_LONG},
        FinalCase{"HeaderOnly", false, kReplyHeader, 64, DIAG_ERR_BAD_REPLY, DIAG_ERR_BAD_REPLY},
        FinalCase{"NegativeWithoutCode", false, kReplyHeader + Bytes{0x7F, 0x21}, 64,
                  DIAG_ERR_BAD_REPLY, DIAG_ERR_BAD_REPLY},
        FinalCase{"ShorterThanTheHeader", false, {0x33, 0x22}, 64, DIAG_ERR_BAD_REPLY,
                  DIAG_ERR_BAD_REPLY},
        // The reply after a pending answer is checked as a direct one.
        FinalCase{"NegativeAfterPending", true, negative(0x81, 0x22), 64, 0x20090322, 0x20090322},
        FinalCase{"HeaderOnlyAfterPending", true, kReplyHeader, 64, DIAG_ERR_BAD_REPLY,
                  DIAG_ERR_BAD_REPLY},
        FinalCase{"NegativeWithoutCodeAfterPending", true, kReplyHeader + Bytes{0x7F, 0x21}, 64,
                  DIAG_ERR_BAD_REPLY, DIAG_ERR_BAD_REPLY}),
    [](const auto& info) { return std::string(info.param.name); });

struct AfterPendingCase {
    const char* name;
    std::vector<Bytes> messages;  // what the wait after the first pending answer hears, in order
    std::vector<Bytes> replies;   // the answers to the exchanges after the first
    int32_t result;
    size_t exchanges;
    size_t waits;
    uint64_t sleptMs;
};

class AfterPending : public SaeSendData, public ::testing::WithParamInterface<AfterPendingCase> {};

TEST_P(AfterPending, TheFinalAnswerCountsAsADirectOne) {
    use(Variant::Norva, true);
    sim->queueSaeReply(negative(0x21, 0x78));
    for (const Bytes& m : GetParam().messages) sim->queueSaeMessage(m);
    for (const Bytes& r : GetParam().replies) sim->queueSaeReply(r);
    EXPECT_EQ(send({0x21, 0x05}), GetParam().result);
    EXPECT_EQ(driver.saeErrorCode(), GetParam().result);
    EXPECT_EQ(received(), (GetParam().result == 0 ? Bytes{0x61, 0x05} : Bytes{}));
    EXPECT_EQ(requests().size(), GetParam().exchanges);
    EXPECT_EQ(sim->sae().receiveFilters.size(), GetParam().waits);
    EXPECT_EQ(clock.sleptMs(), GetParam().sleptMs);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AfterPending,
    ::testing::Values(
        AfterPendingCase{"BusyIsTriedAgain", {negative(0x21, 0x21)}, {kReplyHeader + Bytes{0x61, 0x05}},
                         0, 2, 1, 1200},
        AfterPendingCase{"BusyToTheLastAttempt", {negative(0x21, 0x21)},
                         {negative(0x21, 0x21), negative(0x21, 0x21)}, 0x20090321, 3, 1, 2 * 1200},
        AfterPendingCase{"FurtherPendingWaitsAgain",
                         {negative(0x21, 0x78), kReplyHeader + Bytes{0x61, 0x05}}, {}, 0, 1, 2, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaeSendData, InIso15765ARefusalAfterPendingIsNoSuccessEither) {
    // The wait filters by the address words, which ISO 15765 keeps from before: any sender here.
    ASSERT_EQ(driver.saeSetVariantNorva(0x0100, 0x0100, 0x0100), 0);
    use(Variant::Iso15765, false);
    sim->queueSaeReply({0x7F, 0x21, 0x78});
    sim->queueSaeMessage({0x7F, 0x21, 0x22});
    EXPECT_EQ(send({0x21, 0x05}), 0x20090322);
    EXPECT_EQ(driver.saeErrorCode(), 0x20090322);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(sim->sae().receiveFilters.size(), 1u);
}

TEST_F(SaeSendData, KwpStartRefusedAfterPendingStartsNoTesterPresent) {
    use(Variant::Norva, true);
    sim->queueSaeReply(negative(0x81, 0x78));
    sim->queueSaeMessage(negative(0x81, 0x22));
    EXPECT_EQ(driver.saeStartKwp(), 0x20090322);
    EXPECT_EQ(driver.saeErrorCode(), 0x20090322);
    EXPECT_EQ(countCommand(*sim, 0x19), 0);
    EXPECT_FALSE(sim->sae().testerPresent);
}

TEST_F(SaeSendData, ReplyFillingTheBufferExactly) {
    use(Variant::Norva, true);
    sim->queueSaeReply(kReplyHeader + Bytes{0x61, 1, 2, 3});
    ASSERT_EQ(send({0x21}, 4), 0);
    EXPECT_EQ(received(), (Bytes{0x61, 1, 2, 3}));
    EXPECT_TRUE(guardsIntact(4));
}

TEST_F(SaeSendData, StandardRepliesAreFinalAndCutByTheirRequestsHeader) {
    use(Variant::Standard, true);
    // A 0x7F in the standard variant is data, not a negative answer.
    sim->queueSaeReply({0x80, 0xFF, 0x10, 0x7F, 0x21, 0x21});
    ASSERT_EQ(send({0x80, 0xFF, 0x10}), 0);
    EXPECT_EQ(received(), (Bytes{0x7F, 0x21, 0x21}));
    sim->queueSaeReply({0x80, 0xFF});
    EXPECT_EQ(send({0x80, 0xFF, 0x10}), DIAG_ERR_BAD_REPLY);
}

TEST_F(SaeSendData, AnEmptyStandardReplyHandsOverNoBytes) {
    use(Variant::Standard, false);
    sim->queueSaeReply({});
    ASSERT_EQ(send({0x80, 0xFF, 0x10}, 8), 0);
    EXPECT_EQ(length, 0);
    EXPECT_TRUE(guardsIntact(8));
}

TEST_F(SaeSendData, WithoutAScriptTheEcuOnTheLineAnswers) {
    use(Variant::Standard, false);
    // The answer to PID 0 asking for PID 243 is [MID, 243, data].
    sim->queueSaeMessage({0x81, 0xF3, 0x07});  // another sender
    sim->queueSaeMessage({0x80, 0xF3, 0x05});
    ASSERT_EQ(send({0x80, 0x00, 0xF3}, 64, 1000, 0x0080), 0);
    EXPECT_EQ(received(), (Bytes{0x80, 0xF3, 0x05}));
    EXPECT_EQ(sim->queuedSaeMessages(), 1u);
    // Nobody answers: the filter's time-out, three attempts.
    const uint64_t before = clock.nowMs();
    EXPECT_EQ(send({0x80, 0x00, 0xF3}, 64, 1000, 0x0080), 0x2009010F);
    EXPECT_EQ(clock.nowMs() - before, 3 * 1000u);
}

// --- the KWP communication ------------------------------------------------------------------------

struct KwpCase {
    const char* name;
    Variant variant;
    std::vector<SimRequest> start;
    std::vector<SimRequest> stop;
    int32_t error;
};

class KwpCommunication : public SaeSendData, public ::testing::WithParamInterface<KwpCase> {};

TEST_P(KwpCommunication, SendsWhatTheVariantNeeds) {
    use(GetParam().variant, true);
    sim->queueSaeReply(kReplyHeader + Bytes{0xC1});
    sim->queueSaeReply(kReplyHeader + Bytes{0xC2});
    const auto requestsSince = [this](size_t from) {
        const std::vector<SimRequest> all = sim->requests();
        return std::vector<SimRequest>(all.begin() + static_cast<long>(from), all.end());
    };
    size_t before = sim->requests().size();
    EXPECT_EQ(driver.saeStartKwp(), 0);
    EXPECT_EQ(driver.saeErrorCode(), GetParam().error);
    const std::vector<SimRequest> started = requestsSince(before);
    ASSERT_EQ(started.size(), GetParam().start.size());
    for (size_t i = 0; i < started.size(); ++i) {
        EXPECT_EQ(started[i].command, GetParam().start[i].command) << i;
        EXPECT_EQ(started[i].data, GetParam().start[i].data) << i;
    }
    before = sim->requests().size();
    EXPECT_EQ(driver.saeStopKwp(), 0);
    EXPECT_EQ(driver.saeErrorCode(), GetParam().error);
    const std::vector<SimRequest> stopped = requestsSince(before);
    ASSERT_EQ(stopped.size(), GetParam().stop.size());
    for (size_t i = 0; i < stopped.size(); ++i) {
        EXPECT_EQ(stopped[i].command, GetParam().stop[i].command) << i;
        EXPECT_EQ(stopped[i].data, GetParam().stop[i].data) << i;
    }
    EXPECT_FALSE(sim->sae().testerPresent);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KwpCommunication,
    ::testing::Values(
        KwpCase{"Norva",
                Variant::Norva,
                {{0x18, {0x11, 0x22, 0x33, 0x81, 0, 0x33, 0, 0x22, 0, 0x11, 1, 100}},
                 {0x19, {0x33, 0x11}}},
                {{0x1A, {}}, {0x18, {0x11, 0x22, 0x33, 0x82, 0, 0x33, 0, 0x22, 0, 0x11, 1, 100}}},
                0},
        KwpCase{"Iso15765", Variant::Iso15765, {{0x19, {}}}, {{0x1A, {}}}, 0},
        // The standard variant has no KWP communication: nothing is sent, the reason kept.
        KwpCase{"Standard", Variant::Standard, {}, {}, SAE_ERR_NOT_IN_STANDARD}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaeSendData, KwpStartRefusedByTheEcuStartsNoTesterPresent) {
    use(Variant::Norva, true);
    sim->queueSaeReply(negative(0x81, 0x11));
    EXPECT_EQ(driver.saeStartKwp(), 0x20090311);
    EXPECT_EQ(countCommand(*sim, 0x19), 0);
}

TEST_F(SaeSendData, KwpStopEndsTheCommunicationEvenWhenTesterPresentWouldNotStop) {
    use(Variant::Norva, true);
    sim->injectStatusFor(0x1A, 0x12);
    sim->queueSaeReply(kReplyHeader + Bytes{0xC2});
    EXPECT_EQ(driver.saeStopKwp(), 0x20090112);
    EXPECT_EQ(driver.saeErrorCode(), 0x20090112);
    ASSERT_EQ(requests().size(), 1u);
    EXPECT_EQ(requests()[0][3], 0x82);
}

// --- the exported functions ---------------------------------------------------------------------

TEST(ExportedSaeSendData, ThroughTheProcessWideDriver) {
    TempDir appFolder;
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    SimConfig c;
    c.appVersion = kSaeCurrent;
    SimInterface& sim = bus.addDevice("Diagnostic Interface #1", c);
    ASSERT_EQ(SAEJ1587OpenDiagDriver("USB0", appFolder.path().c_str(), 1, 0), 0);

    EXPECT_EQ(SAEJ1587StartKwpCommunication(), 0);
    EXPECT_EQ(SAEJ1587GetErrCode(), SAE_ERR_NOT_IN_STANDARD);

    sim.queueSaeReply({0x80, 0x00, 0xF3, 0x12});
    uint8_t buffer[16] = {0x80, 0x00, 0xF3};
    uint16_t length = 3;
    EXPECT_EQ(SAEJ1587SendData(buffer, &length, sizeof buffer, 1000, 0x0080), 0);
    EXPECT_EQ(Bytes(buffer, buffer + length), (Bytes{0x80, 0x00, 0xF3, 0x12}));
    length = 1;
    EXPECT_EQ(SAEJ1587SendData(buffer, &length, sizeof buffer, 1000, 0x0080), SAE_ERR_REQUEST_SHORT);
    EXPECT_EQ(SAEJ1587SendData(nullptr, &length, 0, 1000, 0x0080), SAE_ERR_ARGUMENT);

    EXPECT_EQ(SAEJ1587SetProtocolVariantNorva(kWord1, kWord2, kWord3), 0);
    sim.queueSaeReply(kReplyHeader + Bytes{0xC1});
    EXPECT_EQ(SAEJ1587StartKwpCommunication(), 0);
    EXPECT_TRUE(sim.sae().testerPresent);
    sim.queueSaeReply(kReplyHeader + Bytes{0xC2});
    EXPECT_EQ(SAEJ1587StopKwpCommunication(), 0);
    EXPECT_FALSE(sim.sae().testerPresent);
    EXPECT_EQ(SAEJ1587CloseDiagDriver(), 0);
    bus.reset();
}

}  // namespace
