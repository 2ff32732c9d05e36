// The driver's link protocol against the simulator, in-process: the serial byte stream and the
// USB-style framed link, both generations, with the simulator's fault injection.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DiagDriver.h"
#include "ScriptedLink.h"
#include "SimLink.h"

namespace {

struct LinkCase {
    const char* name;
    uint8_t generation;
    bool framed;
};

class DriverOverSim : public ::testing::TestWithParam<LinkCase> {
protected:
    FakeClock clock;
    DiagDriver driver{clock};
    std::unique_ptr<SimInterface> sim;
    SimLink* link = nullptr;

    void SetUp() override {
        SimConfig config;
        config.generation = GetParam().generation;
        config.debugValue[1] = 0x22;
        sim = std::make_unique<SimInterface>(config);
        auto owned = std::make_unique<SimLink>(*sim, GetParam().framed, &clock);
        link = owned.get();
        driver.attachLink(std::move(owned));
        driver.setGeneration(GetParam().generation);
    }
    void TearDown() override { driver.attachLink(nullptr); }

    std::string workText() const {
        return std::string(reinterpret_cast<const char*>(driver.workData()), driver.workLength());
    }
};

TEST_P(DriverOverSim, VersionTextsAndBlockSize) {
    ASSERT_EQ(driver.workRequest(0x02), 0);
    EXPECT_EQ(driver.workCommand(), 0x02);
    EXPECT_EQ(workText(), sim->config().biosVersion);
    ASSERT_EQ(driver.workRequest(0x04), 0);
    EXPECT_EQ(workText(), sim->config().appVersion);

    const uint8_t size[2] = {0x08, 0x00};
    ASSERT_EQ(driver.workRequest(0x07, size, 2), 0);
    ASSERT_EQ(driver.workLength(), 2);
    EXPECT_EQ(driver.workData()[0], 0x04);  // capped at the interface's 1024
    EXPECT_EQ(driver.workData()[1], 0x00);
}

TEST_P(DriverOverSim, DebugFlagsThroughPCRequest) {
    uint8_t data[DIAG_MAX_FRAME_DATA] = {0x04};
    uint16_t command = 0x08;
    uint16_t length = 1;
    ASSERT_EQ(driver.PCRequest(command, length, data, sizeof data, 1, 1), 0);
    EXPECT_EQ(command, 0x08);
    ASSERT_EQ(length, 5);
    EXPECT_EQ(Bytes(data, data + 5), (Bytes{0x04, 0x00, 0x22, 0x00, 0x00}));
}

TEST_P(DriverOverSim, PendingFramesAreWaitedFor) {
    sim->injectPending(3);
    ASSERT_EQ(driver.workRequest(0x02), 0);
    EXPECT_EQ(workText(), sim->config().biosVersion);
}

TEST_P(DriverOverSim, StatusFrameReachesTheCallerWithItsByte) {
    sim->injectStatus(0x11);
    uint8_t data[DIAG_MAX_FRAME_DATA] = {};
    uint16_t command = 0x02;
    uint16_t length = 0;
    EXPECT_EQ(driver.PCRequest(command, length, data, sizeof data, 1, 1), 0x20000011);
    EXPECT_EQ(command, 0);
    ASSERT_EQ(length, 1);
    EXPECT_EQ(data[0], 0x11);
}

TEST_P(DriverOverSim, FaultsGiveTheirCodes) {
    struct FaultCase {
        const char* name;
        void (*inject)(SimInterface&);
        uint8_t command;
        int32_t expected;
    };
    const FaultCase cases[] = {
        {"unknown command", [](SimInterface&) {}, 0x33, DIAG_ERR_STATUS_NO_DATA},
        {"bad checksum", [](SimInterface& s) { s.injectBadChecksum(); }, 0x02, DIAG_ERR_CHECKSUM},
        {"wrong command", [](SimInterface& s) { s.injectWrongCommand(); }, 0x02, DIAG_ERR_WRONG_COMMAND},
        {"silence", [](SimInterface& s) { s.injectSilence(); }, 0x02, DIAG_ERR_TIMEOUT},
    };
    for (const FaultCase& c : cases) {
        c.inject(*sim);
        EXPECT_EQ(driver.workRequest(c.command), c.expected) << c.name;
        // The link is clean again for the next request.
        EXPECT_EQ(driver.workRequest(0x01), 0) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Links, DriverOverSim,
                         ::testing::Values(LinkCase{"Gen1Stream", 1, false},
                                           LinkCase{"Gen1Framed", 1, true},
                                           LinkCase{"Gen2Framed", 2, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- generation 1 only: block transfer and the baud change ---------------------------------------

class Gen1DriverOverSim : public ::testing::TestWithParam<bool> {
protected:
    FakeClock clock;
    DiagDriver driver{clock};
    SimInterface sim;
    SimLink* link = nullptr;

    void SetUp() override {
        auto owned = std::make_unique<SimLink>(sim, GetParam(), &clock);
        link = owned.get();
        driver.attachLink(std::move(owned));
        driver.setGeneration(1);
    }
    void TearDown() override { driver.attachLink(nullptr); }
};

TEST_P(Gen1DriverOverSim, LongRequestGoesAsBlockTransfer) {
    for (uint16_t blockSize : {uint16_t{256}, uint16_t{100}}) {
        driver.setBlockSize(blockSize);
        uint8_t data[DIAG_MAX_FRAME_DATA] = {};
        for (int i = 0; i < 600; ++i) data[i] = static_cast<uint8_t>(i);
        data[0] = 0x04;
        const Bytes sent(data, data + 600);
        uint16_t command = 0x08;
        uint16_t length = 600;
        ASSERT_EQ(driver.PCRequest(command, length, data, sizeof data, 0, 1), 0) << blockSize;
        EXPECT_EQ(command, 0x08);
        EXPECT_EQ(length, 5);
        ASSERT_FALSE(sim.requests().empty());
        EXPECT_EQ(sim.requests().back().command, 0x08);
        EXPECT_EQ(sim.requests().back().data, sent);
    }
}

TEST_P(Gen1DriverOverSim, BlockTransferRefusedByTheInterface) {
    sim.injectStatus(0x04);
    uint8_t data[DIAG_MAX_FRAME_DATA] = {0x04};
    uint16_t command = 0x08;
    uint16_t length = 300;
    EXPECT_EQ(driver.PCRequest(command, length, data, sizeof data, 0, 1), 0x20000004);
    EXPECT_TRUE(sim.requests().empty());
}

TEST_P(Gen1DriverOverSim, BaudAnswerComesOnlyAfterThePurge) {
    const uint8_t baud[5] = {0x00, 0x00, 0xE1, 0x00, 10};
    ASSERT_EQ(driver.writeShortFrame(0x06, baud, 5), 0);
    uint8_t reply[DiagDriver::kWorkFrameSize];
    uint16_t command = 0x06;
    uint16_t length = 0;
    // Read at the old rate: nothing arrives.
    EXPECT_EQ(driver.PCResponse(command, length, reply, sizeof reply), DIAG_ERR_TIMEOUT);
    link->purgeReceive();
    command = 0x06;
    EXPECT_EQ(driver.PCResponse(command, length, reply, sizeof reply), 0);
    EXPECT_EQ(command, 0x06);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(sim.baudrate(), 57600u);
}

INSTANTIATE_TEST_SUITE_P(Links, Gen1DriverOverSim, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Framed" : "Stream"; });

// --- the link itself ----------------------------------------------------------------------------

TEST(SimLinkReads, EmptyReadsAdvanceTheFakeClockAndTellARestart) {
    FakeClock clock;
    SimConfig config;
    config.generation = 2;
    SimInterface sim(config);
    SimLink stream(sim, false, &clock, 1500);
    SimLink framed(sim, true, &clock, 700);
    uint8_t buffer[16];
    size_t got = 99;
    EXPECT_EQ(stream.read(buffer, sizeof buffer, &got), 0);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(clock.nowMs(), 1500u);
    EXPECT_EQ(framed.read(buffer, sizeof buffer, &got), SimLink::kReadTimeout);
    EXPECT_EQ(clock.nowMs(), 2200u);

    // Start from the boot loader: the reply comes, then the device is gone.
    const Bytes start = frame16(0x05, {0x03});
    size_t written = 0;
    ASSERT_EQ(framed.write(start.data(), start.size(), &written), 0);
    EXPECT_EQ(written, start.size());
    ASSERT_EQ(framed.read(buffer, sizeof buffer, &got), 0);
    EXPECT_EQ(Bytes(buffer, buffer + got), frame16(0x05, {}));
    EXPECT_EQ(framed.read(buffer, sizeof buffer, &got), SimLink::kReadError);
}

TEST(SimLinkReads, ModemLinesFollowTheInterface) {
    SimInterface sim;
    SimModemLines lines(sim);
    ModemState state;
    ASSERT_EQ(lines.read(state), 0);
    EXPECT_FALSE(state.dsr);
    ASSERT_EQ(lines.setDtr(true), 0);
    ASSERT_EQ(lines.read(state), 0);
    EXPECT_TRUE(state.dsr);
    EXPECT_TRUE(state.cts);
    sim.handshake = SimHandshake::CarrierOnly;
    ASSERT_EQ(lines.read(state), 0);
    EXPECT_FALSE(state.dsr);
    EXPECT_TRUE(state.cd);
}

}  // namespace
