// Opening, connecting and disconnecting through the ECU layer, the identifier and the
// supported-version check, over the JED677 layer played by a simulated ECU.
#include <functional>

#include "KeltTestSupport.h"
#include "StringTable.h"

namespace {

using Path = SimKeltEcu::IdentifierPath;

class Connection : public KeltFixture {};

TEST_F(Connection, ConnectsAndReadsTheIdentifier) {
    const ConnectResult r = kelt->ConnectEcu();
    EXPECT_TRUE(r.connected());
    EXPECT_EQ(kelt->EcuIdentBytes, (std::array<uint8_t, 4>{0x10, 0x78, 0x01, 0x00}));
    EXPECT_EQ(kelt->EcuDiagnosticIdentification, "10780100");
    EXPECT_EQ(kelt->LetzterFehlercode, 0);
    EXPECT_EQ(kelt->KommunikationGestartet, 1);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0) << "set by the start of the diagnosis, not here";
    EXPECT_EQ(jed.config, (std::vector<uint16_t>{100, 10, 500}));
    EXPECT_EQ(jed.startUnused, 255u);
    EXPECT_EQ(jed.startAddress, 16);
    EXPECT_EQ(attr.SchnittstellenAppVersion, FakeJed677::kAppVersion);
    EXPECT_EQ(jed.calls(), (std::vector<std::string>{"JED677Config", "JED677AppVersion",
                                                     "JED677StartCommunication", "JED677Ident"}));
    EXPECT_TRUE(errors.shownCodes().empty());
}

struct IdentifierCase {
    std::string name;
    std::array<uint8_t, 4> ecuIdentifier;
    Path path;
    std::array<uint8_t, 4> expected;
    std::string text;
    bool localIdsRead;
};

class Identifiers : public KeltFixture, public ::testing::WithParamInterface<IdentifierCase> {};

TEST_P(Identifiers, TakesTheIdentifierByItsPath) {
    const IdentifierCase& c = GetParam();
    ecu->setIdentifier(c.ecuIdentifier, c.path);
    ASSERT_TRUE(kelt->ConnectEcu().connected());
    EXPECT_EQ(kelt->EcuIdentBytes, c.expected);
    EXPECT_EQ(kelt->EcuDiagnosticIdentification, c.text);
    EXPECT_EQ(ecu->count({0x14, 0x70}) + ecu->count({0x14, 0x71}), c.localIdsRead ? 2 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Identifiers,
    ::testing::Values(
        IdentifierCase{"Ident", {0x10, 0x74, 0x05, 0x00}, Path::Service08,
                       {0x10, 0x74, 0x05, 0x00}, "10740500", false},
        IdentifierCase{"IdentByte3Is37", {0x10, 0x74, 0x20, 0x37}, Path::Service08,
                       {0x10, 0x74, 0x20, 0x00}, "10742000", false},
        IdentifierCase{"IdentOtherByte3Kept", {0x10, 0x74, 0x05, 0x01}, Path::Service08,
                       {0x10, 0x74, 0x05, 0x01}, "10740501", false},
        // Negative answer to [08]: the identifier comes from 0x70 (byte 2 = 0x37 is 0x10).
        IdentifierCase{"LocalIds", {0x10, 0x71, 0x03, 0x00}, Path::LocalIds,
                       {0x10, 0x71, 0x03, 0x00}, "10710300", true},
        IdentifierCase{"LocalIdsDropByte3", {0x10, 0x76, 0x00, 0x37}, Path::LocalIds,
                       {0x10, 0x76, 0x00, 0x00}, "10760000", true},
        // Another first byte through [08] also sends the layer to the local ids.
        IdentifierCase{"OtherFamily", {0x20, 0x01, 0x02, 0x03}, Path::Service08,
                       {0x20, 0x01, 0x02, 0x00}, "20010200", true}),
    [](const auto& info) { return info.param.name; });

TEST_F(Connection, EcuAddressComesFromTheIniFile) {
    TempDir::writeFile(attr.AppIni, "[Diagnose]\r\nECUAdress=20\r\n");
    ecu->setAddress(20);
    EXPECT_TRUE(kelt->ConnectEcu().connected());
    EXPECT_EQ(jed.startAddress, 20);
}

TEST_F(Connection, StartFailureIsReturnedUnshown) {
    ecu->setAddress(17);  // the INI names no address: 16 is tried
    const ConnectResult r = kelt->ConnectEcu();
    EXPECT_FALSE(r.connected());
    EXPECT_EQ(r.startFailure, FakeJed677::kNoEcuAtAddress);
    EXPECT_EQ(r.answer, NoErrorShown);
    EXPECT_EQ(kelt->LetzterFehlercode, FakeJed677::kNoEcuAtAddress);
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_EQ(jed.count("JED677Ident"), 0);
    EXPECT_EQ(kelt->KommunikationGestartet, 0);
}

// Each failure point of the connection at the start of the diagnosis: exactly one dialog, in
// the right window, and the user's answer back.
using FailureCase = ConnectFailureCase<KeltFixture>;

class ConnectFailures : public Connection,
                        public ::testing::WithParamInterface<std::tuple<FailureCase, int>> {};

TEST_P(ConnectFailures, ShownOnceWithTheAnswerBack) {
    const auto& [c, answer] = GetParam();
    c.arrange(*this);
    expectConnectFailureShownOnce(*this, c.code, c.inStartDialog, answer);
    EXPECT_EQ(kelt->LetzterFehlercode, c.code);
    EXPECT_EQ(kelt->KommunikationGestartet, 0);
}

const FailureCase kConnectFailures[] = {
    {"Config", [](KeltFixture& f) { f.jed.fail("JED677Config", 0x2002000C); }, 0x2002000C, false},
    {"StartCommunication",
     [](KeltFixture& f) { f.jed.fail("JED677StartCommunication", 0x20020011); }, 0x20020011, true},
    {"WrongAddress", [](KeltFixture& f) { f.ecu->setAddress(3); }, FakeJed677::kNoEcuAtAddress,
     true},
    {"Ident", [](KeltFixture& f) { f.jed.fail("JED677Ident", 0x2002000D); }, 0x2002000D, false},
    {"LocalId70Refused",
     [](KeltFixture& f) {
         f.ecu->setIdentifier({0x10, 0x74, 0x06, 0}, Path::LocalIds);
         f.ecu->injectNegative({0x14, 0x70});
     },
     JED677_NEGATIVE_ANSWER, false},
    {"LocalId70Short",
     [](KeltFixture& f) {
         f.ecu->setIdentifier({0x10, 0x74, 0x06, 0}, Path::LocalIds);
         f.ecu->injectShortReply({0x14, 0x70}, 3);
     },
     DIAG_ERR_BAD_REPLY, false},
    {"LocalId71Undervoltage",
     [](KeltFixture& f) {
         f.ecu->setIdentifier({0x10, 0x74, 0x06, 0}, Path::LocalIds);
         f.ecu->injectUndervoltage({0x14, 0x71});
     },
     KELT_ERR_UNDERVOLTAGE, false},
    {"LocalId71Short",
     [](KeltFixture& f) {
         f.ecu->setIdentifier({0x10, 0x74, 0x06, 0}, Path::LocalIds);
         f.ecu->injectShortReply({0x14, 0x71}, 2);
     },
     DIAG_ERR_BAD_REPLY, false},
};

INSTANTIATE_TEST_SUITE_P(Points, ConnectFailures, withEachAnswer(kConnectFailures),
                         pointAndAnswerName());

TEST_F(Connection, StartDialogClosedAnyOtherWayGivesUp) {
    ecu->setRefusesStart(true);
    ScriptedStartDialog start{3};
    EXPECT_EQ(kelt->ConnectEcuAtStart(start), GiveUp);
}

TEST_F(Connection, RepeatAfterAFailedStartConnects) {
    jed.fail("JED677StartCommunication", 0x20020011);
    ScriptedStartDialog start{RepeatOperation};
    int answer;
    int rounds = 0;
    do {
        answer = kelt->ConnectEcuAtStart(start);
        ++rounds;
    } while (answer == RepeatOperation && rounds < 5);
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(rounds, 2);
    EXPECT_EQ(start.shown.size(), 1u);
    EXPECT_EQ(kelt->EcuDiagnosticIdentification, "10780100");
}

TEST_F(Connection, OpenInterfaceUsesThePortOfTheApplicationData) {
    attr.Schnittstellenname = "Diagnostic Interface #1";
    jed.fail("JED677OpenDiagDriver", DIAG_ERR_NO_INTERFACE);
    EXPECT_EQ(OpenDiagInterface("COM9"), DIAG_ERR_NO_INTERFACE);
    EXPECT_EQ(jed.openPort, "Diagnostic Interface #1");
    EXPECT_EQ(jed.openFolder, dir.path().string());
    EXPECT_EQ(jed.openCompare, 1);
    EXPECT_EQ(kelt->LetzterFehlercode, DIAG_ERR_NO_INTERFACE);
    EXPECT_EQ(cursor.pushes, 1);
    EXPECT_TRUE(errors.shownCodes().empty()) << "the port selection reports it";
    EXPECT_EQ(kelt->OpenInterface(), 0);
}

TEST_F(Connection, DisconnectStopsAndCloses) {
    connectTo({0x10, 0x78, 0x01, 0x00});
    EXPECT_EQ(kelt->DisconnectEcu(), 0);
    EXPECT_EQ(kelt->KommunikationGestartet, 0);
    EXPECT_EQ(ecu->bodies(), std::vector<SimBytes>{{0x0F}});
    EXPECT_EQ(jed.calls().back(), "JED677CloseDiagDriver");
}

TEST_F(Connection, FailedCloseIsShownAndAnswered) {
    connectTo({0x10, 0x78, 0x01, 0x00});
    jed.fail("JED677StopCommunication", DIAG_ERR_TIMEOUT);  // not looked at
    jed.fail("JED677CloseDiagDriver", DIAG_ERR_CHECKSUM);
    errors.script(RepeatOperation);
    EXPECT_EQ(kelt->StopDiagnosis(), RepeatOperation);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_CHECKSUM});
    EXPECT_EQ(kelt->KommunikationGestartet, 0);
}

struct SupportCase {
    std::string name;
    std::array<uint8_t, 4> identifier;
    bool goesOn;
    int messageId;  // 0: no message
};

class SupportedVersions : public KeltFixture, public ::testing::WithParamInterface<SupportCase> {};

TEST_P(SupportedVersions, ChecksTheIdentifier) {
    const SupportCase& c = GetParam();
    kelt->EcuIdentBytes = c.identifier;
    EXPECT_EQ(kelt->CheckEcuSupported(), c.goesOn);
    if (c.messageId == 0) {
        EXPECT_TRUE(boxes.shown.empty());
        return;
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    char hex[9];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x%02x", c.identifier[0], c.identifier[1],
                  c.identifier[2], c.identifier[3]);
    EXPECT_EQ(boxes.shown[0].text,
              "Ascertained diagnostic identifier : " + std::string(hex) + "\n\n" + LoadStr(c.messageId));
    EXPECT_EQ(boxes.shown[0].caption, "KELT Diagnostic");
    EXPECT_EQ(boxes.shown[0].flags, 0x30u);
}

INSTANTIATE_TEST_SUITE_P(
    Identifiers, SupportedVersions,
    ::testing::Values(SupportCase{"Exact", {0x10, 0x74, 0x05, 0x00}, true, 0},
                      SupportCase{"ExactLastEntry", {0x10, 0x78, 0x01, 0x00}, true, 0},
                      SupportCase{"NewerEcu", {0x10, 0x74, 0x05, 0x01}, true, 20057},
                      SupportCase{"MuchNewerEcu", {0x10, 0x70, 0x01, 0xFF}, true, 20057},
                      SupportCase{"UnknownType", {0x10, 0x74, 0x07, 0x00}, false, 20056},
                      SupportCase{"UnknownFamily", {0x10, 0x79, 0x00, 0x00}, false, 20056},
                      SupportCase{"OtherFirstByte", {0x11, 0x74, 0x05, 0x00}, false, 20056}),
    [](const auto& info) { return info.param.name; });

TEST_F(Connection, NotSupportedMessageReadsAsTheUserSeesIt) {
    kelt->EcuIdentBytes = {0x10, 0x79, 0x00, 0x00};
    kelt->CheckEcuSupported();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Ascertained diagnostic identifier : 10790000\n\nThe diagnostics version of the ECU "
              "is not supported by this diagnostic program.\nUpdate the diagnostics program.\nThe "
              "diagnostics will be terminated.");
}

TEST_F(Connection, DeriveEcuTypeReadsTheFirstSixDigits) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"10780100", 0x107801}, {"10742037", 0x107420}, {"1070010a", 0x107001}, {"", 0}};
    for (const auto& [text, type] : cases) {
        kelt->EcuDiagnosticIdentification = text;
        kelt->DeriveEcuType();
        EXPECT_EQ(kelt->EcuTyp, type) << text;
    }
}

TEST_F(Connection, ReportLastErrorClearsTheCodeSilently) {
    kelt->LetzterFehlercode = DIAG_ERR_TIMEOUT;
    EXPECT_EQ(kelt->ReportLastError(7), 0);
    EXPECT_EQ(kelt->LetzterFehlercode, 0);
    EXPECT_EQ(kelt->ReportLastError(), 0);
    EXPECT_TRUE(errors.shownCodes().empty());
}

TEST_F(Connection, SystemNameAndFaultHelp) {
    attr.HilfeDatei = "/opt/kelt/KELT.chm";
    attr.FspHilfeDatei = "/opt/kelt/KELT_Fsp.chm";
    kelt->InitSystemName();
    EXPECT_EQ(kelt->SystemName, "TARVIK");
    EXPECT_EQ(attr.FspHilfeDatei, "/opt/kelt/KELT.chm");
}

}  // namespace
