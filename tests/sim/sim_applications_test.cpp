// The simulated interface's firmware download (both generations) and its JED677 application with
// an ECU behind it, frame by frame; and the minimal ECU on its own.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "ScriptedLink.h"
#include "SimInterface.h"
#include "SimMinimalEcu.h"

namespace {

Bytes frameOf(uint8_t gen, uint8_t command, const Bytes& data) {
    return gen == 2 ? frame16(command, data) : frame8(command, data);
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct Exchange {
    uint8_t command;
    Bytes data;
    uint8_t replyCommand;
    Bytes replyData;
};

// Sends each request whole and checks its one reply.
void run(SimInterface& sim, const std::vector<Exchange>& exchanges) {
    const uint8_t gen = sim.config().generation;
    for (size_t i = 0; i < exchanges.size(); ++i) {
        const Exchange& e = exchanges[i];
        sim.receive(frameOf(gen, e.command, e.data));
        EXPECT_EQ(sim.takeFrame(), frameOf(gen, e.replyCommand, e.replyData)) << "exchange " << i;
    }
    EXPECT_FALSE(sim.hasOutput());
}

Bytes block(uint16_t number, uint8_t fill) {
    Bytes data{static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number & 0xFF)};
    data.insert(data.end(), 64, fill);
    return data;
}

Bytes versionBlock(uint16_t number, const std::string& version) {
    Bytes data = block(number, 0xFF);
    std::copy(version.begin(), version.end(), data.begin() + 2);
    data[2 + version.size()] = 0;
    return data;
}

SimConfig generation(uint8_t g, std::string appVersion = "JED-677 V2.04") {
    SimConfig config;
    config.generation = g;
    config.appVersion = std::move(appVersion);
    return config;
}

// --- generation 1 download ---------------------------------------------------------------------

TEST(SimDownload1, BlocksBetweenOpenAndCloseBecomeTheApplicationAtTheEnd) {
    SimInterface sim(generation(1));
    run(sim, {{0x08, {0x00}, 0x08, {}},
              {0x03, versionBlock(0x80, "JED-677 V2.10"), 0x03, {}},
              {0x04, {}, 0x04, {}},  // erased, not yet in place
              {0x03, block(0x82, 0x5A), 0x03, {}},
              {0x08, {0x01}, 0x08, {}},
              {0x04, {}, 0x04, text("JED-677 V2.10")}});
    EXPECT_EQ(sim.completedDownloads(), 1);
    const Bytes flashed = sim.flashedImage();
    ASSERT_EQ(flashed.size(), 3u * 64);
    EXPECT_EQ(flashed[64], 0xFF);  // block 0x81 was never written
    EXPECT_EQ(flashed[128], 0x5A);
    EXPECT_EQ(sim.flashedLoadAddress(), 0xA000u);
}

TEST(SimDownload1, BlocksWithoutTheServiceTakeEffectAtOnce) {
    SimInterface sim(generation(1));
    run(sim, {{0x01, {}, 0x01, {}}, {0x03, versionBlock(0x80, "JED-677 V3.00"), 0x03, {}},
              {0x04, {}, 0x04, text("JED-677 V3.00")}});
    EXPECT_EQ(sim.completedDownloads(), 0);
}

TEST(SimDownload1, BrokenOffDownloadLeavesNoApplication) {
    SimInterface sim(generation(1));
    run(sim, {{0x08, {0x00}, 0x08, {}}, {0x03, versionBlock(0x80, "JED-677 V2.10"), 0x03, {}},
              {0x01, {}, 0x01, {}}, {0x08, {0x01}, 0x08, {}}, {0x04, {}, 0x04, {}},
              {0x05, {}, 0x00, {0x11}}});
}

TEST(SimDownload1, RefusedBlocks) {
    SimConfig running = generation(1);
    running.applicationRunning = true;
    SimInterface app(running);
    run(app, {{0x03, block(0x80, 1), 0x00, {0x03}}});
    SimInterface sim(generation(1));
    Bytes shortBlock = block(0x80, 1);
    shortBlock.pop_back();
    run(sim, {{0x03, shortBlock, 0x00, {0x07}},
              {0x03, block(0x7F, 1), 0x00, {0x07}},
              {0x03, block(0x80 + 0x180, 1), 0x00, {0x07}},
              {0x03, block(0x80 + 0x17F, 1), 0x03, {}}});
}

TEST(SimDownload1, InjectedFailureForTheSecondBlock) {
    SimInterface sim(generation(1));
    sim.injectStatusFor(0x03, 0x04, 1);
    run(sim, {{0x03, block(0x80, 1), 0x03, {}}, {0x03, block(0x81, 1), 0x00, {0x04}},
              {0x03, block(0x81, 1), 0x03, {}}});
}

// --- generation 2 download ---------------------------------------------------------------------

TEST(SimDownload2, TheWholeSequence) {
    SimInterface sim(generation(2, "DI2_DiagApp_V1.05"));
    Bytes image = text("DI2_DiagApp_V1.07");
    image.push_back(0);
    image.resize(200, 0x33);
    run(sim, {{0x06, {0x80, 0x00, 0x45, 0x01}, 0x06, {'Z'}},
              {0x10, {0x10, 0x85}, 0x10, {0x50, 0x85}},
              {0x34, {0x0C, 0x00, 0x00, 0x00, 0x00, 200}, 0x34, {0x74}},
              {0x04, {}, 0x04, {}},
              {0x36, Bytes(image.begin(), image.begin() + 128), 0x36, {0x76}},
              {0x36, Bytes(image.begin() + 128, image.end()), 0x36, {0x76}},
              {0x37, {}, 0x37, {0x77}},
              {0x10, {0x31, 0xFA, 0x02}, 0x10, {0x71, 0xFA, 0x00}},
              {0x04, {}, 0x04, text("DI2_DiagApp_V1.07")}});
    EXPECT_EQ(sim.flashedImage(), image);
    EXPECT_EQ(sim.flashedLoadAddress(), 0x0C0000u);
    EXPECT_EQ(sim.flashSelector(), 2);
    EXPECT_EQ(sim.completedDownloads(), 1);
}

TEST(SimDownload2, StepsOutOfOrderOrMalformed) {
    SimInterface sim(generation(2));
    run(sim, {{0x34, {0, 0, 0, 0, 0, 1}, 0x00, {0x03}},
              {0x36, {1}, 0x00, {0x03}},
              {0x37, {}, 0x00, {0x03}},
              {0x10, {0x31, 0xFA, 0x00}, 0x00, {0x03}},
              {0x10, {0x10, 0x85}, 0x10, {0x50, 0x85}},
              {0x34, {0, 0, 0, 0, 0}, 0x00, {0x07}},
              {0x34, {0, 0, 0, 0x10, 0, 0}, 0x00, {0x07}},  // beyond the flash
              {0x34, {0, 0, 0, 0, 0, 2}, 0x34, {0x74}},
              {0x36, {1, 2, 3}, 0x00, {0x07}},  // more than announced
              {0x36, {1}, 0x36, {0x76}},
              {0x37, {}, 0x00, {0x04}},  // a byte missing
              {0x04, {}, 0x04, {}}});
}

TEST(SimDownload2, ConfiguredVersionAndActivationResult) {
    SimConfig config = generation(2);
    config.flashedAppVersion = "DI2_DiagApp_V9.99";
    SimInterface sim(config);
    run(sim, {{0x10, {0x10, 0x85}, 0x10, {0x50, 0x85}}, {0x34, {0, 0, 0, 0, 0, 1}, 0x34, {0x74}},
              {0x36, {0xAB}, 0x36, {0x76}}, {0x37, {}, 0x37, {0x77}},
              {0x10, {0x31, 0xFA, 0x01}, 0x10, {0x71, 0xFA, 0x00}},
              {0x04, {}, 0x04, text("DI2_DiagApp_V9.99")}});

    SimConfig failing = generation(2);
    failing.flashCheckResult = 0x22;
    failing.versionCheckAnswer = 'N';
    SimInterface bad(failing);
    run(bad, {{0x06, {0x80, 0x00, 0x45, 0x01}, 0x06, {'N'}},
              {0x10, {0x10, 0x85}, 0x10, {0x50, 0x85}}, {0x34, {0, 0, 0, 0, 0, 1}, 0x34, {0x74}},
              {0x36, {0xAB}, 0x36, {0x76}}, {0x37, {}, 0x37, {0x77}},
              {0x10, {0x31, 0xFA, 0x01}, 0x10, {0x71, 0xFA, 0x22}}, {0x04, {}, 0x04, {}}});
}

TEST(SimDownload2, NotWhileTheApplicationRuns) {
    SimConfig config = generation(2);
    config.applicationRunning = true;
    SimInterface sim(config);
    run(sim, {{0x10, {0x10, 0x85}, 0x00, {0x03}}, {0x34, {0, 0, 0, 0, 0, 1}, 0x00, {0x03}}});
}

// --- the JED677 application ----------------------------------------------------------------------

class ScriptedEcu : public SimEcu {
public:
    std::function<std::optional<SimBytes>(const SimBytes&)> reply;
    bool answersAt(uint8_t address) const override { return address == 0x33; }
    std::optional<SimBytes> answer(const SimBytes& message) override { return reply(message); }
};

class SimJed677 : public ::testing::TestWithParam<uint8_t> {
protected:
    std::unique_ptr<SimInterface> sim;
    std::shared_ptr<ScriptedEcu> ecu = std::make_shared<ScriptedEcu>();
    void SetUp() override {
        SimConfig config = generation(GetParam());
        config.applicationRunning = true;
        config.ecuBaudDivisor = 0x0412;
        config.ecuWord = 0xBEEF;
        config.freeRunningData = {9, 8, 7};
        sim = std::make_unique<SimInterface>(config);
        sim->attachEcu(ecu);
        ecu->reply = [](const SimBytes& m) -> std::optional<SimBytes> {
            if (m == SimBytes{0x07}) return std::nullopt;
            if (m == SimBytes{0x06}) return SimBytes{};
            SimBytes answer = m;
            answer.back() ^= 0xFF;
            return answer;
        };
    }
};

TEST_P(SimJed677, CommunicationWithTheEcu) {
    run(*sim, {{0x11, {0x02}, 0x00, {0x12}},                // not started
               {0x10, {0x34}, 0x00, {0x0E}},                // nobody there
               {0x10, {0x33}, 0x10, {0x04, 0x12, 0xBE, 0xEF}},
               {0x11, {0x82, 0x14, 0x70}, 0x11, {0x82, 0x14, 0x8F}},
               {0x11, {0x82, 0x14}, 0x00, {0x07}},          // shorter than its header
               {0x11, {0x02, 0x00}, 0x00, {0x07}},          // longer
               {0x11, {0x07}, 0x00, {0x0F}},                // the ECU stays silent
               {0x11, {0x06}, 0x11, {}},                    // an empty answer
               {0x11, {0x0F}, 0x11, {0xF0}},                // stop
               {0x11, {0x02}, 0x00, {0x12}}});
    EXPECT_FALSE(sim->communicating());
    EXPECT_EQ(sim->ecuAddress(), 0x33);
}

TEST_P(SimJed677, ServicesOfTheApplication) {
    run(*sim, {{0x14, {0, 100, 0, 10, 1, 0xF4}, 0x14, {}},
               {0x14, {0, 100}, 0x00, {0x07}},
               {0x13, {0x12, 0x34, 0x56}, 0x13, {}},
               {0x13, {}, 0x00, {0x07}},
               {0x12, {}, 0x12, {9, 8, 7}},
               {0x12, {1}, 0x00, {0x07}}});
    EXPECT_EQ(sim->jed677Config(), (Bytes{0, 100, 0, 10, 1, 0xF4}));
    EXPECT_EQ(sim->reizImpuls(), (Bytes{0x12, 0x34, 0x56}));
}

TEST_P(SimJed677, MessagesForTheEcuAreKeptAlsoWhenNotCarriedOut) {
    run(*sim, {{0x10, {0x33}, 0x10, {0x04, 0x12, 0xBE, 0xEF}},
               {0x11, {0x82, 0x14, 0x70}, 0x11, {0x82, 0x14, 0x8F}}});
    sim->setSilent(true);
    sim->receive(GetParam() == 1 ? frame8(0x11, {0x83, 0x21, 0x00, 0x00})
                                 : frame16(0x11, {0x83, 0x21, 0x00, 0x00}));
    EXPECT_FALSE(sim->hasOutput());
    EXPECT_EQ(sim->requests().size(), 2u) << "the silent interface never carried it out";
    EXPECT_EQ(sim->messagesForEcu(),
              (std::vector<SimBytes>{{0x82, 0x14, 0x70}, {0x83, 0x21, 0x00, 0x00}}));
}

TEST_P(SimJed677, NoEcuAttached) {
    sim->attachEcu(nullptr);
    run(*sim, {{0x10, {0x33}, 0x00, {0x0E}}, {0x11, {0x02}, 0x00, {0x12}}});
}

INSTANTIATE_TEST_SUITE_P(Generations, SimJed677, ::testing::Values(1, 2));

TEST(SimJed677Firmware, OnlyWhileTheApplicationRuns) {
    SimInterface gen1(generation(1));
    gen1.attachEcu(std::make_shared<SimMinimalEcu>());
    // The basic firmware knows neither; 0x12 is its close sequence there.
    run(gen1, {{0x10, {0x10}, 0x00, {}}, {0x11, {0x02}, 0x00, {}}, {0x05, {}, 0x05, {}},
               {0x10, {0x10}, 0x10, {0x04, 0x12, 0x00, 0x00}}});

    SimConfig sae = generation(2);
    sae.applicationRunning = true;
    SimInterface gen2(sae);
    gen2.attachEcu(std::make_shared<SimMinimalEcu>());
    run(gen2, {{0x05, {0x04}, 0x05, {}}, {0x10, {0x10}, 0x00, {0x07}}, {0x14, {0, 0, 0, 0, 0, 0}, 0x00, {}}});
}

// --- the minimal ECU -----------------------------------------------------------------------------

struct EcuCase {
    const char* name;
    SimBytes message;
    std::optional<SimBytes> answer;
    bool negative = false;
};

class MinimalEcu : public ::testing::TestWithParam<EcuCase> {};

TEST_P(MinimalEcu, Answers) {
    SimMinimalEcu ecu;
    ecu.furtherIdentification = "AB";
    ecu.negativeIdentifier = GetParam().negative;
    EXPECT_EQ(ecu.answer(GetParam().message), GetParam().answer);
    EXPECT_EQ(ecu.messages(), std::vector<SimBytes>{GetParam().message});
}

INSTANTIATE_TEST_SUITE_P(
    Table, MinimalEcu,
    ::testing::Values(
        EcuCase{"Identification", {0x02},
                SimBytes{0x8D, 0x42, 0x10, 0x78, 0x2A, 0x05, 0x13, 0x76, 0x47, 0x89, 0x01, 0x02, 'A', 'B'}},
        EcuCase{"IdentifierWords", {0x08}, SimBytes{0x85, 0x48, 0x00, 0x01, 0x78, 0x10}},
        EcuCase{"IdentifierWordsNegative", {0x08}, SimBytes{0x05}, true},
        EcuCase{"Stop", {0x0F}, SimBytes{0x4F}},
        EcuCase{"UnknownIsSilent", {0x40}, std::nullopt},
        EcuCase{"LongMessageIsSilent", {0x82, 0x14, 0x70}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MinimalEcuAddress, AnswersOnlyAtItsAddress) {
    EXPECT_TRUE(SimMinimalEcu().answersAt(0x10));
    EXPECT_FALSE(SimMinimalEcu().answersAt(0x11));
    EXPECT_TRUE(SimMinimalEcu(0x55).answersAt(0x55));
}

TEST(MinimalEcuLongText, CutToWhatAMessageCarries) {
    SimMinimalEcu ecu;
    ecu.furtherIdentification = std::string(300, 'x');
    const std::optional<SimBytes> answer = ecu.answer({0x02});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->size(), 128u);
    EXPECT_EQ((*answer)[0], 0xFF);
}

}  // namespace
