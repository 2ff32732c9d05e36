// The SAE J1587 layer against the simulated interface's SAE application, through the real driver
// and the USB test library (once over a pseudo-terminal): opening with download and application
// start, the protocol variants, raw send and receive, priority, tester present, and the exported
// functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "DiagDr32.h"
#include "DiagDriver.h"
#include "SaeJ1587.h"
#include "SaeUsbFixture.h"
#include "SimPty.h"
#include "SimRequests.h"
#include "SimUsbBus.h"
#include "TempDir.h"

namespace {

using appfiles::Bytes;

Bytes sequence(size_t length, uint8_t first = 1) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

using SaeUsb = SaeUsbFixture;

// --- opening and closing ----------------------------------------------------------------------

TEST_F(SaeUsb, Generation1WithTheSaeApplicationCurrentStartsItWithoutFlash) {
    SimInterface& sim = addGen1(kSaeCurrent);
    driver.setBlockSize(64);
    ASSERT_EQ(driver.saeOpen("USB0", appFolder.path(), 1, 0), 0);
    EXPECT_EQ(countCommand(sim, 0x03), 0);
    EXPECT_EQ(countCommand(sim, 0x05), 1);
    EXPECT_TRUE(sim.saeRunning());
    // The block size is the PC's own: command 7 would reach the application as options.
    EXPECT_EQ(driver.blockSize(), 256);
    EXPECT_EQ(countCommand(sim, 0x07), 0);
    EXPECT_EQ(driver.saeVariant(), SAE_VARIANT_STANDARD);
    EXPECT_FALSE(driver.saeCutOff());
}

TEST_F(SaeUsb, Generation1WithTheJed677ApplicationIsFlashedFromTheFileThenStarted) {
    SimInterface& sim = addGen1("JED-677 V2.04");
    writeSaeFile();
    ASSERT_EQ(driver.saeOpen("USB0", appFolder.path(), 1, 0), 0);
    EXPECT_EQ(sim.completedDownloads(), 1);
    EXPECT_EQ(sim.appVersion(), kSaeFileVersion);
    const std::vector<uint8_t> commands = commandsOf(sim);
    const std::vector<uint8_t> tail = {0x01, 0x08, 0x03, 0x03, 0x03, 0x03, 0x03, 0x08, 0x05};
    ASSERT_GE(commands.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), commands.end() - static_cast<long>(tail.size())));
    EXPECT_TRUE(sim.saeRunning());
}

TEST_F(SaeUsb, Generation1WithoutAnSaeApplicationAnywhere) {
    SimInterface& sim = addGen1("JED-677 V2.04");
    EXPECT_EQ(driver.saeOpen("USB0", appFolder.path(), 1, 0), DIAG_ERR_NO_APPLICATION);
    EXPECT_EQ(driver.saeErrorCode(), DIAG_ERR_NO_APPLICATION);
    EXPECT_EQ(countCommand(sim, 0x05), 0);
    EXPECT_FALSE(sim.saeRunning());
    EXPECT_TRUE(driver.isOpen());
}

TEST_F(SaeUsb, Generation2StopsItsApplicationAndRestartsIntoTheSaeOne) {
    SimInterface& sim = addGen2(kGen2Current, true);
    ASSERT_EQ(driver.saeOpen("USB0", appFolder.path(), 1, 0), 0);
    EXPECT_EQ(sim.startedSelector(), 4);
    EXPECT_TRUE(sim.saeRunning());
    EXPECT_EQ(countCommand(sim, 0x34), 0);
    EXPECT_EQ(clock.sleptMs(), DiagDriver::kRestartWaitMs);
    EXPECT_TRUE(driver.isOpen());
    EXPECT_EQ(driver.portName(), "USB0");
}

TEST_F(SaeUsb, OpenReturnsItsResultWithoutTheTag) {
    SimInterface& sim = addGen1(kSaeCurrent);
    sim.injectStatusFor(0x05, 0x1A);
    EXPECT_EQ(driver.saeOpen("USB0", appFolder.path(), 1, 0), 0x2000001A);
    EXPECT_FALSE(sim.saeRunning());
}

TEST_F(SaeUsb, OpenStartsInTheStandardVariant) {
    openSae();
    ASSERT_EQ(driver.saeSetVariantNorva(1, 2, 3), 0);
    ASSERT_EQ(driver.saeOpen("USB0", appFolder.path(), 1, 0), 0);
    EXPECT_EQ(driver.saeVariant(), SAE_VARIANT_STANDARD);
    EXPECT_FALSE(driver.saeCutOff());
}

TEST_F(SaeUsb, CloseSetsTheStandardOptionsFirst) {
    SimInterface& sim = openSae();
    const uint8_t parameters[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(driver.saeSetVariantIso15765(parameters), 0);
    const size_t before = sim.requests().size();
    ASSERT_EQ(driver.saeClose(), 0);
    const std::vector<SimRequest> requests = sim.requests();
    ASSERT_GE(requests.size(), before + 2);
    EXPECT_EQ(requests[before].command, 0x07);
    EXPECT_EQ(requests[before].data, Bytes{0x00});
    EXPECT_EQ(requests[before + 1].command, 0x01);  // then back to the basic firmware
    EXPECT_FALSE(bus.isOpen(0));
    EXPECT_EQ(driver.saeVariant(), SAE_VARIANT_STANDARD);
}

// --- protocol variants --------------------------------------------------------------------------

struct VariantCase {
    const char* name;
    std::function<int32_t(DiagDriver&)> set;
    Bytes options;
    uint8_t variant;
    bool cutOff;
};

class ProtocolVariant : public SaeUsb, public ::testing::WithParamInterface<VariantCase> {};

TEST_P(ProtocolVariant, SendsItsOptionsAndKeepsTheVariant) {
    SimInterface& sim = openSae();
    driver.saeSetCutOff(!GetParam().cutOff);
    ASSERT_EQ(GetParam().set(driver), 0);
    EXPECT_EQ(sim.sae().options, GetParam().options);
    EXPECT_EQ(driver.saeVariant(), GetParam().variant);
    EXPECT_EQ(driver.saeCutOff(), GetParam().cutOff);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProtocolVariant,
    ::testing::Values(
        VariantCase{"Standard", [](DiagDriver& d) { return d.saeSetVariantStandard(); }, {0x00},
                    SAE_VARIANT_STANDARD, false},
        VariantCase{"Norva", [](DiagDriver& d) { return d.saeSetVariantNorva(0x1234, 0xFE, 7); },
                    {0x00}, SAE_VARIANT_NORVA, true},
        VariantCase{"Iso15765",
                    [](DiagDriver& d) {
                        const uint8_t parameters[5] = {0x11, 0x22, 0x33, 0x44, 0x55};
                        return d.saeSetVariantIso15765(parameters);
                    },
                    {0x01, 0x11, 0x22, 0x33, 0x44, 0x55}, SAE_VARIANT_ISO15765, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaeUsb, RefusedOptionsLeaveTheVariantAsItWas) {
    SimInterface& sim = openSae();
    sim.injectStatusFor(0x07, 0x12);
    EXPECT_EQ(driver.saeSetVariantNorva(1, 2, 3), 0x20090112);
    EXPECT_EQ(driver.saeVariant(), SAE_VARIANT_STANDARD);
    EXPECT_FALSE(driver.saeCutOff());
    EXPECT_EQ(driver.saeErrorCode(), 0x20090112);
}

// --- priority and raw send ------------------------------------------------------------------------

struct PriorityCase {
    uint8_t priority;
    int32_t status;
    uint8_t sent;  // 0: nothing sent
};

class ChangePriority : public SaeUsb, public ::testing::WithParamInterface<PriorityCase> {};

TEST_P(ChangePriority, SendsTheDigit) {
    SimInterface& sim = openSae();
    EXPECT_EQ(driver.saeChangePriority(GetParam().priority), GetParam().status);
    EXPECT_EQ(countCommand(sim, 0x15), GetParam().sent ? 1 : 0);
    EXPECT_EQ(sim.sae().priority, GetParam().sent);
    EXPECT_EQ(driver.saeErrorCode(), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(Table, ChangePriority,
                         ::testing::Values(PriorityCase{1, 0, '1'}, PriorityCase{3, 0, '3'},
                                           PriorityCase{8, 0, '8'},
                                           PriorityCase{9, SAE_ERR_ARGUMENT, 0},
                                           PriorityCase{0, SAE_ERR_ARGUMENT, 0}));

struct SendCase {
    const char* name;
    bool iso15765;
    size_t length;
    int32_t status;
    int32_t error;
};

class RawSend : public SaeUsb, public ::testing::WithParamInterface<SendCase> {};

TEST_P(RawSend, UpToTwentyBytesOnJ1708) {
    SimInterface& sim = openSae();
    if (GetParam().iso15765) {
        const uint8_t parameters[5] = {};
        ASSERT_EQ(driver.saeSetVariantIso15765(parameters), 0);
    }
    const Bytes message = sequence(GetParam().length, 0x80);
    EXPECT_EQ(driver.saeSend(message.data(), message.size()), GetParam().status);
    EXPECT_EQ(driver.saeErrorCode(), GetParam().error);
    const std::vector<SimBytes> sent = sim.sae().sent;
    if (GetParam().status == 0) {
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0], message);
    } else {
        EXPECT_TRUE(sent.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RawSend,
    ::testing::Values(SendCase{"One", false, 1, 0, 0}, SendCase{"Twenty", false, 20, 0, 0},
                      SendCase{"TwentyOne", false, 21, 0x2009030F, SAE_ERR_SEND_TOO_LONG},
                      SendCase{"Empty", false, 0, SAE_ERR_ARGUMENT, SAE_ERR_ARGUMENT},
                      SendCase{"Iso15765", true, 5, SAE_ERR_NOT_IN_ISO15765,
                               SAE_ERR_NOT_IN_ISO15765}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaeUsb, EveryCallStartsFromAClearError) {
    SimInterface& sim = openSae();
    const Bytes tooLong(21, 0x55);
    EXPECT_EQ(driver.saeSend(tooLong.data(), tooLong.size()), 0x2009030F);
    sim.injectStatus(0x07);
    EXPECT_EQ(driver.saeChangePriority(2), 0x20000007);
    EXPECT_EQ(driver.lastStatus(), 0x20000007);
    EXPECT_EQ(driver.saeChangePriority(3), 0);
    EXPECT_EQ(driver.saeErrorCode(), 0);
    EXPECT_EQ(driver.lastStatus(), 0);
    EXPECT_EQ(sim.sae().priority, '3');
}

// --- raw receive -----------------------------------------------------------------------------------

struct TimeoutCase {
    uint32_t ms;
    uint8_t units;
};

class ReceiveTimeout : public SaeUsb, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(ReceiveTimeout, FilterAcceptsAnySenderWithTheTimeoutIn50msUnits) {
    SimInterface& sim = openSae();
    const uint64_t before = clock.nowMs();
    uint8_t buffer[SAE_MAX_RECEIVE + 1];
    uint16_t length = 7;
    // Nobody sends: the interface waits the time-out out and says so.
    EXPECT_EQ(driver.saeReceive(buffer, sizeof buffer, length, GetParam().ms), 0x2009010F);
    EXPECT_EQ(driver.saeErrorCode(), 0x2009010F);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(buffer[0], 0);
    ASSERT_EQ(sim.sae().receiveFilters.size(), 1u);
    EXPECT_EQ(sim.sae().receiveFilters[0],
              (Bytes{0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, GetParam().units}));
    EXPECT_EQ(clock.nowMs() - before, GetParam().units * 50u);
}

// A time-out beyond one byte of 50 ms units waits the longest the byte holds, never wraps.
INSTANTIATE_TEST_SUITE_P(Table, ReceiveTimeout,
                         ::testing::Values(TimeoutCase{0, 0}, TimeoutCase{49, 0},
                                           TimeoutCase{1000, 20}, TimeoutCase{12750, 255},
                                           TimeoutCase{12800, 255}, TimeoutCase{13000, 255},
                                           TimeoutCase{0xFFFFFFFF, 255}),
                         [](const auto& info) { return std::to_string(info.param.ms) + "ms"; });

struct ReceiveCase {
    const char* name;
    size_t messageLength;
    size_t room;
    int32_t status;
};

class ReceiveRoom : public SaeUsb, public ::testing::WithParamInterface<ReceiveCase> {};

// Generation 2 carries replies of any length in one frame.
TEST_P(ReceiveRoom, MessageAndZeroOrNothing) {
    SimInterface& sim = openSae(2);
    const Bytes message = sequence(GetParam().messageLength, 0x10);
    sim.queueSaeMessage(message);
    const uint8_t guard = 0xA5;
    Bytes buffer(GetParam().room + 8, guard);
    uint16_t length = 99;
    EXPECT_EQ(driver.saeReceive(buffer.data(), GetParam().room, length, 500), GetParam().status);
    if (GetParam().status == 0) {
        EXPECT_EQ(length, message.size());
        EXPECT_TRUE(std::equal(message.begin(), message.end(), buffer.begin()));
        EXPECT_EQ(buffer[message.size()], 0);
        EXPECT_EQ(driver.saeErrorCode(), 0);
    } else {
        EXPECT_EQ(length, 0);
        EXPECT_EQ(buffer[0], 0);
        EXPECT_EQ(driver.saeErrorCode(), SAE_ERR_REPLY_TOO_LONG);
        EXPECT_TRUE(std::all_of(buffer.begin() + 1, buffer.begin() + GetParam().room,
                                [](uint8_t b) { return b == 0xA5; }));
    }
    EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<long>(GetParam().room), buffer.end(),
                            [](uint8_t b) { return b == 0xA5; }))
        << "written past the room";
    EXPECT_EQ(sim.queuedSaeMessages(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReceiveRoom,
    ::testing::Values(ReceiveCase{"Short", 4, 256, 0},
                      ReceiveCase{"Longest", 255, 256, 0},
                      ReceiveCase{"LongerThanTheLayerTakes", 256, 300, 0x2009031A},
                      ReceiveCase{"FillsTheRoomWithItsZero", 3, 4, 0},
                      ReceiveCase{"NoRoomForTheZero", 4, 4, 0x2009031A}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaeUsb, ReceiveNotInIso15765) {
    SimInterface& sim = openSae();
    const uint8_t parameters[5] = {};
    ASSERT_EQ(driver.saeSetVariantIso15765(parameters), 0);
    sim.queueSaeMessage({1, 2, 3});
    uint8_t buffer[SAE_MAX_RECEIVE + 1];
    uint16_t length = 0;
    EXPECT_EQ(driver.saeReceive(buffer, sizeof buffer, length, 1000), SAE_ERR_NOT_IN_ISO15765);
    EXPECT_TRUE(sim.sae().receiveFilters.empty());
}

// --- tester present -------------------------------------------------------------------------------

struct TesterPresentCase {
    const char* name;
    std::function<int32_t(DiagDriver&)> variant;
    bool sent;
    Bytes data;
    int32_t error;
};

class TesterPresent : public SaeUsb, public ::testing::WithParamInterface<TesterPresentCase> {};

TEST_P(TesterPresent, StartByVariantThenStop) {
    SimInterface& sim = openSae();
    ASSERT_EQ(GetParam().variant(driver), 0);
    EXPECT_EQ(driver.saeStartTesterPresent(), 0);
    EXPECT_EQ(driver.saeErrorCode(), GetParam().error);
    EXPECT_EQ(countCommand(sim, 0x19), GetParam().sent ? 1 : 0);
    EXPECT_EQ(sim.sae().testerPresent, GetParam().sent);
    EXPECT_EQ(sim.sae().testerPresentData, GetParam().data);

    EXPECT_EQ(driver.saeStopTesterPresent(), 0);
    EXPECT_EQ(driver.saeErrorCode(), 0);
    EXPECT_EQ(sim.requests().back().command, 0x1A);
    EXPECT_TRUE(sim.requests().back().data.empty());
    EXPECT_FALSE(sim.sae().testerPresent);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TesterPresent,
    ::testing::Values(
        // The standard variant has none: nothing is sent, 0 returned, the reason kept.
        TesterPresentCase{"Standard", [](DiagDriver& d) { return d.saeSetVariantStandard(); },
                          false, {}, SAE_ERR_NOT_IN_STANDARD},
        // Word 3 and word 1, their low bytes.
        TesterPresentCase{"Norva",
                          [](DiagDriver& d) { return d.saeSetVariantNorva(0x1211, 0x22, 0x3344); },
                          true, {0x44, 0x11}, 0},
        TesterPresentCase{"Iso15765",
                          [](DiagDriver& d) {
                              const uint8_t parameters[5] = {9, 8, 7, 6, 5};
                              return d.saeSetVariantIso15765(parameters);
                          },
                          true, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the layer tag on every call -----------------------------------------------------------------

struct TagCase {
    const char* name;
    std::function<void(SimInterface&)> fault;
    int32_t expected;
};

class LayerTag : public SaeUsb, public ::testing::WithParamInterface<TagCase> {};

TEST_P(LayerTag, OnEveryCallThatAsksTheInterface) {
    const std::vector<std::pair<const char*, std::function<int32_t(DiagDriver&)>>> calls = {
        {"AppVersion",
         [](DiagDriver& d) {
             char text[64];
             return d.saeAppVersion(text, sizeof text);
         }},
        {"Send",
         [](DiagDriver& d) {
             const uint8_t message[2] = {0x80, 0x00};
             return d.saeSend(message, sizeof message);
         }},
        {"Receive",
         [](DiagDriver& d) {
             uint8_t buffer[16];
             uint16_t length = 0;
             return d.saeReceive(buffer, sizeof buffer, length, 100);
         }},
        {"ChangePriority", [](DiagDriver& d) { return d.saeChangePriority(4); }},
        {"Standard", [](DiagDriver& d) { return d.saeSetVariantStandard(); }},
        {"Norva", [](DiagDriver& d) { return d.saeSetVariantNorva(1, 2, 3); }},
        {"StartTesterPresent", [](DiagDriver& d) { return d.saeStartTesterPresent(); }},
        {"StopTesterPresent", [](DiagDriver& d) { return d.saeStopTesterPresent(); }},
    };
    SimInterface& sim = openSae();
    // Tester present needs the maker's variant; refused options leave it in place.
    ASSERT_EQ(driver.saeSetVariantNorva(1, 2, 3), 0);
    sim.queueSaeMessage({0x80, 0x00});  // Receive would take it if the fault let it through
    for (const auto& [name, call] : calls) {
        GetParam().fault(sim);
        EXPECT_EQ(call(driver), GetParam().expected) << name;
        EXPECT_EQ(driver.saeErrorCode(), GetParam().expected) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LayerTag,
    ::testing::Values(
        TagCase{"Status12Tagged", [](SimInterface& s) { s.injectStatus(0x12); }, 0x20090112},
        TagCase{"Status0CTagged", [](SimInterface& s) { s.injectStatus(0x0C); }, 0x2009010C},
        TagCase{"Status0BUnchanged", [](SimInterface& s) { s.injectStatus(0x0B); }, 0x2000000B},
        TagCase{"TimeoutUnchanged", [](SimInterface& s) { s.injectSilence(); }, DIAG_ERR_TIMEOUT}),
    [](const auto& info) { return std::string(info.param.name); });

// --- over a pseudo-terminal -------------------------------------------------------------------------

TEST(SaeSerial, OpenSendReceiveAndCloseOnAPseudoTerminal) {
    TempDir config;
    TempDir appFolder;
    FakeClock clock;
    DiagDriver driver(clock);
    SimConfig c;
    c.appVersion = kSaeCurrent;
    SimInterface sim(c);
    std::string error;
    std::unique_ptr<SimPty> pty = SimPty::start(sim, &error);
    ASSERT_TRUE(pty) << error;
    std::filesystem::create_directories(config / "NORVA/ports");
    std::filesystem::create_symlink(pty->slavePath(), config / "NORVA/ports/COM2");
    driver.setConfigHome(config.path());
    driver.setModemLinesFactory([&pty] { return pty->modemLines(); });

    ASSERT_EQ(driver.saeOpen("COM2", appFolder.path(), 1, 0), 0);
    EXPECT_TRUE(sim.saeRunning());
    EXPECT_EQ(driver.saeChangePriority(3), 0);
    EXPECT_EQ(sim.sae().priority, '3');
    const Bytes message = sequence(20, 0x40);
    EXPECT_EQ(driver.saeSend(message.data(), message.size()), 0);
    EXPECT_EQ(sim.sae().sent, std::vector<SimBytes>{message});
    sim.queueSaeMessage({0x80, 0x00, 0xF3});
    uint8_t buffer[SAE_MAX_RECEIVE + 1];
    uint16_t length = 0;
    EXPECT_EQ(driver.saeReceive(buffer, sizeof buffer, length, 1000), 0);
    EXPECT_EQ(Bytes(buffer, buffer + length + 1), (Bytes{0x80, 0x00, 0xF3, 0x00}));
    EXPECT_EQ(driver.saeClose(), 0);
    EXPECT_EQ(sim.sae().options, Bytes{0x00});
    EXPECT_FALSE(sim.applicationRunning());
    pty->stop();
}

// --- the exported functions -------------------------------------------------------------------------

TEST(ExportedSae, SessionThroughTheProcessWideDriver) {
    TempDir appFolder;
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    SimConfig c;
    c.appVersion = kSaeCurrent;
    SimInterface& sim = bus.addDevice("Diagnostic Interface #1", c);

    ASSERT_EQ(SAEJ1587OpenDiagDriver("USB0", appFolder.path().c_str(), 1, 0), 0);
    char version[64];
    EXPECT_EQ(SAEJ1587AppVersion(version, sizeof version), 0);
    EXPECT_EQ(std::string(version), kSaeCurrent);
    EXPECT_EQ(SAEJ1587GetProtocolVariant(), SAE_VARIANT_STANDARD);

    EXPECT_EQ(SAEJ1587StartTesterPresent(), 0);
    EXPECT_EQ(SAEJ1587GetErrCode(), SAE_ERR_NOT_IN_STANDARD);
    EXPECT_EQ(SAEJ1587SetProtocolVariantNorva(0x0101, 0x0202, 0x0303), 0);
    EXPECT_EQ(SAEJ1587GetProtocolVariant(), SAE_VARIANT_NORVA);
    EXPECT_EQ(SAEJ1587StartTesterPresent(), 0);
    EXPECT_EQ(sim.sae().testerPresentData, (Bytes{0x03, 0x01}));
    EXPECT_EQ(SAEJ1587StopTesterPresent(), 0);
    EXPECT_EQ(SAEJ1587SetCutOffReceivedHeader(0), 0);
    EXPECT_FALSE(DiagDriver::instance().saeCutOff());

    const uint8_t tooLong[21] = {};
    EXPECT_EQ(SAEJ1587Send(tooLong, sizeof tooLong), 0x2009030F);
    EXPECT_EQ(SAEJ1587GetErrCode(), SAE_ERR_SEND_TOO_LONG);
    EXPECT_EQ(SAEJ1587ChangePriority(9), SAE_ERR_ARGUMENT);
    EXPECT_EQ(SAEJ1587ChangePriority(5), 0);

    // The classic receive takes its buffer as 256 bytes: the longest message and its zero.
    sim.queueSaeMessage({0x8C, 0x01, 0x02});
    uint8_t buffer[SAE_MAX_RECEIVE + 1 + 4];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    uint16_t length = 0;
    EXPECT_EQ(SAEJ1587Receive(buffer, &length, 1000, 0), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(Bytes(buffer, buffer + 5), (Bytes{0x8C, 0x01, 0x02, 0x00, 0xEE}));
    uint8_t small[3] = {0xEE, 0xEE, 0xEE};
    sim.queueSaeMessage({0x8C, 0x01, 0x02});
    EXPECT_EQ(SAEJ1587ReceiveBuf(small, 2, &length, 1000, 0), 0x2009031A);
    EXPECT_EQ(Bytes(small, small + 3), (Bytes{0x00, 0xEE, 0xEE}));
    EXPECT_EQ(SAEJ1587Receive(nullptr, &length, 1000, 0), SAE_ERR_ARGUMENT);

    EXPECT_EQ(SAEJ1587SetProtocolVariantIso15765(1, 2, 3, 4, 5), 0);
    EXPECT_EQ(sim.sae().options, (Bytes{0x01, 1, 2, 3, 4, 5}));
    EXPECT_EQ(SAEJ1587Send(tooLong, 3), SAE_ERR_NOT_IN_ISO15765);
    EXPECT_EQ(SAEJ1587CloseDiagDriver(), 0);
    EXPECT_EQ(SAEJ1587GetProtocolVariant(), SAE_VARIANT_STANDARD);
    EXPECT_FALSE(bus.isOpen(0));
    bus.reset();
}

TEST(ExportedSae, VersionTexts) {
    EXPECT_STREQ(SAEJ1587DiagDriverVer(), "SaeJ1587 V1.82");
    EXPECT_STREQ(SAEJ1587AppVer(), "SAE1587 V2.03/DI2_DiagApp_V1.06   ");
}

}  // namespace
