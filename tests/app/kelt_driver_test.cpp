// The ECU layer through the real driver: libdiagdr32's exported JED677 functions, the USB
// test library and a generation-1 simulated interface with the simulated KELT ECU behind it.
#include <functional>

#include "DriverTestSupport.h"

namespace {

using Path = SimKeltEcu::IdentifierPath;

class ThroughTheDriver : public OverTheRealDriver<KeltFixture> {
public:
    void SetUp() override {
        OverTheRealDriver::SetUp();
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
        ASSERT_TRUE(sim->applicationRunning());
    }
    void connect() {
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        ecu->clearLog();
    }
};

// --- connection ---------------------------------------------------------------------------------

struct IdentifierCase {
    std::string name;
    std::array<uint8_t, 4> ecuIdentifier;
    Path path;
    std::string text;
};

class DriverIdentifiers : public ThroughTheDriver,
                          public ::testing::WithParamInterface<IdentifierCase> {};

TEST_P(DriverIdentifiers, Connect) {
    ecu->setIdentifier(GetParam().ecuIdentifier, GetParam().path);
    ASSERT_TRUE(kelt->ConnectEcu().connected());
    EXPECT_EQ(kelt->EcuDiagnosticIdentification, GetParam().text);
    EXPECT_TRUE(sim->communicating());
    EXPECT_EQ(sim->ecuAddress(), 16);
    EXPECT_EQ(sim->jed677Config(), (SimBytes{0, 100, 0, 10, 0x01, 0xF4}));
    EXPECT_EQ(attr.SchnittstellenAppVersion, "JED-677 V2.04");
    EXPECT_TRUE(errors.shownCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DriverIdentifiers,
    ::testing::Values(
        IdentifierCase{"Ident", {0x10, 0x78, 0x01, 0x00}, Path::Service08, "10780100"},
        IdentifierCase{"IdentByte3Is37", {0x10, 0x74, 0x06, 0x37}, Path::Service08, "10740600"},
        IdentifierCase{"LocalIds", {0x10, 0x71, 0x02, 0x00}, Path::LocalIds, "10710200"}),
    [](const auto& info) { return info.param.name; });

struct SupportCase {
    std::string name;
    std::array<uint8_t, 4> identifier;
    bool goesOn;
    std::size_t boxes;
};

class DriverSupportCheck : public ThroughTheDriver,
                           public ::testing::WithParamInterface<SupportCase> {};

TEST_P(DriverSupportCheck, Identifiers) {
    ecu->setIdentifier(GetParam().identifier);
    ASSERT_TRUE(kelt->ConnectEcu().connected());
    EXPECT_EQ(kelt->CheckEcuSupported(), GetParam().goesOn);
    EXPECT_EQ(boxes.shown.size(), GetParam().boxes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DriverSupportCheck,
    ::testing::Values(SupportCase{"Exact", {0x10, 0x74, 0x05, 0x00}, true, 0},
                      SupportCase{"Older", {0x10, 0x74, 0x05, 0x01}, true, 1},
                      SupportCase{"Unsupported", {0x10, 0x74, 0x07, 0x00}, false, 1}),
    [](const auto& info) { return info.param.name; });

using ConnectFailure = ConnectFailureCase<ThroughTheDriver>;

class DriverConnectFailures
    : public ThroughTheDriver,
      public ::testing::WithParamInterface<std::tuple<ConnectFailure, int>> {};

TEST_P(DriverConnectFailures, ShownOnceWithTheAnswerBack) {
    const auto& [c, answer] = GetParam();
    c.arrange(*this);
    expectConnectFailureShownOnce(*this, c.code, c.inStartDialog, answer);
}

const ConnectFailure kDriverConnectFailures[] = {
    {"Config",
     [](ThroughTheDriver& f) { f.sim->injectStatusFor(0x14, SimInterface::kStatusFaultyFunction); },
     jed677Status(SimInterface::kStatusFaultyFunction), false},
    {"RefusedStart", [](ThroughTheDriver& f) { f.ecu->setRefusesStart(true); },
     jed677Status(SimInterface::kStatusNoSynchroByte), true},
    {"WrongAddress", [](ThroughTheDriver& f) { f.ecu->setAddress(0x11); },
     jed677Status(SimInterface::kStatusNoSynchroByte), true},
    {"IdentSilent", [](ThroughTheDriver& f) { f.ecu->injectSilence({0x02}); },
     jed677Status(SimInterface::kStatusEcuSilent), false},
    {"LocalId70Refused",
     [](ThroughTheDriver& f) {
         f.ecu->setIdentifier({0x10, 0x74, 0x06, 0}, Path::LocalIds);
         f.ecu->injectNegative({0x14, 0x70});
     },
     JED677_NEGATIVE_ANSWER, false},
    {"LocalId71Undervoltage",
     [](ThroughTheDriver& f) {
         f.ecu->setIdentifier({0x10, 0x74, 0x06, 0}, Path::LocalIds);
         f.ecu->injectUndervoltage({0x14, 0x71});
     },
     KELT_ERR_UNDERVOLTAGE, false},
};

INSTANTIATE_TEST_SUITE_P(Points, DriverConnectFailures, withEachAnswer(kDriverConnectFailures),
                         pointAndAnswerName());

// --- identification, configuration, fault memory -----------------------------------------------

TEST_F(ThroughTheDriver, IdentificationDecoding) {
    connect();
    struct Case {
        std::array<uint8_t, 6> b4to9;
        uint8_t release;
        const char *product, *date, *version;
    } cases[] = {
        {{0x2E, 0x05, 0x31, 0x76, 0x4A, 0x85}, 0x12, "841 302 065 3", "2005-W10", "7.6.1.2."},
        {{0xFF, 0xFF, 0xFF, 0xAB, 0xFF, 0x7F}, 0x00, "842 1023 1023 15", "22127-W63", "A.B.0.0."},
    };
    for (const Case& c : cases) {
        SimBytes record{0x10, 0x78};
        record.insert(record.end(), c.b4to9.begin(), c.b4to9.end());
        record.insert(record.end(), {0, 0, 'X'});
        ecu->setIdentificationRecord(record);
        ecu->setSoftwareRelease(c.release);
        EXPECT_EQ(kelt->ReadIdentification(), 0);
        EXPECT_EQ(kelt->EcuProductNumber, c.product);
        EXPECT_EQ(kelt->EcuDateOfProduction, c.date);
        EXPECT_EQ(kelt->EcuSoftwareVersion, c.version);
    }
    EXPECT_TRUE(errors.shownCodes().empty());
}

TEST_F(ThroughTheDriver, ConfigurationDecoding) {
    struct Case {
        std::array<uint8_t, 4> identifier;
        uint8_t a, b, c, d;
        uint8_t front, pressure, mainThrottle, sidewalk, tilt, outputs, asian;
    } cases[] = {
        {{0x10, 0x78, 0x01, 0}, 2, 4, 11, 16, 1, 1, 1, 0, 1, 1, 0},
        {{0x10, 0x74, 0x20, 0}, 0xA2, 0x0C, 0x83, 0x12, 1, 0, 0, 1, 0, 1, 1},
        {{0x10, 0x70, 0x02, 0}, 0, 0x04, 0x01, 0x02, 0, 1, 1, 0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        ecu->setIdentifier(c.identifier);
        ecu->setConfiguration(c.a, c.b, c.c, c.d);
        connect();
        EXPECT_EQ(kelt->ReadConfiguration(), 0);
        EXPECT_EQ(std::vector<int>({kelt->CfgFrontAxle, kelt->CfgPressureSensor,
                                    kelt->CfgMainThrottle, kelt->CfgSidewalkMakeContact,
                                    kelt->CfgTiltSensor, kelt->CfgOutputs, kelt->AsianStyle}),
                  std::vector<int>({c.front, c.pressure, c.mainThrottle, c.sidewalk, c.tilt,
                                    c.outputs, c.asian}))
            << kelt->EcuDiagnosticIdentification;
    }
}

TEST_F(ThroughTheDriver, FaultMemoryDecoding) {
    connect();
    ecu->setFaultStatus(0, 0x05);
    ecu->setFaultStatus(4, 0x40);
    ecu->setFaultStatus(17, 0xE3);
    FaultEntryTable entries{};
    ASSERT_EQ(kelt->ReadFaultMemory(entries), 0);
    const std::array<std::array<int32_t, 5>, 5> expected = {{
        {10, 96, 3, 1, 1}, {10, 13, 1, 1, 1}, {30, 20, 30, 0, 0}, {51, 41, 20, 1, 3}, {51, 40, 10, 1, 3},
    }};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const FehlerEintrag& e = entries[i];
        EXPECT_EQ((std::array<int32_t, 5>{e.KomponentenCode, e.FehlerartCode, e.Nummer, e.Status,
                                          e.Zaehler}),
                  expected[i])
            << "entry " << i;
    }
    EXPECT_EQ(entries[5].Zaehler, 255);
    EXPECT_EQ(kelt->UpdateCurrentFault(), 0);
    EXPECT_EQ(kelt->CurrentComponent, 10);
    EXPECT_EQ(kelt->CurrentMode, 96);
}

TEST_F(ThroughTheDriver, UndervoltageIsReported) {
    connect();
    ecu->injectUndervoltage({0x14, 0xD1});
    errors.script(GiveUp);
    EXPECT_EQ(kelt->ReadConfiguration(), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{KELT_ERR_UNDERVOLTAGE});
}

TEST_F(ThroughTheDriver, ShortFaultReplyIsAnError) {
    connect();
    ecu->injectShortReply({0x11}, 30);
    errors.script(GiveUp);
    FaultEntryTable entries{};
    EXPECT_EQ(kelt->ReadFaultMemory(entries), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_BAD_REPLY});
}

TEST_F(ThroughTheDriver, RefusedTypesSendNothing) {
    connect();
    kelt->EcuTyp = 0x107500;
    const std::size_t requests = sim->requests().size();
    for (int i = 0; i < 4; ++i) errors.script(GiveUp);
    FaultEntryTable entries{};
    EXPECT_EQ(kelt->ReadIdentification(), GiveUp);
    EXPECT_EQ(kelt->ReadConfiguration(), GiveUp);
    EXPECT_EQ(kelt->ReadFaultMemory(entries), GiveUp);
    EXPECT_EQ(kelt->ClearFaultMemory(), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>(4, KELT_ERR_NOT_SUPPORTED));
    EXPECT_EQ(sim->requests().size(), requests);
    EXPECT_TRUE(ecu->messages().empty());
}

// --- clear and restart --------------------------------------------------------------------------

TEST_F(ThroughTheDriver, ClearAndRestart) {
    connect();
    ecu->setFaultStatus(17, 0xE3);
    EXPECT_EQ(kelt->ClearFaultMemory(), 0);
    EXPECT_EQ(ecu->faultStatus(), (std::array<uint8_t, 40>{}));
    EXPECT_EQ(waitDialog.waits, std::vector<int32_t>{10000});
    EXPECT_EQ(opener.calls, 1);
    EXPECT_EQ(bus.counters().closes, 1);
    EXPECT_EQ(bus.counters().opens, 2);
    EXPECT_TRUE(sim->communicating());
    EXPECT_EQ(kelt->CurrentComponent, KELTInterface::kNoCurrentComponent);
    EXPECT_TRUE(errors.shownCodes().empty());
}

struct RestartFailure {
    std::string name;
    std::function<void(ThroughTheDriver&)> arrange;
    int32_t code;
    bool reconnectsOnRepeat;  // else the answer comes back as it was given
    bool failsBeforeDisconnect;
};

class DriverRestartFailures
    : public ThroughTheDriver,
      public ::testing::WithParamInterface<std::tuple<RestartFailure, int>> {};

TEST_P(DriverRestartFailures, ShownOnceWithTheAnswerBack) {
    const auto& [c, answer] = GetParam();
    connect();
    c.arrange(*this);
    errors.script(answer);
    const int expected = answer == RepeatOperation && c.reconnectsOnRepeat ? 0 : answer;
    EXPECT_EQ(kelt->RestartEcuSession(), expected);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{c.code});
    EXPECT_EQ(kelt->KommunikationGestartet, expected == 0 || c.failsBeforeDisconnect ? 1 : 0);
    EXPECT_EQ(bus.counters().closes, c.failsBeforeDisconnect ? 0 : 1);
}

const RestartFailure kDriverRestartFailures[] = {
    {"CurrentFault", [](ThroughTheDriver& f) { f.ecu->injectNegative({0x11}); },
     JED677_NEGATIVE_ANSWER, false, true},
    {"Config",
     [](ThroughTheDriver& f) { f.sim->injectStatusFor(0x14, SimInterface::kStatusFaultyFunction); },
     jed677Status(SimInterface::kStatusFaultyFunction), true, false},
    {"StartCommunication",
     [](ThroughTheDriver& f) { f.sim->injectStatusFor(0x10, SimInterface::kStatusNoSynchroByte); },
     jed677Status(SimInterface::kStatusNoSynchroByte), true, false},
    {"Ident", [](ThroughTheDriver& f) { f.ecu->injectSilence({0x08}); },
     jed677Status(SimInterface::kStatusEcuSilent), true, false},
};

INSTANTIATE_TEST_SUITE_P(Points, DriverRestartFailures, withEachAnswer(kDriverRestartFailures),
                         pointAndAnswerName());

TEST_F(ThroughTheDriver, RestartEndsWhenTheInterfaceStaysClosed) {
    connect();
    opener.results.push_back(false);
    EXPECT_EQ(kelt->RestartEcuSession(), GiveUp);
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_FALSE(sim->communicating());
}

}  // namespace
