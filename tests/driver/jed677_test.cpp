// The JED677 layer against the simulated interface and an ECU behind it: opening with download
// and application start over the serial port (pseudo-terminal) and over the USB test library,
// the ECU calls with their decoding and edge cases, and the exported functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "AppFiles.h"
#include "DiagDr32.h"
#include "DiagDriver.h"
#include "JED677.h"
#include "ScriptedLink.h"
#include "SimLink.h"
#include "SimMinimalEcu.h"
#include "SimPty.h"
#include "SimRequests.h"
#include "SimUsbBus.h"
#include "SimUsbFixture.h"
#include "TempDir.h"

namespace {

using appfiles::gen1App;
using appfiles::gen2File;
using appfiles::imageOf;

const std::string kCurrent1 = "JED-677 V2.04";
const std::string kNew1 = "JED-677 V2.10";
const std::string kNew2 = "DI2_DiagApp_V1.07";

// An ECU whose answers the test writes.
class ScriptedEcu : public SimEcu {
public:
    explicit ScriptedEcu(std::function<std::optional<SimBytes>(const SimBytes&)> reply)
        : reply_(std::move(reply)) {}
    bool answersAt(uint8_t address) const override { return address == 0x10; }
    std::optional<SimBytes> answer(const SimBytes& message) override { return reply_(message); }

private:
    std::function<std::optional<SimBytes>(const SimBytes&)> reply_;
};

// --- opening over the serial port ---------------------------------------------------------------

class SerialOpen : public ::testing::Test {
protected:
    TempDir config;
    TempDir appFolder;
    FakeClock clock;
    DiagDriver driver{clock};
    std::unique_ptr<SimInterface> sim;
    std::unique_ptr<SimPty> pty;

    void start(const std::string& appVersion) {
        SimConfig c;
        c.appVersion = appVersion;
        sim = std::make_unique<SimInterface>(c);
        std::string error;
        pty = SimPty::start(*sim, &error);
        ASSERT_TRUE(pty) << error;
        std::filesystem::create_directories(config / "NORVA/ports");
        std::filesystem::create_symlink(pty->slavePath(), config / "NORVA/ports/COM3");
        driver.setConfigHome(config.path());
        driver.setModemLinesFactory([this] { return pty->modemLines(); });
    }
    void TearDown() override {
        driver.CloseDiagDriver(2);
        if (pty) pty->stop();
    }
};

TEST_F(SerialOpen, CurrentApplicationIsStartedWithoutFlash) {
    start(kCurrent1);
    TempDir::writeFile(appFolder / "old.app", gen1App({"JED-677 V2.03"}, imageOf("JED-677 V2.03", 100, 1)));
    ASSERT_EQ(driver.jed677Open("COM3", appFolder.path(), 1), 0);
    EXPECT_EQ(countCommand(*sim, 0x03), 0);
    EXPECT_EQ(countCommand(*sim, 0x05), 1);
    EXPECT_TRUE(sim->applicationRunning());
    EXPECT_EQ(sim->appVersion(), kCurrent1);
}

class SerialOpenFlash : public SerialOpen, public ::testing::WithParamInterface<const char*> {};

TEST_P(SerialOpenFlash, NewerFileIsFlashedThenStarted) {
    start(GetParam());
    const Bytes image = imageOf(kNew1, 200, 0x21);
    TempDir::writeFile(appFolder / "JED677.APP", gen1App({kNew1}, image));
    ASSERT_EQ(driver.jed677Open("COM3", appFolder.path(), 1), 0);
    EXPECT_EQ(sim->appVersion(), kNew1);
    EXPECT_EQ(sim->completedDownloads(), 1);
    const Bytes flashed = sim->flashedImage();
    ASSERT_GE(flashed.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flashed.begin()));
    // After the probe and the version questions: basic firmware, download, start.
    const std::vector<uint8_t> commands = commandsOf(*sim);
    const std::vector<uint8_t> tail = {0x01, 0x08, 0x03, 0x03, 0x03, 0x03, 0x08, 0x05};
    ASSERT_GE(commands.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), commands.end() - static_cast<long>(tail.size())));
    EXPECT_TRUE(sim->applicationRunning());
}

INSTANTIATE_TEST_SUITE_P(InterfaceApplication, SerialOpenFlash,
                         ::testing::Values("", "JED-677 V2.01"),
                         [](const auto& info) { return info.index == 0 ? "Missing" : "Older"; });

// --- opening over USB ---------------------------------------------------------------------------

class UsbOpen : public SimUsbFixture {
protected:
    TempDir appFolder;
};

TEST_F(UsbOpen, Generation2FlashesAndRestartsIntoTheApplication) {
    SimInterface& sim = addGen2("DI2_DiagApp_V1.05", true);
    const Bytes image = imageOf(kNew2, 700, 0x33);
    TempDir::writeFile(appFolder / "di2.app", gen2File(kNew2, image, 0xC00000, true));
    ASSERT_EQ(driver.jed677Open("USB0", appFolder.path(), 1), 0);
    EXPECT_EQ(sim.appVersion(), kNew2);
    EXPECT_EQ(sim.flashedImage(), image);
    EXPECT_EQ(sim.flashedLoadAddress(), 0xC00000u);
    EXPECT_EQ(sim.flashSelector(), 2);
    EXPECT_TRUE(sim.applicationRunning());
    EXPECT_EQ(sim.startedSelector(), 3);
    // Three restarts, each waited out: to the boot loader, after stopping, into the application.
    EXPECT_EQ(clock.sleptMs(), 3 * DiagDriver::kRestartWaitMs);
    EXPECT_EQ(bus.counters().opens, 4);
    EXPECT_TRUE(driver.isOpen());
    EXPECT_EQ(driver.portName(), "USB0");
}

TEST_F(UsbOpen, Generation2CurrentApplicationIsRestartedOnly) {
    SimInterface& sim = addGen2("DI2_DiagApp_V1.06   ", true);
    ASSERT_EQ(driver.jed677Open("USB0", appFolder.path(), 1), 0);
    EXPECT_EQ(countCommand(sim, 0x34), 0);
    EXPECT_EQ(sim.startedSelector(), 3);
    EXPECT_TRUE(sim.applicationRunning());
    EXPECT_EQ(clock.sleptMs(), DiagDriver::kRestartWaitMs);
}

TEST_F(UsbOpen, Generation2StartFailureEndsTheOpen) {
    SimInterface& sim = addGen2("DI2_DiagApp_V1.06   ", false);
    sim.injectStatusFor(0x05, 0x11);
    EXPECT_EQ(driver.jed677Open("USB0", appFolder.path(), 1), 0x20020011);
    EXPECT_FALSE(sim.applicationRunning());
    EXPECT_TRUE(driver.isOpen());
}

TEST_F(UsbOpen, FailedFlashLeavesNoApplicationAndTheNextOpenFlashesAgain) {
    SimInterface& sim = addGen1("JED-677 V2.01");
    const Bytes image = imageOf(kNew1, 300, 0x44);
    TempDir::writeFile(appFolder / "a.app", gen1App({kNew1}, image));
    sim.injectStatusFor(0x03, 0x04, 1);  // the second block fails to write
    EXPECT_EQ(driver.jed677Open("USB0", appFolder.path(), 1), 0x20000004);
    EXPECT_EQ(sim.appVersion(), "");
    EXPECT_FALSE(sim.applicationRunning());
    EXPECT_TRUE(driver.isOpen());  // the connection stays for the retry

    ASSERT_EQ(driver.jed677Open("USB0", appFolder.path(), 1), 0);
    EXPECT_EQ(sim.appVersion(), kNew1);
    EXPECT_EQ(sim.completedDownloads(), 1);
    EXPECT_TRUE(sim.applicationRunning());
}

TEST_F(UsbOpen, TaggedFailuresOfTheOpen) {
    driver.setUsbLibraryName("/nonexistent/libndiusb3.so");
    EXPECT_EQ(driver.jed677Open("USB0", appFolder.path(), 1), DIAG_ERR_USB_LIBRARY);
    EXPECT_EQ(driver.lastStatus(), DIAG_ERR_USB_LIBRARY);
    driver.setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    SimInterface& sim = addGen1("");
    EXPECT_EQ(driver.jed677Open("USB0", appFolder.path(), 1), DIAG_ERR_NO_APPLICATION);
    EXPECT_TRUE(driver.isOpen());
    sim.injectStatusFor(0x04, 0x1A);
    EXPECT_EQ(driver.jed677Open("USB0", appFolder.path(), 1), 0x2002001A);
    EXPECT_EQ(driver.lastStatus(), 0x2000001A);
}

struct CheckCase {
    const char* name;
    std::string current;
    bool newerFile;
    uint8_t flagIn;
    int32_t status;
    uint8_t flagOut;
    bool flashed;
    bool closed;
};

class CheckIfDownload : public UsbOpen, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckIfDownload, AsksOrPerformsThenCloses) {
    const CheckCase& c = GetParam();
    SimInterface& sim = addGen1(c.current);
    if (c.newerFile) TempDir::writeFile(appFolder / "a.app", gen1App({kNew1}, imageOf(kNew1, 80, 5)));
    uint8_t flag = c.flagIn;
    EXPECT_EQ(driver.jed677CheckIfDownload("USB0", appFolder.path(), flag, 1), c.status);
    EXPECT_EQ(flag, c.flagOut);
    EXPECT_EQ(sim.appVersion() == kNew1, c.flashed);
    EXPECT_EQ(driver.isOpen(), !c.closed);
    EXPECT_FALSE(sim.applicationRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Table, CheckIfDownload,
    ::testing::Values(CheckCase{"Due", kCurrent1, true, 0, 0, 1, false, true},
                      CheckCase{"NotDue", kCurrent1, false, 0, 0, 0, false, true},
                      CheckCase{"Perform", kCurrent1, true, 1, 0, 1, true, true},
                      CheckCase{"NoCandidateStaysOpen", "", false, 0, DIAG_ERR_NO_APPLICATION, 0,
                                false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the ECU calls --------------------------------------------------------------------------------

class Jed677Calls : public ::testing::Test {
protected:
    FakeClock clock;
    DiagDriver driver{clock};
    std::unique_ptr<SimInterface> sim;
    std::shared_ptr<SimMinimalEcu> ecu = std::make_shared<SimMinimalEcu>();

    void SetUp() override { connect({}); }
    void connect(SimConfig config) {
        driver.attachLink(nullptr);
        config.applicationRunning = true;
        sim = std::make_unique<SimInterface>(config);
        sim->attachEcu(ecu);
        driver.attachLink(std::make_unique<SimLink>(*sim, true, &clock));
        driver.setGeneration(1);
    }
    void TearDown() override { driver.attachLink(nullptr); }
    void startCommunication() {
        uint16_t baud = 0;
        uint16_t word = 0;
        ASSERT_EQ(driver.jed677StartCommunication(0x10, baud, word), 0);
    }
    SimBytes lastMessageSent() const {
        const std::vector<SimRequest> requests = sim->requests();
        return requests.empty() ? SimBytes{} : requests.back().data;
    }
};

struct SendCase {
    const char* name;
    Bytes buffer;  // as the caller fills it, 0x80 appended
    Bytes sent;
};

class SendDataLength : public Jed677Calls, public ::testing::WithParamInterface<SendCase> {};

TEST_P(SendDataLength, FromTheHeaderByte) {
    auto echo = std::make_shared<ScriptedEcu>([](const SimBytes& m) { return m; });
    sim->attachEcu(echo);
    startCommunication();
    Bytes buffer = GetParam().buffer;
    buffer.resize(JED677_MAX_MESSAGE, 0xEE);
    uint16_t length = 0;
    ASSERT_EQ(driver.jed677SendData(length, buffer.data(), buffer.size()), 0);
    EXPECT_EQ(lastMessageSent(), GetParam().sent);
    // The echo comes back as the reply, with its length.
    EXPECT_EQ(length, GetParam().sent.size());
    EXPECT_TRUE(std::equal(GetParam().sent.begin(), GetParam().sent.end(), buffer.begin()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SendDataLength,
    ::testing::Values(SendCase{"OneByte", {0x02, 0x80}, {0x02}},
                      SendCase{"HeaderAndThree", {0x83, 0x14, 0x70, 0x01, 0x80}, {0x83, 0x14, 0x70, 0x01}},
                      SendCase{"EmptyHeader", {0x80, 0x80}, {0x80}},
                      SendCase{"Longest", [] {
                                   Bytes b{0xFF};
                                   for (int i = 0; i < 127; ++i) b.push_back(static_cast<uint8_t>(i));
                                   return b;
                               }(),
                               [] {
                                   Bytes b{0xFF};
                                   for (int i = 0; i < 127; ++i) b.push_back(static_cast<uint8_t>(i));
                                   return b;
                               }()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Jed677Calls, NegativeAnswerAndStatusDataReachTheCaller) {
    startCommunication();
    Bytes buffer(JED677_MAX_MESSAGE, 0xEE);
    buffer[0] = 0x83;  // the minimal ECU does not know it: silence, status 0x0F
    uint16_t length = 99;
    EXPECT_EQ(driver.jed677SendData(length, buffer.data(), buffer.size()), 0x2002000F);
    EXPECT_EQ(lastMessageSent(), (Bytes{0x83, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(length, 1);
    EXPECT_EQ(buffer[0], 0x0F);  // the status byte in place of the reply

    ecu->negativeIdentifier = true;
    buffer.assign(JED677_MAX_MESSAGE, 0);
    buffer[0] = 0x08;
    EXPECT_EQ(driver.jed677SendData(length, buffer.data(), buffer.size()), JED677_NEGATIVE_ANSWER);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(buffer[0], 0x05);
}

TEST_F(Jed677Calls, PendingFramesAreWaitedOut) {
    startCommunication();
    sim->injectPending(3);
    Bytes buffer(JED677_MAX_MESSAGE, 0);
    buffer[0] = 0x0F;
    uint16_t length = 0;
    EXPECT_EQ(driver.jed677SendData(length, buffer.data(), buffer.size()), 0);
    EXPECT_EQ(buffer[0], 0x4F);
}

// Every call carries an interface status with the layer tag from 0x0C up; the low statuses and
// the driver's own codes pass unchanged.
struct TagCase {
    const char* name;
    std::function<void(SimInterface&)> fault;
    int32_t expected;
};

class StatusTag : public Jed677Calls, public ::testing::WithParamInterface<TagCase> {};

TEST_P(StatusTag, OnEveryCall) {
    const std::vector<std::pair<const char*, std::function<int32_t(DiagDriver&)>>> calls = {
        {"Config", [](DiagDriver& d) { return d.jed677Config(100, 10, 500); }},
        {"AppVersion",
         [](DiagDriver& d) {
             char text[128];
             return d.jed677AppVersion(text, sizeof text);
         }},
        {"StartCommunication",
         [](DiagDriver& d) {
             uint16_t baud = 0, word = 0;
             return d.jed677StartCommunication(0x10, baud, word);
         }},
        {"SendData",
         [](DiagDriver& d) {
             uint8_t message[JED677_MAX_MESSAGE] = {0x02, 0x80};
             uint16_t length = 0;
             return d.jed677SendData(length, message, sizeof message);
         }},
        {"Ident",
         [](DiagDriver& d) {
             JED677IdentData ident;
             int32_t words[4];
             return d.jed677Ident(ident, words);
         }},
        {"StopCommunication", [](DiagDriver& d) { return d.jed677StopCommunication(); }},
        {"FreeRunning",
         [](DiagDriver& d) {
             uint8_t data[64];
             uint16_t length = 0;
             return d.jed677FreeRunning(length, data, sizeof data);
         }},
        {"ReizImpuls", [](DiagDriver& d) { return d.jed677ReizImpuls(0x1234, 5); }},
        {"BIOSStart", [](DiagDriver& d) { return d.jed677BiosStart(); }},
    };
    for (const auto& [name, call] : calls) {
        connect({});
        startCommunication();
        GetParam().fault(*sim);
        EXPECT_EQ(call(driver), GetParam().expected) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, StatusTag,
    ::testing::Values(
        TagCase{"Status12Tagged", [](SimInterface& s) { s.injectStatus(0x12); }, 0x20020012},
        TagCase{"Status0CTagged", [](SimInterface& s) { s.injectStatus(0x0C); }, 0x2002000C},
        TagCase{"Status04Unchanged", [](SimInterface& s) { s.injectStatus(0x04); }, 0x20000004},
        TagCase{"Status0BUnchanged", [](SimInterface& s) { s.injectStatus(0x0B); }, 0x2000000B},
        TagCase{"TimeoutUnchanged", [](SimInterface& s) { s.injectSilence(); }, DIAG_ERR_TIMEOUT},
        TagCase{"ChecksumUnchanged", [](SimInterface& s) { s.injectBadChecksum(); },
                DIAG_ERR_CHECKSUM}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Jed677Calls, LastStatusKeepsTheUntaggedCode) {
    sim->injectStatus(0x12);
    EXPECT_EQ(driver.jed677Config(1, 2, 3), 0x20020012);
    EXPECT_EQ(driver.lastStatus(), 0x20000012);
}

struct BaudCase {
    uint16_t divisor;
    int32_t status;
    uint16_t baud;
};

class StartCommunicationBaud : public Jed677Calls, public ::testing::WithParamInterface<BaudCase> {};

TEST_P(StartCommunicationBaud, TenMillionByTheDivisor) {
    SimConfig c;
    c.ecuBaudDivisor = GetParam().divisor;
    c.ecuWord = 0x1234;
    connect(c);
    uint16_t baud = 7;
    uint16_t word = 7;
    EXPECT_EQ(driver.jed677StartCommunication(0x10, baud, word), GetParam().status);
    EXPECT_EQ(baud, GetParam().baud);
    EXPECT_EQ(word, GetParam().status == 0 ? 0x1234 : 0);
    EXPECT_EQ(sim->ecuAddress(), 0x10);
}

INSTANTIATE_TEST_SUITE_P(Divisors, StartCommunicationBaud,
                         ::testing::Values(BaudCase{1042, 0, 9596}, BaudCase{153, 0, 65359},
                                           BaudCase{0xFFFF, 0, 152},
                                           // No rate, or one the 16-bit output cannot hold.
                                           BaudCase{0, DIAG_ERR_BAD_REPLY, 0},
                                           BaudCase{152, DIAG_ERR_BAD_REPLY, 0},
                                           BaudCase{1, DIAG_ERR_BAD_REPLY, 0}));

TEST_F(Jed677Calls, StartCommunicationWithoutAnEcuThere) {
    uint16_t baud = 0;
    uint16_t word = 0;
    EXPECT_EQ(driver.jed677StartCommunication(0x22, baud, word), 0x2002000E);
    EXPECT_FALSE(sim->communicating());
}

TEST(Jed677ShortReplies, StartCommunicationNeedsFourBytes) {
    FakeClock clock;
    DiagDriver driver(clock);
    auto owned = std::make_unique<ScriptedLink>(true, &clock);
    owned->onWrite = [](const Bytes& frame, ScriptedLink& peer) {
        peer.queue(frame8(frame[0], {0x04, 0x12, 0x00}));
    };
    driver.attachLink(std::move(owned));
    driver.setGeneration(1);
    uint16_t baud = 1;
    uint16_t word = 1;
    EXPECT_EQ(driver.jed677StartCommunication(0x10, baud, word), DIAG_ERR_BAD_REPLY);
    EXPECT_EQ(baud, 0);
    EXPECT_EQ(word, 0);
    driver.attachLink(nullptr);
}

TEST_F(Jed677Calls, StopCommunication) {
    startCommunication();
    EXPECT_EQ(driver.jed677StopCommunication(), 0);
    EXPECT_FALSE(sim->communicating());
    EXPECT_EQ(ecu->messages().back(), Bytes{0x0F});
    // A reply with another command counts as the end too.
    startCommunication();
    sim->injectWrongCommand();
    EXPECT_EQ(driver.jed677StopCommunication(), 0);
    // Nothing to stop: the interface says the communication is not active.
    EXPECT_EQ(driver.jed677StopCommunication(), 0x20020012);
}

TEST_F(Jed677Calls, WrongCommandIsAnErrorForAMessage) {
    startCommunication();
    sim->injectWrongCommand();
    uint8_t message[JED677_MAX_MESSAGE] = {0x02};
    uint16_t length = 0;
    EXPECT_EQ(driver.jed677SendData(length, message, sizeof message), DIAG_ERR_WRONG_COMMAND);
}

TEST_F(Jed677Calls, IdentificationDecoded) {
    ecu->diagnosticIdentifier[0] = 0x10;
    ecu->diagnosticIdentifier[1] = 0x7;
    ecu->partNumber[0] = 0x2A;  // 42 + 256 * 1
    ecu->partNumber[1] = 0x05;  // bits 0-1: 1; >> 2: 1
    ecu->partNumber[2] = 0x53;  // & 15: 3 -> 64 * 3 + 1 = 193; >> 4: 5
    ecu->softwareVersion = 0x76;
    ecu->production[0] = 0x47;
    ecu->production[1] = 0x09;
    ecu->furtherIdentification = "ECU X1";
    startCommunication();
    JED677IdentData ident;
    std::memset(&ident, 0x55, sizeof ident);
    int32_t words[4] = {9, 9, 9, 9};
    ASSERT_EQ(driver.jed677Ident(ident, words), 0);
    EXPECT_STREQ(ident.diagnosticIdentifier, "10  7");
    EXPECT_STREQ(ident.partNumber, "200 298 193 5");
    EXPECT_EQ(ident.identification7, 0x76);
    EXPECT_STREQ(ident.production, " 7 / 2009");
    EXPECT_EQ(ident.identification10, 0x01);
    EXPECT_EQ(ident.identification11, 0x02);
    EXPECT_STREQ(ident.furtherIdentification, "ECU X1");
    EXPECT_EQ(std::vector<int32_t>(words, words + 4), (std::vector<int32_t>{0x00, 0x01, 0x78, 0x10}));
    const std::vector<SimBytes> messages = ecu->messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], Bytes{0x02});
    EXPECT_EQ(messages[1], Bytes{0x08});
}

TEST_F(Jed677Calls, IdentificationFieldsAtTheirLargest) {
    ecu->diagnosticIdentifier[0] = 0xFF;
    ecu->diagnosticIdentifier[1] = 0xFF;
    ecu->partNumber[0] = 0xFF;
    ecu->partNumber[1] = 0xFF;
    ecu->partNumber[2] = 0xFF;
    ecu->production[0] = 0xFF;
    ecu->production[1] = 0xFF;
    ecu->furtherIdentification = std::string(116, 'T');  // all a message can carry
    startCommunication();
    JED677IdentData ident;
    int32_t words[4];
    ASSERT_EQ(driver.jed677Ident(ident, words), 0);
    EXPECT_STREQ(ident.diagnosticIdentifier, "FF FF");
    // Wider than the 14 bytes of the old field; the struct holds it whole.
    EXPECT_STREQ(ident.partNumber, "100 1023 1023 15");
    EXPECT_STREQ(ident.production, "63 / 2327");
    EXPECT_EQ(std::string(ident.furtherIdentification), std::string(116, 'T'));
}

struct WordsCase {
    const char* name;
    std::optional<SimBytes> reply;
    int32_t status;
    std::vector<int32_t> words;
};

class IdentificationWords : public Jed677Calls, public ::testing::WithParamInterface<WordsCase> {};

TEST_P(IdentificationWords, FromTheEightReply) {
    auto scripted = std::make_shared<ScriptedEcu>([this](const SimBytes& m) -> std::optional<SimBytes> {
        if (m == SimBytes{0x08}) return GetParam().reply;
        return ecu->answer(m);
    });
    sim->attachEcu(scripted);
    startCommunication();
    JED677IdentData ident;
    int32_t words[4] = {9, 9, 9, 9};
    EXPECT_EQ(driver.jed677Ident(ident, words), GetParam().status);
    EXPECT_EQ(std::vector<int32_t>(words, words + 4), GetParam().words);
    EXPECT_STREQ(ident.production, " 7 / 2009");  // the [0x02] part is kept in any case
}

const std::vector<int32_t> kZeros = {0, 0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Table, IdentificationWords,
    ::testing::Values(
        WordsCase{"Positive", SimBytes{0x85, 0x48, 1, 2, 3, 4}, 0, {1, 2, 3, 4}},
        WordsCase{"NegativeOneByte", SimBytes{0x05}, 0, kZeros},
        WordsCase{"NegativeWithReason", SimBytes{0x82, 0x05, 0x11}, 0, kZeros},
        WordsCase{"TooShort", SimBytes{0x83, 0x48, 1, 2}, DIAG_ERR_BAD_REPLY, kZeros},
        WordsCase{"Silent", std::nullopt, 0x2002000F, kZeros}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Jed677Calls, IdentificationReplyTooShortForItsFields) {
    sim->attachEcu(std::make_shared<ScriptedEcu>([](const SimBytes&) {
        return std::optional<SimBytes>(SimBytes{0x85, 0x42, 0x10, 0x78, 0x01, 0x02});
    }));
    startCommunication();
    JED677IdentData ident;
    int32_t words[4];
    EXPECT_EQ(driver.jed677Ident(ident, words), DIAG_ERR_BAD_REPLY);
    EXPECT_STREQ(ident.partNumber, "");
}

TEST_F(Jed677Calls, IdentificationRefusedByTheEcu) {
    sim->attachEcu(std::make_shared<ScriptedEcu>([](const SimBytes&) {
        return std::optional<SimBytes>(SimBytes{0x82, 0x05, 0x02});
    }));
    startCommunication();
    JED677IdentData ident;
    int32_t words[4];
    // [0x82 0x05 ...] is not a 0x05 first byte: the fields are read, and they are too few.
    EXPECT_EQ(driver.jed677Ident(ident, words), DIAG_ERR_BAD_REPLY);
    sim->attachEcu(std::make_shared<ScriptedEcu>([](const SimBytes&) {
        return std::optional<SimBytes>(SimBytes{0x05});
    }));
    startCommunication();
    EXPECT_EQ(driver.jed677Ident(ident, words), JED677_NEGATIVE_ANSWER);
}

// The reply buffer is the caller's: never written past its room, never mistaken for a reply.
TEST_F(Jed677Calls, SendDataKeepsToTheBuffer) {
    SimBytes next;
    sim->attachEcu(std::make_shared<ScriptedEcu>([&next](const SimBytes&) {
        return std::optional<SimBytes>(next);
    }));
    startCommunication();

    // A reply longer than the room: cut at the room, the byte after it untouched.
    next = SimBytes{0x89, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    Bytes buffer(8, 0);
    buffer[0] = 0x02;
    buffer.push_back(0xCC);  // the canary beyond the room
    uint16_t length = 0;
    EXPECT_EQ(driver.jed677SendData(length, buffer.data(), 8), DIAG_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(buffer[8], 0xCC);
    EXPECT_EQ(length, 8);

    // A request announcing more bytes than the buffer holds is not sent.
    const size_t before = sim->requests().size();
    buffer.assign(4, 0);
    buffer[0] = 0x85;
    EXPECT_EQ(driver.jed677SendData(length, buffer.data(), 4), DIAG_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(sim->requests().size(), before);
    EXPECT_EQ(length, 0);

    // An empty reply leaves no request bytes behind that look like one.
    next = SimBytes{};
    buffer = {0x83, 0x14, 0x70, 0x01, 0x80};
    length = 9;
    EXPECT_EQ(driver.jed677SendData(length, buffer.data(), buffer.size()), DIAG_ERR_BAD_REPLY);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(buffer, (Bytes{0, 0, 0, 0, 0x80}));

    // A reply shorter than its header announces.
    next = SimBytes{0x85, 0x54, 1};
    buffer.assign(JED677_MAX_MESSAGE, 0);
    buffer[0] = 0x02;
    EXPECT_EQ(driver.jed677SendData(length, buffer.data(), buffer.size()), DIAG_ERR_BAD_REPLY);
    EXPECT_EQ(length, 3);

    // Longer than its header is fine: the header decides the length.
    next = SimBytes{0x81, 0x54, 0x99};
    EXPECT_EQ(driver.jed677SendData(length, buffer.data(), buffer.size()), 0);
    EXPECT_EQ(length, 2);
}

TEST_F(Jed677Calls, InterfaceServicesOfTheApplication) {
    EXPECT_EQ(driver.jed677Config(100, 10, 500), 0);
    EXPECT_EQ(sim->jed677Config(), (Bytes{0x00, 0x64, 0x00, 0x0A, 0x01, 0xF4}));
    EXPECT_EQ(driver.jed677ReizImpuls(0x1234, 0x56), 0);
    EXPECT_EQ(sim->reizImpuls(), (Bytes{0x12, 0x34, 0x56}));
    char text[128];
    EXPECT_EQ(driver.jed677AppVersion(text, sizeof text), 0);
    EXPECT_STREQ(text, "JED-677 V2.04");
    EXPECT_EQ(driver.jed677BiosStart(), 0);
    EXPECT_EQ(sim->requests().back().command, 0x01);
    EXPECT_FALSE(sim->applicationRunning());
}

TEST_F(Jed677Calls, FreeRunningHandsTheReplyBack) {
    SimConfig c;
    c.freeRunningData = {1, 2, 3, 4, 5, 6};
    connect(c);
    uint8_t data[8] = {};
    uint16_t length = 0;
    EXPECT_EQ(driver.jed677FreeRunning(length, data, sizeof data), 0);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(Bytes(data, data + 6), c.freeRunningData);
    uint8_t small[5] = {0, 0, 0, 0, 0xCC};
    EXPECT_EQ(driver.jed677FreeRunning(length, small, 4), DIAG_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(small[4], 0xCC);
}

// --- the exported functions -----------------------------------------------------------------------

TEST(ExportedJed677, SessionThroughTheProcessWideDriver) {
    TempDir appFolder;
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    SimInterface& sim = bus.addDevice("Diagnostic Interface #1", {});
    auto ecu = std::make_shared<SimMinimalEcu>();
    sim.attachEcu(ecu);

    ASSERT_EQ(JED677OpenDiagDriver("USB0", appFolder.path().c_str(), 1), 0);
    EXPECT_TRUE(sim.applicationRunning());
    EXPECT_EQ(JED677Config(100, 10, 500), 0);
    char version[128];
    EXPECT_EQ(JED677AppVersion(version, sizeof version), 0);
    EXPECT_STREQ(version, "JED-677 V2.04");

    uint16_t baud = 0;
    uint16_t word = 0;
    EXPECT_EQ(JED677StartCommunication(255, 0x10, &baud, &word), 0);
    EXPECT_EQ(baud, 9596);
    JED677IdentData ident;
    int32_t words[4];
    EXPECT_EQ(JED677Ident(&ident, words), 0);
    EXPECT_STREQ(ident.diagnosticIdentifier, "10 78");
    EXPECT_STREQ(ident.furtherIdentification, "KELT SIM");
    EXPECT_EQ(words[3], 0x10);

    uint8_t message[JED677_MAX_MESSAGE] = {0x02, 0x80};
    uint16_t length = 2;
    EXPECT_EQ(JED677SendData(&length, message), 0);
    EXPECT_EQ(ecu->messages().back(), Bytes{0x02});
    EXPECT_EQ(length, (message[0] & 0x7F) + 1);
    EXPECT_EQ(message[1], 0x42);
    uint8_t small[2] = {0x02, 0x80};
    EXPECT_EQ(JED677SendDataBuf(&length, small, sizeof small), DIAG_ERR_BUFFER_TOO_SMALL);

    sim.injectStatus(0x12);
    uint16_t freeLength = 0;
    uint8_t data[DIAG_MAX_FRAME_DATA];
    EXPECT_EQ(JED677FreeRunning(&freeLength, data), 0x20020012);
    EXPECT_EQ(JED677ReizImpuls(1, 2), 0);
    EXPECT_EQ(JED677StopCommunication(), 0);
    EXPECT_EQ(JED677CloseDiagDriver(), 0);
    EXPECT_FALSE(bus.isOpen(0));
    EXPECT_EQ(JED677Ident(nullptr, words), DIAG_ERR_BUFFER_TOO_SMALL);
    bus.reset();
}

TEST(ExportedJed677, VersionTexts) {
    EXPECT_STREQ(JED677DiagDriverVer(), "JED677 V3.22");
    EXPECT_STREQ(JED677AppVer(), "JED-677 V2.04/DI2_DiagApp_V1.06   ");
}

}  // namespace
