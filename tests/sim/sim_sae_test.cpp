// The simulated interface's SAE application, frame by frame: when it runs, the data it checks,
// and which message on the line a receive filter picks.
#include <gtest/gtest.h>

#include <string>

#include "ScriptedLink.h"
#include "SimInterface.h"

namespace {

Bytes frameOf(uint8_t gen, uint8_t command, const Bytes& data) {
    return gen == 2 ? frame16(command, data) : frame8(command, data);
}

// One request, its one reply frame.
Bytes exchange(SimInterface& sim, uint8_t command, const Bytes& data) {
    const uint8_t gen = sim.config().generation;
    sim.receive(frameOf(gen, command, data));
    Bytes reply = sim.takeFrame();
    EXPECT_FALSE(sim.hasOutput());
    return reply;
}

Bytes statusFrame(uint8_t gen, uint8_t status) { return frameOf(gen, 0x00, {status}); }

// An interface running its SAE application with J1708 options.
SimInterface& started(std::unique_ptr<SimInterface>& holder, uint8_t gen = 1) {
    SimConfig config;
    config.generation = gen;
    config.appVersion = gen == 2 ? "DI2_DiagApp_V1.06   " : "SAE1587 V2.03";
    config.applicationRunning = gen == 2;
    holder = std::make_unique<SimInterface>(config);
    SimInterface& sim = *holder;
    if (gen == 1) {
        EXPECT_EQ(exchange(sim, 0x05, {}), frame8(0x05, {}));
    } else {
        sim.receive(frame16(0x05, {0}));
        sim.takeFrame();
        sim.receive(frame16(0x05, {4}));
        sim.takeFrame();
        sim.opened();  // the restart into the application
    }
    EXPECT_TRUE(sim.saeRunning());
    EXPECT_EQ(exchange(sim, 0x07, {0x00}), frameOf(gen, 0x07, {}));
    return sim;
}

TEST(SimSae, RunsOnlyWhenTheSaeApplicationWasStarted) {
    SimConfig jed;
    jed.appVersion = "JED-677 V2.04";
    SimInterface gen1Jed(jed);
    EXPECT_EQ(exchange(gen1Jed, 0x05, {}), frame8(0x05, {}));
    EXPECT_FALSE(gen1Jed.saeRunning());
    // The JED677 application reads command 7 as the block size.
    EXPECT_EQ(exchange(gen1Jed, 0x07, {0x01, 0x00}), frame8(0x07, {0x01, 0x00}));

    SimConfig sae;
    sae.appVersion = "SAE1587 V2.03";
    SimInterface idle(sae);
    EXPECT_FALSE(idle.saeRunning());  // loaded, not started

    std::unique_ptr<SimInterface> holder;
    SimInterface& gen2 = started(holder, 2);
    EXPECT_EQ(gen2.startedSelector(), 4);
    // Command 0x12 is the raw send here, not the JED677 free-running request.
    EXPECT_EQ(exchange(gen2, 0x12, {0x80, 0x01}), frame16(0x12, {}));
    EXPECT_EQ(gen2.sae().sent, std::vector<SimBytes>{Bytes({0x80, 0x01})});
}

struct RefusalCase {
    const char* name;
    uint8_t command;
    Bytes data;
};

class SimSaeRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SimSaeRefusal, MalformedDataAnswersOutOfRange) {
    std::unique_ptr<SimInterface> holder;
    SimInterface& sim = started(holder);
    EXPECT_EQ(exchange(sim, GetParam().command, GetParam().data), statusFrame(1, 0x07));
    const SimSae sae = sim.sae();
    EXPECT_EQ(sae.options, Bytes{0x00});
    EXPECT_EQ(sae.priority, 0);
    EXPECT_TRUE(sae.sent.empty());
    EXPECT_TRUE(sae.receiveFilters.empty());
    EXPECT_TRUE(sae.requests.empty());
    EXPECT_FALSE(sae.testerPresent);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SimSaeRefusal,
    ::testing::Values(RefusalCase{"OptionsUnknown", 0x07, {0x02}},
                      RefusalCase{"OptionsIsoShort", 0x07, {0x01, 1, 2, 3, 4}},
                      RefusalCase{"SendEmpty", 0x12, {}},
                      RefusalCase{"SendTwentyOne", 0x12, Bytes(21, 0x55)},
                      RefusalCase{"PriorityNine", 0x15, {'9'}},
                      RefusalCase{"PriorityBinary", 0x15, {3}},
                      RefusalCase{"ReceiveFilterShort", 0x17, Bytes(7, 0)},
                      RefusalCase{"SendDataWithoutRequest", 0x18, Bytes(8, 0)},
                      RefusalCase{"TesterPresentJ1708WithoutData", 0x19, {}},
                      RefusalCase{"TesterPresentOffWithData", 0x1A, {1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimSae, RecordsWhatItWasAskedToDo) {
    std::unique_ptr<SimInterface> holder;
    SimInterface& sim = started(holder);
    EXPECT_EQ(exchange(sim, 0x15, {'6'}), frame8(0x15, {}));
    EXPECT_EQ(exchange(sim, 0x12, Bytes(20, 0x33)), frame8(0x12, {}));
    EXPECT_EQ(exchange(sim, 0x19, {0x44, 0x11}), frame8(0x19, {}));
    SimSae sae = sim.sae();
    EXPECT_EQ(sae.priority, '6');
    EXPECT_EQ(sae.sent, std::vector<SimBytes>{Bytes(20, 0x33)});
    EXPECT_TRUE(sae.testerPresent);
    EXPECT_EQ(sae.testerPresentData, (Bytes{0x44, 0x11}));
    EXPECT_EQ(exchange(sim, 0x1A, {}), frame8(0x1A, {}));
    EXPECT_FALSE(sim.sae().testerPresent);
    // Under ISO 15765 options tester present carries no data.
    EXPECT_EQ(exchange(sim, 0x07, {0x01, 1, 2, 3, 4, 5}), frame8(0x07, {}));
    EXPECT_EQ(exchange(sim, 0x19, {}), frame8(0x19, {}));
    EXPECT_EQ(sim.sae().options, (Bytes{0x01, 1, 2, 3, 4, 5}));
}

Bytes receiveFilter(uint16_t word1, uint16_t word2, uint16_t word3, uint8_t flags,
                    uint8_t units) {
    return {static_cast<uint8_t>(word1 >> 8), static_cast<uint8_t>(word1),
            static_cast<uint8_t>(word2 >> 8), static_cast<uint8_t>(word2),
            static_cast<uint8_t>(word3 >> 8), static_cast<uint8_t>(word3),
            flags, units};
}

struct FilterCase {
    const char* name;
    Bytes message;
    uint16_t word1;
    uint16_t word2;
    uint16_t word3;
    uint8_t flags;
    bool delivered;
};

class SimSaeFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(SimSaeFilter, PicksTheMatchingMessage) {
    std::unique_ptr<SimInterface> holder;
    SimInterface& sim = started(holder);
    FakeClock clock;
    sim.setSaeClock(&clock);
    const FilterCase& c = GetParam();
    sim.queueSaeMessage(c.message);
    const Bytes reply =
        exchange(sim, 0x17, receiveFilter(c.word1, c.word2, c.word3, c.flags, 40));
    if (c.delivered) {
        EXPECT_EQ(reply, frame8(0x17, c.message));
        EXPECT_EQ(sim.queuedSaeMessages(), 0u);
        EXPECT_EQ(clock.nowMs(), 0u);
    } else {
        // Waited the 40 x 50 ms out, heard nothing; the message stays on the line.
        EXPECT_EQ(reply, statusFrame(1, 0x0F));
        EXPECT_EQ(sim.queuedSaeMessages(), 1u);
        EXPECT_EQ(clock.nowMs(), 2000u);
    }
}

const Bytes kPid0 = {0x80, 0x00, 0xF3, 0x01};         // MID 0x80 asks for PID 243
const Bytes kEscaped = {0x80, 0xFF, 0x10, 0x22, 0x05};  // one page escape before PID 0x10

INSTANTIATE_TEST_SUITE_P(
    Table, SimSaeFilter,
    ::testing::Values(
        FilterCase{"AnyMatchesAnything", kPid0, 0x100, 0x100, 0x100, 0x01, true},
        FilterCase{"AnyMatchesAnEmptyMessage", {}, 0x100, 0x100, 0x100, 0x01, true},
        FilterCase{"Word1IsTheMid", kPid0, 0x80, 0x100, 0x100, 0x01, true},
        FilterCase{"Word1OtherMid", kPid0, 0x81, 0x100, 0x100, 0x01, false},
        FilterCase{"Word2IsThePid", kPid0, 0x80, 0x00, 0x100, 0x01, true},
        FilterCase{"Word3IsTheByteAfterThePid", kPid0, 0x80, 0x00, 0xF3, 0x01, true},
        FilterCase{"Word3Other", kPid0, 0x80, 0x00, 0xF4, 0x01, false},
        FilterCase{"WordAboveAByteNeverMatches", kPid0, 0x180, 0x100, 0x100, 0x01, false},
        FilterCase{"PageEscapeMovesWord2", kEscaped, 0x80, 0x10, 0x22, 0x11, true},
        FilterCase{"PageEscapeNotCounted", kEscaped, 0x80, 0x10, 0x100, 0x01, false},
        FilterCase{"TooShortForWord3", {0x80, 0x00}, 0x100, 0x100, 0x00, 0x01, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimSae, OtherSendersStayOnTheLineInTheirOrder) {
    std::unique_ptr<SimInterface> holder;
    SimInterface& sim = started(holder);
    sim.queueSaeMessage({0x81, 0x01});
    sim.queueSaeMessage({0x80, 0x02});
    sim.queueSaeMessage({0x80, 0x03});
    EXPECT_EQ(exchange(sim, 0x17, receiveFilter(0x80, 0x100, 0x100, 0x01, 1)),
              frame8(0x17, {0x80, 0x02}));
    EXPECT_EQ(exchange(sim, 0x17, receiveFilter(0x100, 0x100, 0x100, 0x01, 1)),
              frame8(0x17, {0x81, 0x01}));
    EXPECT_EQ(sim.queuedSaeMessages(), 1u);
    EXPECT_EQ(sim.sae().receiveFilters.size(), 2u);
}

}  // namespace
