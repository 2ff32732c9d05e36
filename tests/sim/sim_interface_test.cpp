// The simulated interface on its own: frame parsing in both layouts, the answer to each command,
// block transfer, fault injection, the held-back baud answer, the restart of generation 2 and
// the modem lines.
#include <gtest/gtest.h>

#include "ScriptedLink.h"
#include "SimInterface.h"

namespace {

SimConfig generation(uint8_t g) {
    SimConfig config;
    config.generation = g;
    return config;
}

Bytes frameOf(uint8_t gen, uint8_t command, const Bytes& data) {
    return gen == 2 ? frame16(command, data) : frame8(command, data);
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Sends one request whole and returns the reply frame (empty when none).
Bytes ask(SimInterface& sim, const Bytes& request) {
    sim.receive(request);
    return sim.takeFrame();
}

std::vector<Bytes> drainFrames(SimInterface& sim) {
    std::vector<Bytes> frames;
    while (sim.hasOutput()) frames.push_back(sim.takeFrame());
    return frames;
}

// --- frames in any chunking -----------------------------------------------------------------

class FrameChunking : public ::testing::TestWithParam<uint8_t> {};

TEST_P(FrameChunking, RequestsSplitAnywhereAreAnsweredInOrder) {
    const uint8_t gen = GetParam();
    const Bytes first = frameOf(gen, 0x02, {});
    const Bytes second = frameOf(gen, 0x07, {0x00, 0x80});
    const Bytes third = frameOf(gen, 0x04, {});
    Bytes stream = first;
    stream.insert(stream.end(), second.begin(), second.end());
    stream.insert(stream.end(), third.begin(), third.end());
    const SimConfig config = generation(gen);
    const std::vector<Bytes> expected = {
        frameOf(gen, 0x02, text(config.biosVersion)),
        frameOf(gen, 0x07, {0x00, 0x80}),
        frameOf(gen, 0x04, text(config.appVersion)),
    };

    for (size_t chunk : {size_t{1}, size_t{2}, size_t{3}, size_t{5}, stream.size()}) {
        SimInterface sim(config);
        for (size_t pos = 0; pos < stream.size(); pos += chunk) {
            const size_t n = std::min(chunk, stream.size() - pos);
            sim.receive(stream.data() + pos, n);
        }
        EXPECT_EQ(drainFrames(sim), expected) << "chunk " << chunk;
        EXPECT_EQ(sim.receivedFrames(), (std::vector<Bytes>{first, second, third}))
            << "chunk " << chunk;
    }
}

INSTANTIATE_TEST_SUITE_P(Generations, FrameChunking, ::testing::Values(1, 2));

TEST(SimFrames, BadChecksumIsAFrameErrorAndTheNextFrameIsUnderstood) {
    for (uint8_t gen : {1, 2}) {
        SimInterface sim(generation(gen));
        Bytes broken = frameOf(gen, 0x02, {});
        broken.back() ^= 0xFF;
        const Bytes good = frameOf(gen, 0x04, {});
        Bytes stream = broken;
        stream.insert(stream.end(), good.begin(), good.end());
        sim.receive(stream);
        EXPECT_EQ(drainFrames(sim),
                  (std::vector<Bytes>{frameOf(gen, 0x00, {0x02}),
                                      frameOf(gen, 0x04, text(sim.config().appVersion))}))
            << "generation " << int(gen);
        EXPECT_TRUE(sim.requests().size() == 1 && sim.requests()[0].command == 0x04);
    }
}

TEST(SimFrames, Generation2LengthBeyond4096IsAFrameError) {
    SimInterface sim(generation(2));
    sim.receive(Bytes{0x02, 0x10, 0x01});  // 4097 announced
    EXPECT_EQ(sim.takeFrame(), frame16(0x00, {0x02}));
    // The interface is still usable.
    EXPECT_EQ(ask(sim, frame16(0x02, {})), frame16(0x02, text(sim.config().biosVersion)));
}

TEST(SimFrames, StreamReadsTakeRepliesInPartsAcrossFrames) {
    SimInterface sim;
    sim.receive(frame8(0x01, {}));
    sim.receive(frame8(0x07, {0x01, 0x00}));
    const Bytes expectedFirst = frame8(0x01, {});
    const Bytes expectedSecond = frame8(0x07, {0x01, 0x00});
    Bytes got = sim.takeBytes(2);
    EXPECT_EQ(got, Bytes(expectedFirst.begin(), expectedFirst.begin() + 2));
    got = sim.takeBytes(3);  // the rest of the first and two bytes of the second
    Bytes want{expectedFirst[2], expectedSecond[0], expectedSecond[1]};
    EXPECT_EQ(got, want);
    // A frame read takes what is left of the frame begun.
    EXPECT_EQ(sim.takeFrame(), Bytes(expectedSecond.begin() + 2, expectedSecond.end()));
    EXPECT_FALSE(sim.hasOutput());
    EXPECT_TRUE(sim.takeBytes(10).empty());
}

// --- the interface's commands ---------------------------------------------------------------

struct CommandCase {
    const char* name;
    uint8_t generation;
    bool applicationRunning;
    std::string appVersion;
    uint8_t command;
    Bytes data;
    uint8_t replyCommand;
    Bytes replyData;
};

class Commands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Commands, AnswerAsTheInterface) {
    const CommandCase& c = GetParam();
    SimConfig config = generation(c.generation);
    config.applicationRunning = c.applicationRunning;
    config.appVersion = c.appVersion;
    config.maxBlockSize = 1024;
    config.debugValue[0] = 0x00;
    config.debugValue[1] = 0x01;
    config.debugValue[2] = 0x00;
    config.debugValue[3] = 0x80;
    SimInterface sim(config);
    EXPECT_EQ(ask(sim, frameOf(c.generation, c.command, c.data)),
              frameOf(c.generation, c.replyCommand, c.replyData));
    EXPECT_FALSE(sim.hasOutput());
}

const std::string kApp = "DI JED677 V2.05";

INSTANTIATE_TEST_SUITE_P(
    Table, Commands,
    ::testing::Values(
        CommandCase{"Gen1Probe", 1, false, kApp, 0x01, {}, 0x01, {}},
        CommandCase{"Gen1BiosVersion", 1, false, kApp, 0x02, {}, 0x02, text("DI BIOS V1.20")},
        CommandCase{"Gen2BiosVersion", 2, false, kApp, 0x02, {}, 0x02, text("DI BIOS V1.20")},
        CommandCase{"AppVersion", 1, false, kApp, 0x04, {}, 0x04, text(kApp)},
        CommandCase{"AppVersionWithoutApplication", 2, false, "", 0x04, {}, 0x04, {}},
        CommandCase{"Gen1AppStart", 1, false, kApp, 0x05, {}, 0x05, {}},
        CommandCase{"Gen1AppStartWithoutApplication", 1, false, "", 0x05, {}, 0x00, {0x11}},
        CommandCase{"Gen2AppStop", 2, true, kApp, 0x05, {0x00}, 0x05, {}},
        CommandCase{"Gen2AppStartWithoutSelector", 2, false, kApp, 0x05, {}, 0x00, {0x07}},
        CommandCase{"BlockSizeAccepted", 1, false, kApp, 0x07, {0x01, 0x00}, 0x07, {0x01, 0x00}},
        CommandCase{"BlockSizeCapped", 2, false, kApp, 0x07, {0x10, 0x00}, 0x07, {0x04, 0x00}},
        CommandCase{"BlockSizeMalformed", 1, false, kApp, 0x07, {0x01}, 0x00, {0x07}},
        CommandCase{"DebugSwitch1", 1, false, kApp, 0x08, {0x01, 0x01}, 0x08, {}},
        CommandCase{"DebugSwitch2", 1, false, kApp, 0x08, {0x02, 0x00}, 0x08, {}},
        CommandCase{"DebugValue", 1, false, kApp, 0x08, {0x03, 0, 0, 1, 2}, 0x08, {}},
        CommandCase{"DebugFlags", 2, false, kApp, 0x08, {0x04}, 0x08, {0x04, 0x00, 0x01, 0x00, 0x80}},
        CommandCase{"DebugUnknown", 1, false, kApp, 0x08, {0x09}, 0x00, {0x07}},
        CommandCase{"BootLoaderAsked", 2, false, kApp, 0x10, {0x21, 0xFE}, 0x10, {}},
        CommandCase{"BootLoaderAskedWhileAppRuns", 2, true, kApp, 0x10, {0x21, 0xFE}, 0x00, {0x03}},
        CommandCase{"BootLoaderWrongData", 2, false, kApp, 0x10, {0x21}, 0x00, {0x07}},
        CommandCase{"BootLoaderUnknownOnGen1", 1, false, kApp, 0x10, {0x21, 0xFE}, 0x00, {}},
        CommandCase{"CloseSequenceUnknownOnGen2", 2, false, kApp, 0x12, {}, 0x00, {}},
        CommandCase{"BaudMalformed", 1, false, kApp, 0x06, {0x00, 0x00, 0x4B}, 0x00, {0x07}},
        CommandCase{"UnknownGen1", 1, false, kApp, 0x33, {0x01}, 0x00, {}},
        CommandCase{"UnknownGen2", 2, true, kApp, 0x33, {}, 0x00, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimCommands, Generation1StartAndProbeSwitchTheApplication) {
    SimInterface sim(generation(1));
    ask(sim, frame8(0x05, {}));
    EXPECT_TRUE(sim.applicationRunning());
    ask(sim, frame8(0x01, {}));
    EXPECT_FALSE(sim.applicationRunning());
    EXPECT_FALSE(sim.restarting());  // generation 1 never restarts
}

TEST(SimCommands, BlockSizeIsKept) {
    SimConfig config;
    config.maxBlockSize = 512;
    SimInterface sim(config);
    EXPECT_EQ(sim.blockSize(), 256);
    ask(sim, frame8(0x07, {0x01, 0x80}));
    EXPECT_EQ(sim.blockSize(), 384);
    ask(sim, frame8(0x07, {0x08, 0x00}));
    EXPECT_EQ(sim.blockSize(), 512);
}

TEST(SimCommands, CloseSequenceEndsWhenTheAnswerIsEchoed) {
    SimInterface sim(generation(1));
    const Bytes first = ask(sim, frame8(0x12, {}));
    ASSERT_EQ(first.size(), 2u + SimInterface::kCloseReplySize + 1u);
    const Bytes firstData(first.begin() + 2, first.end() - 1);
    EXPECT_EQ(firstData[4], firstData[5]);

    const Bytes second = ask(sim, frame8(0x12, firstData));
    ASSERT_EQ(second.size(), first.size());
    EXPECT_EQ(second[0], 0x12);
    EXPECT_EQ(second[2 + 5], 0x13);
    EXPECT_NE(second[2 + 4], second[2 + 5]);
}

TEST(SimCommands, CloseSequenceWithoutTheEchoIsNotDone) {
    SimInterface sim(generation(1));
    const Bytes first = ask(sim, frame8(0x12, {}));
    Bytes echoed(first.begin() + 2, first.end() - 1);
    echoed[10] ^= 0xFF;
    const Bytes second = ask(sim, frame8(0x12, echoed));
    ASSERT_EQ(second.size(), first.size());
    EXPECT_NE(second[2 + 5], 0x13);
    EXPECT_NE(second[2 + 4], second[2 + 5]);  // no second echo asked for either
}

// --- block transfer (generation 1) ------------------------------------------------------------

Bytes blockFrame(uint8_t command, const Bytes& data, size_t from, size_t count) {
    Bytes block(data.begin() + static_cast<long>(from), data.begin() + static_cast<long>(from + count));
    return frame8(command, block);  // a 256-byte block carries length byte 0
}

struct BlockCase {
    const char* name;
    size_t total;
    size_t blockSize;
};

class BlockTransfer : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlockTransfer, IsAcknowledgedAndHandledAsOneRequest) {
    const BlockCase& c = GetParam();
    SimConfig config = generation(1);
    config.debugValue[2] = 0x5A;
    SimInterface sim(config);
    Bytes data(c.total);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    data[0] = 0x04;  // debug sub-function 4: the reply shows the request was understood

    EXPECT_EQ(ask(sim, frame8(0x88, {static_cast<uint8_t>(c.total & 0xFF),
                                     static_cast<uint8_t>(c.total >> 8)})),
              frame8(0x88, {0x00}));
    const size_t blocks = (c.total + c.blockSize - 1) / c.blockSize;
    for (size_t i = 0; i < blocks; ++i) {
        const size_t from = i * c.blockSize;
        const size_t count = std::min(c.blockSize, c.total - from);
        sim.receive(blockFrame(0x88, data, from, count));
        if (i + 1 < blocks) {
            EXPECT_EQ(sim.takeFrame(), frame8(0x88, {static_cast<uint8_t>(i + 1)})) << "block " << i;
        }
    }
    EXPECT_EQ(drainFrames(sim), std::vector<Bytes>{frame8(0x08, {0x04, 0x00, 0x00, 0x5A, 0x00})});
    ASSERT_EQ(sim.requests().size(), 1u);
    EXPECT_EQ(sim.requests()[0].command, 0x08);
    EXPECT_EQ(sim.requests()[0].data, data);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlockTransfer,
                         ::testing::Values(BlockCase{"OneFull256Block", 256, 256},
                                           BlockCase{"FullAndPartBlock", 300, 256},
                                           BlockCase{"ManySmallBlocks", 300, 100},
                                           BlockCase{"ThreeFull256Blocks", 768, 256}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimBlockTransfer, BlockBeyondTheAnnouncedLengthIsAFrameError) {
    SimInterface sim(generation(1));
    ask(sim, frame8(0x88, {0x04, 0x00}));
    EXPECT_EQ(ask(sim, frame8(0x88, {1, 2, 3, 4, 5})), frame8(0x00, {0x02}));
    EXPECT_TRUE(sim.requests().empty());
}

// --- fault injection ------------------------------------------------------------------------

TEST(SimFaults, StatusReplacesTheReplyAndTheRequestIsNotCarriedOut) {
    for (uint8_t gen : {1, 2}) {
        SimInterface sim(generation(gen));
        sim.injectStatus(0x11);
        EXPECT_EQ(ask(sim, frameOf(gen, 0x05, gen == 2 ? Bytes{3} : Bytes{})),
                  frameOf(gen, 0x00, {0x11}));
        EXPECT_FALSE(sim.applicationRunning());
        EXPECT_TRUE(sim.requests().empty());
        // Only once.
        EXPECT_EQ(ask(sim, frameOf(gen, 0x01, {})), frameOf(gen, 0x01, {}));
    }
}

TEST(SimFaults, PendingFramesComeBeforeTheReply) {
    for (uint8_t gen : {1, 2}) {
        SimInterface sim(generation(gen));
        sim.injectPending(2);
        sim.receive(frameOf(gen, 0x01, {}));
        const Bytes pending = frameOf(gen, 0x00, {0x78});
        EXPECT_EQ(drainFrames(sim), (std::vector<Bytes>{pending, pending, frameOf(gen, 0x01, {})}));
        EXPECT_EQ(ask(sim, frameOf(gen, 0x01, {})), frameOf(gen, 0x01, {}));
    }
}

TEST(SimFaults, BadChecksumSpoilsOnlyTheNextReply) {
    SimInterface sim(generation(2));
    sim.injectBadChecksum();
    Bytes expected = frame16(0x01, {});
    expected.back() = static_cast<uint8_t>(expected.back() + 1);
    EXPECT_EQ(ask(sim, frame16(0x01, {})), expected);
    EXPECT_EQ(ask(sim, frame16(0x01, {})), frame16(0x01, {}));
}

TEST(SimFaults, WrongCommandKeepsAValidChecksum) {
    SimInterface sim(generation(1));
    sim.injectWrongCommand();
    EXPECT_EQ(ask(sim, frame8(0x07, {0x00, 0x40})), frame8(0x47, {0x00, 0x40}));
    EXPECT_EQ(ask(sim, frame8(0x07, {0x00, 0x40})), frame8(0x07, {0x00, 0x40}));
}

TEST(SimFaults, SilenceSwallowsOneRequest) {
    SimInterface sim(generation(1));
    sim.injectSilence();
    EXPECT_TRUE(ask(sim, frame8(0x05, {})).empty());
    EXPECT_FALSE(sim.applicationRunning());
    EXPECT_EQ(ask(sim, frame8(0x01, {})), frame8(0x01, {}));
}

TEST(SimFaults, SilentAnswersNothingUntilToldOtherwise) {
    SimInterface sim(generation(2));
    sim.setSilent(true);
    EXPECT_TRUE(ask(sim, frame16(0x02, {})).empty());
    EXPECT_TRUE(ask(sim, frame16(0x04, {})).empty());
    EXPECT_EQ(sim.receivedFrames().size(), 2u);
    sim.setSilent(false);
    EXPECT_EQ(ask(sim, frame16(0x01, {})), frame16(0x01, {}));
}

TEST(SimFaults, StatusInjectionRefusesABlockTransferStart) {
    SimInterface sim(generation(1));
    sim.injectStatus(0x04);
    EXPECT_EQ(ask(sim, frame8(0x88, {0x2C, 0x01})), frame8(0x00, {0x04}));
    // Not in a block transfer: the next frame is a request of its own.
    EXPECT_EQ(ask(sim, frame8(0x02, {})), frame8(0x02, text(sim.config().biosVersion)));
}

// --- the baud change ---------------------------------------------------------------------------

TEST(SimBaudrate, ReplyIsHeldUntilThePcPurged) {
    SimInterface sim(generation(1));
    EXPECT_EQ(sim.baudrate(), 19200u);
    sim.receive(frame8(0x06, {0x00, 0x00, 0xE1, 0x00, 10}));  // 57600
    EXPECT_EQ(sim.baudrate(), 57600u);
    EXPECT_FALSE(sim.hasOutput());
    EXPECT_TRUE(sim.hasHeldReply());
    // What the PC drops in its purge is what was ready, never the answer still to come.
    sim.discardOutput();
    sim.purged();
    EXPECT_FALSE(sim.hasHeldReply());
    EXPECT_EQ(sim.takeFrame(), frame8(0x06, {}));
}

TEST(SimBaudrate, PendingFramesAreNotHeld) {
    SimInterface sim(generation(1));
    sim.injectPending(1);
    sim.receive(frame8(0x06, {0x00, 0x01, 0xC2, 0x00, 10}));
    EXPECT_EQ(drainFrames(sim), std::vector<Bytes>{frame8(0x00, {0x78})});
    sim.purged();
    EXPECT_EQ(sim.takeFrame(), frame8(0x06, {}));
    EXPECT_EQ(sim.baudrate(), 115200u);
}

// --- generation 2 restarts --------------------------------------------------------------------

TEST(SimRestart, StartFromTheBootLoaderRestartsTheInterface) {
    SimInterface sim(generation(2));
    EXPECT_EQ(ask(sim, frame16(0x10, {0x21, 0xFE})), frame16(0x10, {}));
    EXPECT_EQ(ask(sim, frame16(0x05, {0x03})), frame16(0x05, {}));
    EXPECT_TRUE(sim.restarting());
    EXPECT_TRUE(sim.applicationRunning());
    EXPECT_EQ(sim.startedSelector(), 3);
    EXPECT_EQ(sim.restartCount(), 1);
    // Gone until opened again.
    EXPECT_TRUE(ask(sim, frame16(0x02, {})).empty());
    sim.opened();
    EXPECT_FALSE(sim.restarting());
    EXPECT_EQ(ask(sim, frame16(0x10, {0x21, 0xFE})), frame16(0x00, {0x03}));
    // A second start while the application runs changes nothing.
    EXPECT_EQ(ask(sim, frame16(0x05, {0x04})), frame16(0x05, {}));
    EXPECT_FALSE(sim.restarting());
    EXPECT_EQ(sim.startedSelector(), 4);
}

TEST(SimRestart, ReturnToTheBootLoaderRestartsTheInterface) {
    SimConfig config = generation(2);
    config.applicationRunning = true;
    SimInterface sim(config);
    ask(sim, frame16(0x07, {0x02, 0x00}));
    EXPECT_EQ(ask(sim, frame16(0x01, {})), frame16(0x01, {}));
    EXPECT_TRUE(sim.restarting());
    EXPECT_FALSE(sim.applicationRunning());
    EXPECT_EQ(sim.blockSize(), 256);  // a restart forgets the block size
    sim.opened();
    // Already in the boot loader: no further restart.
    EXPECT_EQ(ask(sim, frame16(0x01, {})), frame16(0x01, {}));
    EXPECT_FALSE(sim.restarting());
    EXPECT_EQ(sim.restartCount(), 1);
}

TEST(SimRestart, StopOrFailedStartDoesNotRestart) {
    SimInterface stop(generation(2));
    ask(stop, frame16(0x05, {0x00}));
    EXPECT_FALSE(stop.restarting());

    SimConfig empty = generation(2);
    empty.appVersion.clear();
    SimInterface noApp(empty);
    EXPECT_EQ(ask(noApp, frame16(0x05, {0x03})), frame16(0x00, {0x11}));
    EXPECT_FALSE(noApp.restarting());
    EXPECT_FALSE(noApp.applicationRunning());
}

// --- modem lines --------------------------------------------------------------------------------

struct LinesCase {
    SimHandshake handshake;
    bool dsrWithDtr;
    bool dsrWithoutDtr;
    bool carrier;
};

TEST(SimModemLines, FollowTheKindOfLine) {
    const LinesCase cases[] = {
        {SimHandshake::DsrEchoesDtr, true, false, false},
        {SimHandshake::CarrierOnly, false, false, true},
        {SimHandshake::None, false, false, false},
    };
    for (const LinesCase& c : cases) {
        SimInterface sim;
        sim.handshake = c.handshake;
        sim.setDtr(true);
        EXPECT_EQ(sim.dsr(), c.dsrWithDtr);
        EXPECT_EQ(sim.carrier(), c.carrier);
        sim.setDtr(false);
        EXPECT_EQ(sim.dsr(), c.dsrWithoutDtr);
        EXPECT_EQ(sim.carrier(), c.carrier);
    }
}

}  // namespace
