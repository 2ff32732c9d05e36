// The link protocol of the driver: frames, status and pending frames, block transfer, segmented
// and multi-frame replies, bounds and the trace.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "DiagDriver.h"
#include "ScriptedLink.h"

namespace {

Bytes range(size_t n, uint8_t start = 0) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(start + i);
    return b;
}

class LinkProtocol : public ::testing::Test {
protected:
    FakeClock clock;
    DiagDriver driver{clock};
    ScriptedLink* link = nullptr;

    ScriptedLink& attach(bool framed, uint8_t generation) {
        auto owned = std::make_unique<ScriptedLink>(framed, &clock);
        link = owned.get();
        driver.attachLink(std::move(owned));
        driver.setGeneration(generation);
        return *link;
    }
    Bytes frame(uint8_t command, const Bytes& data) const {
        return driver.generation() == 2 ? frame16(command, data) : frame8(command, data);
    }

    struct Result {
        int32_t status;
        uint16_t command;
        uint16_t length;
        Bytes data;
    };
    // Runs PCRequest with a buffer of `capacity` bytes followed by guard bytes that must survive.
    Result request(uint8_t command, const Bytes& data, size_t capacity = 4096, uint8_t noBlock = 1,
                   uint8_t mode = 1) {
        Bytes buffer(std::max(capacity, data.size()) + 16, 0xEE);
        std::copy(data.begin(), data.end(), buffer.begin());
        uint16_t cmd = command;
        uint16_t len = static_cast<uint16_t>(data.size());
        const int32_t status = driver.PCRequest(cmd, len, buffer.data(), capacity, noBlock, mode);
        for (size_t i = std::max(capacity, data.size()); i < buffer.size(); ++i)
            EXPECT_EQ(buffer[i], 0xEE) << "written past the caller's buffer at " << i;
        return {status, cmd, len, Bytes(buffer.begin(), buffer.begin() + std::min<size_t>(len, capacity))};
    }
};

// --- frames as sent ---------------------------------------------------------------------------

struct FrameCase {
    const char* name;
    uint8_t generation;
    bool framed;
    Bytes data;
    Bytes expected;
};

class RequestFrames : public LinkProtocol, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(RequestFrames, AreBuiltInTheGenerationsLayout) {
    const FrameCase& c = GetParam();
    attach(c.framed, c.generation);
    link->queue(frame(0x11, {0x42}));
    const Result r = request(0x11, c.data);
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(link->writes().size(), 1u);
    EXPECT_EQ(link->writes()[0], c.expected);
    EXPECT_EQ(r.command, 0x11);
    EXPECT_EQ(r.data, Bytes{0x42});
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RequestFrames,
    ::testing::Values(
        FrameCase{"SerialGen1", 1, false, {0x01, 0x02}, {0x11, 0x02, 0x01, 0x02, 0x16}},
        FrameCase{"UsbGen1", 1, true, {0x01, 0x02}, {0x11, 0x02, 0x01, 0x02, 0x16}},
        FrameCase{"UsbGen2", 2, true, {0x01, 0x02}, {0x11, 0x00, 0x02, 0x01, 0x02, 0x16}},
        FrameCase{"Gen0UsesShortLength", 0, false, {}, {0x11, 0x00, 0x11}},
        FrameCase{"ChecksumWrapsModulo256", 1, false, {0xFF, 0xFF}, {0x11, 0x02, 0xFF, 0xFF, 0x11}}),
    [](const auto& info) { return info.param.name; });

TEST_F(LinkProtocol, Generation2CarriesLongFramesBothWays) {
    attach(true, 2);
    const Bytes big = range(1000);
    link->queue(frame16(0x11, big));
    const Result r = request(0x11, range(700));
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(link->writes()[0].size(), 3u + 700u + 1u);
    EXPECT_EQ(link->writes()[0][1], 0x02);
    EXPECT_EQ(link->writes()[0][2], 0xBC);
    EXPECT_EQ(r.data, big);
}

TEST_F(LinkProtocol, SerialRequestDiscardsStaleInputFirst) {
    attach(false, 1);
    link->queueStale(frame8(0x11, {0x99}));
    link->queue(frame8(0x11, {0x01}));
    const Result r = request(0x11, {});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.data, Bytes{0x01});
    EXPECT_EQ(link->purges(), 1);
}

TEST_F(LinkProtocol, SerialReplyArrivingByteByByteIsReassembled) {
    attach(false, 1);
    link->maxChunk = 1;
    link->queue(frame8(0x11, range(40)));
    const Result r = request(0x11, {});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.data, range(40));
}

// --- block transfer --------------------------------------------------------------------------

TEST_F(LinkProtocol, RequestJustBelowTheBlockSizeGoesAsOneFrame) {
    attach(false, 1);
    link->queue(frame8(0x11, {}));
    const Result r = request(0x11, range(255), 4096, /*noBlock=*/0);
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(link->writes().size(), 1u);
    EXPECT_EQ(link->writes()[0][1], 255);
    EXPECT_EQ(link->writes()[0].size(), 258u);
}

TEST_F(LinkProtocol, RequestOfOneBlockSizeGoesAsBlockTransferWithLengthByteZero) {
    attach(false, 1);
    link->queue(frame8(0x91, {0x00}));  // start accepted
    link->queue(frame8(0x11, {0x55}));  // the reply to the request
    const Bytes data = range(256);
    const Result r = request(0x11, data, 4096, 0);
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(link->writes().size(), 2u);
    EXPECT_EQ(link->writes()[0], (Bytes{0x91, 0x02, 0x00, 0x01, 0x94}));
    const Bytes& block = link->writes()[1];
    ASSERT_EQ(block.size(), 2u + 256u + 1u);
    EXPECT_EQ(block[0], 0x91);
    EXPECT_EQ(block[1], 0x00);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), block.begin() + 2));
    EXPECT_EQ(r.data, Bytes{0x55});
}

TEST_F(LinkProtocol, BlocksAreAcknowledgedWithTheirRunningNumber) {
    attach(false, 1);
    link->queue(frame8(0x91, {0x00}));
    link->queue(frame8(0x91, {0x01}));
    link->queue(frame8(0x91, {0x02}));
    link->queue(frame8(0x11, {}));
    const Result r = request(0x11, range(600), 4096, 0);
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(link->writes().size(), 4u);
    EXPECT_EQ(link->writes()[1][1], 0x00);          // 256 bytes
    EXPECT_EQ(link->writes()[2][1], 0x00);          // 256 bytes
    EXPECT_EQ(link->writes()[3][1], 600 - 512);     // the rest
    EXPECT_EQ(link->writes()[3][2], static_cast<uint8_t>(512));
}

struct BlockFailure {
    const char* name;
    Bytes startReply;
    Bytes ackReply;
    int32_t expected;
};

class BlockTransferFailures : public LinkProtocol,
                              public ::testing::WithParamInterface<BlockFailure> {};

TEST_P(BlockTransferFailures, EndTheRequest) {
    const BlockFailure& c = GetParam();
    attach(false, 1);
    link->queue(c.startReply);
    if (!c.ackReply.empty()) link->queue(c.ackReply);
    const Result r = request(0x11, range(600), 4096, 0);
    EXPECT_EQ(r.status, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, BlockTransferFailures,
    ::testing::Values(
        BlockFailure{"StartRefused", frame8(0x91, {0x01}), {}, DIAG_ERR_BLOCK_START},
        BlockFailure{"StartAnsweredLong", frame8(0x91, {0x00, 0x00}), {}, DIAG_ERR_BLOCK_START},
        BlockFailure{"StartStatusFrame", frame8(0x00, {0x03}), {}, 0x20000003},
        BlockFailure{"WrongBlockNumber", frame8(0x91, {0x00}), frame8(0x91, {0x05}),
                     DIAG_ERR_BLOCK_ACK},
        BlockFailure{"AckWithWrongChecksum", frame8(0x91, {0x00}), Bytes{0x91, 0x01, 0x01, 0x00},
                     DIAG_ERR_CHECKSUM}),
    [](const auto& info) { return info.param.name; });

struct TooLongCase {
    const char* name;
    uint8_t generation;
    uint16_t blockSize;
    uint8_t noBlock;
    size_t length;
};

class RequestsThatDoNotFit : public LinkProtocol,
                             public ::testing::WithParamInterface<TooLongCase> {};

TEST_P(RequestsThatDoNotFit, AreRefusedBeforeAnythingIsSent) {
    const TooLongCase& c = GetParam();
    attach(false, c.generation);
    driver.setBlockSize(c.blockSize);
    const Result r = request(0x11, range(c.length), 8192, c.noBlock);
    EXPECT_EQ(r.status, DIAG_ERR_REQUEST_TOO_LONG);
    EXPECT_TRUE(link->writes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RequestsThatDoNotFit,
    ::testing::Values(
        // The 8-bit length byte would wrap to a corrupt frame.
        TooLongCase{"Gen1NoBlock256", 1, 256, 1, 256},
        TooLongCase{"Gen1BlockSizeAbove255", 1, 1024, 0, 300},
        // 256 blocks do not fit the block counter.
        TooLongCase{"TooManyBlocks", 1, 16, 0, 16 * 256},
        TooLongCase{"Gen2BeyondTheWorkFrame", 2, 256, 1, 4097}),
    [](const auto& info) { return info.param.name; });

// --- status frames ---------------------------------------------------------------------------

TEST_F(LinkProtocol, PendingFrameIsFollowedByAFurtherRead) {
    attach(false, 1);
    link->queue({0x00, 0x01, 0x78, 0x79});
    link->queue(frame8(0x11, {0x01, 0x02}));
    const Result r = request(0x11, {});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.data, (Bytes{0x01, 0x02}));
}

TEST_F(LinkProtocol, StatusFrameHandsItsDataToTheCaller) {
    attach(false, 1);
    link->queue({0x00, 0x01, 0x02, 0x03});
    const Result r = request(0x11, {0x07});
    EXPECT_EQ(r.status, 0x20000002);
    EXPECT_EQ(r.command, 0);
    EXPECT_EQ(r.length, 1);
    EXPECT_EQ(r.data, Bytes{0x02});
}

TEST_F(LinkProtocol, StatusFrameDataIsBoundedByTheCallersBuffer) {
    attach(false, 1);
    link->queue(frame8(0x00, range(30, 0x11)));
    const Result r = request(0x11, {}, 8);
    EXPECT_EQ(r.status, 0x20000011);
    EXPECT_EQ(r.length, 8);
    EXPECT_EQ(r.data, range(8, 0x11));
}

struct ReadCase {
    const char* name;
    bool framed;
    uint8_t generation;
    std::vector<Bytes> frames;  // an empty entry stands for silence
    int32_t expected;
};

class ReplyFrames : public LinkProtocol, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReplyFrames, GiveTheirStatus) {
    const ReadCase& c = GetParam();
    attach(c.framed, c.generation);
    for (const Bytes& f : c.frames) {
        if (f.empty())
            link->queueSilence();
        else
            link->queue(f);
    }
    EXPECT_EQ(request(0x11, {}).status, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ReplyFrames,
    ::testing::Values(
        ReadCase{"StatusWithoutData", false, 1, {{0x00, 0x00, 0x00}}, DIAG_ERR_STATUS_NO_DATA},
        ReadCase{"OtherCommand", false, 1, {frame8(0x12, {})}, DIAG_ERR_WRONG_COMMAND},
        ReadCase{"BadChecksumOfReply", false, 1, {{0x11, 0x01, 0x05, 0x00}}, DIAG_ERR_CHECKSUM},
        ReadCase{"BadChecksumOfOtherCommand", false, 1, {{0x12, 0x00, 0x00}}, DIAG_ERR_CHECKSUM},
        ReadCase{"BadChecksumOfStatusFrame", false, 1, {{0x00, 0x01, 0x02, 0x00}},
                 DIAG_ERR_CHECKSUM},
        ReadCase{"SilenceBeforeTheHeader", false, 1, {{}}, DIAG_ERR_TIMEOUT},
        ReadCase{"SilenceInTheData", false, 1, {{0x11, 0x05, 0x01}, {}}, DIAG_ERR_TIMEOUT},
        ReadCase{"UsbFrameShorterThanItsHeader", true, 1, {{0x11, 0x05, 0x01, 0x17}},
                 DIAG_ERR_CHECKSUM},
        ReadCase{"UsbFrameLongerThanItsHeader", true, 1, {{0x11, 0x00, 0x11, 0x11}},
                 DIAG_ERR_CHECKSUM},
        ReadCase{"UsbGen2HeaderBeyondTheWorkFrame", true, 2, {{0x11, 0x10, 0x01, 0x00}},
                 DIAG_ERR_CHECKSUM},
        ReadCase{"UsbEmptyRead", true, 1, {{}}, DIAG_ERR_CHECKSUM},
        ReadCase{"UsbGen2StatusFrame", true, 2, {frame16(0x00, {0x04})}, 0x20000004}),
    [](const auto& info) { return info.param.name; });

TEST_F(LinkProtocol, UsbReadErrorIsPassedOnAndKept) {
    attach(true, 1);
    link->queueReadError(0x2001003c);
    EXPECT_EQ(request(0x11, {}).status, 0x2001003c);
    EXPECT_EQ(driver.lastStatus(), 0x2001003c);
}

TEST_F(LinkProtocol, EndlessPendingEndsWithATimeOut) {
    attach(true, 1);
    link->readDelayMs = 1000;
    for (int i = 0; i < 200; ++i) link->queue(frame8(0x00, {0x78}));
    EXPECT_EQ(request(0x11, {}).status, DIAG_ERR_TIMEOUT);
    EXPECT_FALSE(link->drained());
    EXPECT_LE(clock.nowMs(), DiagDriver::kMaxPendingWaitMs + 1000);
}

TEST_F(LinkProtocol, PendingWithinTheCapStillSucceeds) {
    attach(true, 1);
    link->readDelayMs = 1000;
    for (int i = 0; i < 50; ++i) link->queue(frame8(0x00, {0x78}));
    link->queue(frame8(0x11, {0x01}));
    EXPECT_EQ(request(0x11, {}).status, 0);
}

// --- segmented and multi-frame replies -------------------------------------------------------

TEST_F(LinkProtocol, SegmentedReplyIsCollectedAndAcknowledged) {
    attach(false, 1);
    link->queue(frame8(0x91, {0x05, 0x00}));
    link->queue(frame8(0x91, {0xA0, 0xA1, 0xA2}));
    link->queue(frame8(0x91, {0xA3, 0xA4}));
    const Result r = request(0x11, {0x01});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.length, 5);
    EXPECT_EQ(r.data, (Bytes{0xA0, 0xA1, 0xA2, 0xA3, 0xA4}));
    ASSERT_EQ(link->writes().size(), 3u);
    EXPECT_EQ(link->writes()[1], frame8(0x91, {0x00}));
    EXPECT_EQ(link->writes()[2], frame8(0x91, {0x01}));
}

TEST_F(LinkProtocol, SegmentedReplyLongerThanOneFrame) {
    attach(false, 1);
    const Bytes all = range(600);
    link->queue(frame8(0x91, {0x58, 0x02}));
    for (size_t at = 0; at < all.size(); at += 200)
        link->queue(frame8(0x91, Bytes(all.begin() + at, all.begin() + at + 200)));
    const Result r = request(0x11, {});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.data, all);
}

TEST_F(LinkProtocol, SegmentedReplyOfZeroBytesEndsAtOnce) {
    attach(false, 1);
    link->queue(frame8(0x91, {0x00, 0x00}));
    const Result r = request(0x11, {});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.length, 0);
    EXPECT_EQ(link->writes().size(), 1u);  // the request only, no acknowledgement
}

TEST_F(LinkProtocol, SegmentedReplyOvershootingItsTotalStopsAtOnce) {
    attach(false, 1);
    link->queue(frame8(0x91, {0x04, 0x00}));
    link->queue(frame8(0x91, {1, 2, 3}));
    link->queue(frame8(0x91, {4, 5, 6}));
    link->queue(frame8(0x91, {7}));
    const Result r = request(0x11, {});
    EXPECT_EQ(r.status, DIAG_ERR_CHECKSUM);
    EXPECT_EQ(r.length, 0);
    EXPECT_FALSE(link->drained());
}

TEST_F(LinkProtocol, SegmentedReplyLargerThanTheCallersBufferIsRefused) {
    attach(false, 1);
    link->queue(frame8(0x91, {0x64, 0x00}));
    link->queue(frame8(0x91, range(100)));
    const Result r = request(0x11, {}, 50);
    EXPECT_EQ(r.status, DIAG_ERR_BUFFER_TOO_SMALL);
}

TEST_F(LinkProtocol, SingleReplyLargerThanTheCallersBufferIsRefused) {
    attach(false, 1);
    link->queue(frame8(0x11, range(100)));
    EXPECT_EQ(request(0x11, {}, 10).status, DIAG_ERR_BUFFER_TOO_SMALL);
}

TEST_F(LinkProtocol, MultiFrameReplyIsCollectedUntilTheEndFrame) {
    attach(false, 1);
    link->queue(frame8(0x11, {0x01, 0x02}));
    link->queue(frame8(0x11, {0x03}));
    link->queue(frame8(0x11, {0x00}));
    const Result r = request(0x11, {}, 4096, 1, /*mode=*/2);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.data, (Bytes{0x01, 0x02, 0x03}));
}

TEST_F(LinkProtocol, MultiFrameReplyBeyondTheCallersBufferIsRefused) {
    attach(false, 1);
    link->queue(frame8(0x11, range(8)));
    link->queue(frame8(0x11, range(8)));
    link->queue(frame8(0x11, {0x00}));
    EXPECT_EQ(request(0x11, {}, 12, 1, 2).status, DIAG_ERR_BUFFER_TOO_SMALL);
}

TEST_F(LinkProtocol, PartialMultiFrameReplyLeavesTheLengthAtZero) {
    attach(false, 1);
    link->queue(frame8(0x11, {0x01, 0x02}));
    link->queueSilence();
    const Result r = request(0x11, {}, 4096, 1, 2);
    EXPECT_EQ(r.status, DIAG_ERR_TIMEOUT);
    EXPECT_EQ(r.length, 0);
}

// Multi-frame replies are counted in 16 bits: one byte more than 0xFFFF cannot be reported.
struct MultiFrameBound {
    const char* name;
    size_t lastFrame;  // bytes of the last of 16 frames; the 15 before carry 4096 each
    int32_t status;
    uint16_t length;
};

class MultiFrameBounds : public LinkProtocol, public ::testing::WithParamInterface<MultiFrameBound> {};

TEST_P(MultiFrameBounds, LengthFitsItsSixteenBits) {
    const MultiFrameBound& c = GetParam();
    attach(true, 2);
    for (int i = 0; i < 15; ++i) link->queue(frame16(0x11, Bytes(4096, 0x33)));
    link->queue(frame16(0x11, Bytes(c.lastFrame, 0x44)));
    link->queue(frame16(0x11, {0x00}));
    const Result r = request(0x11, {}, 70000, 1, 2);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.length, c.length);
}

INSTANTIATE_TEST_SUITE_P(Totals, MultiFrameBounds,
                         ::testing::Values(MultiFrameBound{"Exactly0xFFFF", 4095, 0, 0xFFFF},
                                           MultiFrameBound{"OneMore", 4096,
                                                           DIAG_ERR_BUFFER_TOO_SMALL, 0}),
                         [](const auto& info) { return info.param.name; });

// The total of a segmented reply is in its first frame's two bytes; one byte is no total.
TEST_F(LinkProtocol, SegmentedFirstFrameShorterThanItsTotalIsBroken) {
    attach(false, 1);
    link->queue(frame8(0x91, {0x00}));
    const Result r = request(0x11, {});
    EXPECT_EQ(r.status, DIAG_ERR_CHECKSUM);
    EXPECT_EQ(link->writes().size(), 1u);  // nothing acknowledged
}

// --- writes and state ------------------------------------------------------------------------

TEST_F(LinkProtocol, WithoutALinkNothingIsSent) {
    uint16_t cmd = 0x11, len = 0;
    uint8_t buffer[16] = {};
    EXPECT_EQ(driver.PCRequest(cmd, len, buffer, sizeof buffer, 1, 1), DIAG_ERR_NOT_OPEN);
    EXPECT_EQ(driver.PCResponse(cmd, len, buffer, sizeof buffer), DIAG_ERR_NOT_OPEN);
}

struct WriteFailure {
    const char* name;
    bool framed;
    bool shortWrite;
    int32_t expected;
};

class WriteFailures : public LinkProtocol, public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(WriteFailures, AreReportedNeverSuccess) {
    const WriteFailure& c = GetParam();
    attach(c.framed, 1);
    if (c.shortWrite)
        link->shortenNextWrite(2);
    else
        link->failNextWrite(-2);
    link->queue(frame8(0x11, {}));
    EXPECT_EQ(request(0x11, {0x01, 0x02}).status, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Transports, WriteFailures,
    ::testing::Values(WriteFailure{"SerialShortWrite", false, true, DIAG_ERR_USB_SHORT_WRITE},
                      WriteFailure{"UsbShortWrite", true, true, DIAG_ERR_USB_SHORT_WRITE},
                      WriteFailure{"SerialWriteError", false, false, -2},
                      WriteFailure{"UsbWriteError", true, false, -2}),
    [](const auto& info) { return info.param.name; });

TEST_F(LinkProtocol, ShortAcknowledgementOfASegmentedReplyIsReported) {
    attach(true, 1);
    link->queue(frame8(0x91, {0x02, 0x00}));
    link->onWrite = [](const Bytes& written, ScriptedLink& l) {
        if (written[0] == 0x11) l.shortenNextWrite(3);
    };
    EXPECT_EQ(request(0x11, {}).status, DIAG_ERR_USB_SHORT_WRITE);
}

// A failed USB read brings no frame: the length is 0. A serial read without a header leaves
// the length as it was.
TEST_F(LinkProtocol, ReadWithoutAFrameAndTheLength) {
    struct Case {
        bool framed;
        uint16_t length;
    };
    for (const Case& c : {Case{true, 0}, Case{false, 77}}) {
        attach(c.framed, 1);
        if (c.framed)
            link->queueReadError(0x2001003c);
        else
            link->queueSilence();
        uint16_t command = 0x11;
        uint16_t length = 77;
        uint8_t buffer[64] = {};
        EXPECT_NE(driver.PCResponse(command, length, buffer, sizeof buffer), 0);
        EXPECT_EQ(length, c.length) << (c.framed ? "USB" : "serial");
    }
}

// The debug flags are reply bytes 1 to 4; a shorter reply has none to give.
TEST_F(LinkProtocol, DebugFlagsFromAShortReplyAreABadReply) {
    attach(true, 1);
    link->queue(frame8(0x08, {0x00, 0x01}));
    uint32_t value = 7;
    EXPECT_EQ(driver.DebugTest(4, value), DIAG_ERR_BAD_REPLY);
    EXPECT_EQ(value, 0u);
    link->queue(frame8(0x08, {0x00, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(driver.DebugTest(4, value), 0);
    EXPECT_EQ(value, 1u);
}

TEST_F(LinkProtocol, WorkRequestKeepsReplyAndLastStatus) {
    attach(false, 1);
    link->queue(frame8(0x02, {'B', 'I', 'O', 'S'}));
    EXPECT_EQ(driver.workRequest(0x02), 0);
    EXPECT_EQ(driver.workLength(), 4);
    EXPECT_EQ(std::memcmp(driver.workData(), "BIOS", 4), 0);
    link->queue({0x00, 0x01, 0x07, 0x08});
    EXPECT_EQ(driver.workRequest(0x02), 0x20000007);
    EXPECT_EQ(driver.lastStatus(), 0x20000007);
}

// --- trace -----------------------------------------------------------------------------------

TEST_F(LinkProtocol, TraceHoldsTheFirstTwentyBytesOfRequestAndReply) {
    attach(true, 2);
    link->queue(frame16(0x11, range(25, 0x80)));
    request(0x11, range(30));
    EXPECT_EQ(driver.requestTrace().count, 20);
    EXPECT_EQ(Bytes(driver.requestTrace().bytes, driver.requestTrace().bytes + 20), range(20));
    EXPECT_EQ(driver.responseTrace().count, 20);
    EXPECT_EQ(Bytes(driver.responseTrace().bytes, driver.responseTrace().bytes + 20),
              range(20, 0x80));
}

TEST_F(LinkProtocol, ShortTraceIsClearedBeyondItsCount) {
    attach(false, 1);
    link->queue(frame8(0x11, range(25)));
    request(0x11, range(25));
    link->queue({0x00, 0x01, 0x02, 0x03});
    request(0x11, {0xAB});
    EXPECT_EQ(driver.requestTrace().count, 1);
    EXPECT_EQ(driver.requestTrace().bytes[0], 0xAB);
    EXPECT_EQ(driver.requestTrace().bytes[1], 0);
    EXPECT_EQ(driver.responseTrace().count, 1);
    EXPECT_EQ(driver.responseTrace().bytes[0], 0x02);
    EXPECT_EQ(driver.responseTrace().bytes[1], 0);
}

// An unplugged interface fails the write: the error dialog must not show the reply of the
// request before as this one's.
TEST_F(LinkProtocol, FailedWriteLeavesNoReplyInTheTrace) {
    for (const bool framed : {true, false}) {
        attach(framed, 1);
        link->queue(frame8(0x11, range(5, 0x40)));
        ASSERT_EQ(request(0x11, {0x01}).status, 0);
        ASSERT_EQ(driver.responseTrace().count, 5);
        link->failNextWrite(0x2001003c);
        EXPECT_EQ(request(0x11, {0x02}).status, 0x2001003c);
        EXPECT_EQ(driver.requestTrace().count, 1);
        EXPECT_EQ(driver.requestTrace().bytes[0], 0x02);
        EXPECT_EQ(driver.responseTrace().count, 0) << (framed ? "USB" : "serial");
        EXPECT_EQ(driver.responseTrace().bytes[0], 0);
    }
}

TEST_F(LinkProtocol, TimeOutBeforeAnyHeaderLeavesAnEmptyReplyTrace) {
    attach(false, 1);
    link->queue(frame8(0x11, range(5)));
    request(0x11, {});
    link->queueSilence();
    request(0x11, {});
    EXPECT_EQ(driver.responseTrace().count, 0);
}

}  // namespace
