// Bringing the interface application up to date: the application files of both generations,
// the choice of the newest application, and the flash sequences, against the simulated interface
// in-process (and a scripted peer where the simulator would never misbehave so).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "AppFiles.h"
#include "DiagDr32.h"
#include "DiagDriver.h"
#include "ScriptedLink.h"
#include "SimLink.h"
#include "SimUsbBus.h"
#include "TempDir.h"

namespace {

using appfiles::gen1App;
using appfiles::gen2File;
using appfiles::Header;
using appfiles::imageOf;

constexpr int32_t kNoApp = DIAG_ERR_NO_APPLICATION;
constexpr int32_t kBadApp = DIAG_ERR_BAD_APPLICATION;

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// The image a generation-1 interface holds after a flash: whole 64-byte blocks, 0xFF-padded.
Bytes gen1Flashed(const Bytes& image) {
    Bytes padded = image;
    padded.resize((image.size() + 63) / 64 * 64, 0xFF);
    return padded;
}

class DriverOnSim : public ::testing::Test {
protected:
    TempDir folder;
    FakeClock clock;
    DiagDriver driver{clock};
    std::unique_ptr<SimInterface> sim;

    void connect(const SimConfig& config) {
        sim = std::make_unique<SimInterface>(config);
        // Generation 1 as a serial byte stream, generation 2 framed as over USB.
        driver.attachLink(std::make_unique<SimLink>(*sim, config.generation == 2, &clock));
        driver.setGeneration(config.generation);
    }
    void connect(uint8_t generation, const std::string& appVersion) {
        SimConfig config;
        config.generation = generation;
        config.appVersion = appVersion;
        connect(config);
    }
    void TearDown() override { driver.attachLink(nullptr); }

    std::filesystem::path write(const std::string& name, const std::string& text) {
        TempDir::writeFile(folder / name, text);
        return folder / name;
    }
    std::vector<SimRequest> requestsOf(uint8_t command) const {
        std::vector<SimRequest> found;
        for (const SimRequest& r : sim->requests())
            if (r.command == command) found.push_back(r);
        return found;
    }
    size_t flashRequests() const { return requestsOf(0x03).size() + requestsOf(0x34).size(); }
};

// --- application files ------------------------------------------------------------------------

const std::string kV210 = "JED-677 V2.10";
const Bytes kGen1Image = imageOf(kV210, 100, 0x22);  // checksum 2F4D: a letter to lower
const std::string kGen1Good = gen1App({kV210}, kGen1Image);
const std::string kDi2V107 = "DI2_DiagApp_V1.07";
const Bytes kGen2Image = imageOf(kDi2V107, 300, 0x52);
constexpr uint32_t kGen2Base = 0xC00000;

struct FormatCase {
    const char* name;
    uint8_t generation;
    const char* fileName;  // nullptr: the file is missing
    std::string text;
    int32_t status;
    Bytes flashed = {};         // on success: what the interface holds
    uint32_t loadAddress = 0;
};

class FileFormats : public DriverOnSim, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FileFormats, LoadOrRefuse) {
    const FormatCase& c = GetParam();
    connect(c.generation, "");
    const std::filesystem::path file =
        c.fileName ? write(c.fileName, c.text) : folder / "missing.app";
    EXPECT_EQ(driver.AppDownload(file), c.status);
    if (c.status != 0) {
        // A file that cannot be flashed leaves the interface as it was: nothing was sent.
        EXPECT_TRUE(sim->requests().empty());
        return;
    }
    EXPECT_EQ(sim->flashedImage(), c.flashed);
    EXPECT_EQ(sim->flashedLoadAddress(), c.loadAddress);
}

// Generation-1 variants.
std::string gen1WithRecordsBefore(const std::string& record) {
    return replaced(kGen1Good, "[Data]\r\n", "[Data]\r\n" + record + "\r\n");
}
const std::string kGen1Checksum = appfiles::gen1Checksum(kGen1Image);
const std::string kGen1End = appfiles::gen1EndAddress(kGen1Image);

// A file whose header agrees with its records even where they leave 0xA000..0xFFFF, so that only
// the address rule can refuse it.
std::string gen1AppReaching(uint32_t address, const Bytes& data) {
    Bytes flat = kGen1Image;
    const size_t end = address - 0xA000 + data.size();
    flat.resize(std::max(flat.size(), end), 0xFF);
    std::copy(data.begin(), data.end(), flat.begin() + static_cast<long>(address - 0xA000));
    return appfiles::headerText({kV210}, appfiles::gen1Checksum(flat),
                                appfiles::hex(static_cast<uint32_t>(0xA000 + end - 1), 5), "\r\n") +
           "[Data]\r\n" + appfiles::intelHexRecords(kGen1Image, 0xA000, "\r\n") +
           appfiles::intelHexRecords(data, address, "\r\n") + appfiles::kIntelEnd + "\r\n";
}

// Generation-2 variants.
const std::string kGen2Mhx = gen2File("", kGen2Image, kGen2Base, false);
std::string gen2WithRecordsBefore(const std::string& records) {
    return replaced(kGen2Mhx, "S3", records + "S3");
}
Bytes s2AfterS3Image() {
    Bytes image = Bytes(32, 0x11);
    image.resize(64, 0xFF);
    image.insert(image.end(), 16, 0x22);
    return image;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileFormats,
    ::testing::Values(
        // Generation 1: Intel HEX after a header.
        FormatCase{"Gen1CrLf", 1, "a.app", kGen1Good, 0, gen1Flashed(kGen1Image), 0xA000},
        FormatCase{"Gen1Lf", 1, "a.app", gen1App({kV210}, kGen1Image, "\n"), 0,
                   gen1Flashed(kGen1Image), 0xA000},
        FormatCase{"Gen1UpperCaseExtension", 1, "A.APP", kGen1Good, 0, gen1Flashed(kGen1Image),
                   0xA000},
        FormatCase{"Gen1LowerCaseDataDigitsAndType3", 1, "a.app",
                   appfiles::headerText({kV210}, kGen1Checksum, kGen1End, "\r\n") +
                       "[Data]\r\n:04000003000000f009\r\n" +
                       lower(appfiles::intelHexRecords(kGen1Image, 0xA000, "\r\n")) +
                       ":00000001ff\r\n",
                   0, gen1Flashed(kGen1Image), 0xA000},
        FormatCase{"Gen1NoDataLine", 1, "a.app", replaced(kGen1Good, "[Data]\r\n", ""), kBadApp},
        FormatCase{"Gen1DataLineIndented", 1, "a.app", replaced(kGen1Good, "[Data]", " [Data]"),
                   kBadApp},
        FormatCase{"Gen1RecordStart", 1, "a.app", replaced(kGen1Good, "\r\n:", "\r\n;"), kBadApp},
        FormatCase{"Gen1BlankLineBetweenRecords", 1, "a.app", gen1WithRecordsBefore(""), kBadApp},
        FormatCase{"Gen1RecordType", 1, "a.app", gen1WithRecordsBefore(":02A0000400001111"),
                   kBadApp},
        FormatCase{"Gen1ChecksumLowerCase", 1, "a.app",
                   gen1App({kV210, lower(kGen1Checksum)}, kGen1Image), kBadApp},
        FormatCase{"Gen1ChecksumWrong", 1, "a.app", gen1App({kV210, "0000"}, kGen1Image), kBadApp},
        FormatCase{"Gen1EndAddressWrong", 1, "a.app",
                   gen1App({kV210, std::nullopt, "0A064"}, kGen1Image), kBadApp},
        FormatCase{"Gen1EndAddressFourDigits", 1, "a.app",
                   gen1App({kV210, std::nullopt, kGen1End.substr(1)}, kGen1Image), kBadApp},
        FormatCase{"Gen1MissingFile", 1, nullptr, "", kNoApp},
        FormatCase{"Gen1AddressBelowBuffer", 1, "a.app",
                   gen1WithRecordsBefore(":029FFF00AAAA00"), kBadApp},
        FormatCase{"Gen1LastByteAtFFFF", 1, "a.app", gen1AppReaching(0xFFFC, Bytes(4, 0xAA)), 0,
                   [] {
                       Bytes flat = kGen1Image;
                       flat.resize(0x6000, 0xFF);
                       std::fill(flat.end() - 4, flat.end(), 0xAA);
                       return flat;
                   }(),
                   0xA000},
        FormatCase{"Gen1CountRunsPastFFFF", 1, "a.app", gen1AppReaching(0xFFFE, Bytes(4, 0xAA)),
                   kBadApp},
        FormatCase{"Gen1NoEndRecord", 1, "a.app", replaced(kGen1Good, ":00000001FF\r\n", ""),
                   kBadApp},
        FormatCase{"Gen1RecordCutShort", 1, "a.app", gen1WithRecordsBefore(":04A00000AAAA"),
                   kBadApp},
        FormatCase{"Gen1NoDataRecords", 1, "a.app",
                   "[Diagnostic Interface Application]\r\nVersion=JED-677 V2.10\r\n"
                   "Checksum=0000\r\nEndAddress=0A000\r\n[Data]\r\n:00000001FF\r\n",
                   kBadApp},
        // Generation 2: S-records, with a header in ".app", without in ".MHX".
        FormatCase{"Gen2Mhx", 2, "a.MHX", kGen2Mhx, 0, kGen2Image, kGen2Base},
        FormatCase{"Gen2MhxLowerCase", 2, "a.mhx", gen2File("", kGen2Image, kGen2Base, false, "\n"),
                   0, kGen2Image, kGen2Base},
        FormatCase{"Gen2AppLf", 2, "a.app", gen2File(kDi2V107, kGen2Image, kGen2Base, true, "\n"), 0,
                   kGen2Image, kGen2Base},
        FormatCase{"Gen2AppUpperCase", 2, "A.APP", gen2File(kDi2V107, kGen2Image, kGen2Base, true), 0,
                   kGen2Image, kGen2Base},
        FormatCase{"Gen2S2AfterS3", 2, "a.mhx",
                   std::string(appfiles::kS0) + "\r\n" +
                       appfiles::sRecords(Bytes(32, 0x11), kGen2Base, '3', "\r\n") +
                       appfiles::sRecords(Bytes(16, 0x22), kGen2Base + 0x40, '2', "\r\n") +
                       appfiles::kS7 + "\r\n",
                   0, s2AfterS3Image(), kGen2Base},
        FormatCase{"Gen2S2InAnotherWindowAfterS3", 2, "a.mhx",
                   std::string(appfiles::kS0) + "\r\n" +
                       appfiles::sRecords(Bytes(32, 0x11), kGen2Base, '3', "\r\n") +
                       appfiles::sRecords(Bytes(16, 0x22), kGen2Base + 0x10000, '2', "\r\n") +
                       appfiles::kS7 + "\r\n",
                   kBadApp},
        FormatCase{"Gen2HexExtension", 2, "a.HEX", kGen2Mhx, kNoApp},
        FormatCase{"Gen2MissingFile", 2, nullptr, "", kNoApp},
        FormatCase{"Gen2AppWithoutDataLine", 2, "a.app", kGen2Mhx, kBadApp},
        FormatCase{"Gen2RecordStart", 2, "a.mhx", replaced(kGen2Mhx, "\r\nS3", "\r\nT3"), kBadApp},
        FormatCase{"Gen2RecordType", 2, "a.mhx", gen2WithRecordsBefore("S1050000AAAAAA\r\n"),
                   kBadApp},
        FormatCase{"Gen2S3BelowBase", 2, "a.mhx",
                   replaced(kGen2Mhx, appfiles::kS7,
                            appfiles::sRecords(Bytes(4, 0x33), kGen2Base - 0x10, '3', "\r\n") +
                                appfiles::kS7),
                   kBadApp},
        FormatCase{"Gen2S3PastBufferEnd", 2, "a.mhx",
                   replaced(kGen2Mhx, appfiles::kS7,
                            appfiles::sRecords(Bytes(32, 0x33), kGen2Base + 0xFFFF0, '3', "\r\n") +
                                appfiles::kS7),
                   kBadApp},
        FormatCase{"Gen2S2OffsetsWrap", 2, "a.mhx",
                   std::string(appfiles::kS0) + "\r\n" +
                       appfiles::sRecords(Bytes(16, 0x44), 0x000100, '2', "\r\n") +
                       appfiles::sRecords(Bytes(16, 0x55), 0x010100, '2', "\r\n") +
                       appfiles::kS7 + "\r\n",
                   kBadApp},
        FormatCase{"Gen2S2RecordLeavesItsWindow", 2, "a.mhx",
                   std::string(appfiles::kS0) + "\r\n" +
                       appfiles::sRecords(Bytes(32, 0x44), 0x00FFF0, '2', "\r\n") +
                       appfiles::kS7 + "\r\n",
                   kBadApp},
        FormatCase{"Gen2NoEndRecord", 2, "a.mhx", replaced(kGen2Mhx, appfiles::kS7, ""), kBadApp}),
    [](const auto& info) { return std::string(info.param.name); });

// --- files made by binutils, flashed byte-exact, and their damaged variants ---------------------

// The records objcopy writes for `image` placed at `address`; `format` is its output format
// with any options ("ihex", "srec", "srec --srec-forceS3").
std::string objcopyRecords(const TempDir& dir, const Bytes& image, uint32_t address,
                           const std::string& format) {
    TempDir::writeFile(dir / "source.bin", std::string(image.begin(), image.end()));
    const std::string command = "objcopy -I binary -O " + format + " --change-addresses " +
                                std::to_string(address) + " '" + (dir / "source.bin").string() +
                                "' '" + (dir / "records.txt").string() + "'";
    if (std::system(command.c_str()) != 0) return {};
    return TempDir::readFile(dir / "records.txt");
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// Damage done to one data record: the middle one, or the last for LastDataByte.
enum class Damage {
    None,
    FlippedDataDigit,
    OneByteShort,   // the last data byte is missing
    CountOneShort,  // the count leaves the last data byte out
    ChecksumDigit,
    LastDataByte,
};

bool isDataRecord(const std::string& line) {
    if (line.starts_with(':')) return line.size() > 11 && line.compare(7, 2, "00") == 0;
    return line.starts_with("S2") || line.starts_with("S3");
}

// Where a record's data begin: after ":", count, address and type; or after "S", type, count
// and 3 or 4 address bytes.
size_t dataStart(const std::string& line) {
    if (line.starts_with(':')) return 9;
    return line[1] == '2' ? 10 : 12;
}

char otherDigit(char c) { return c == '0' ? '1' : '0'; }

std::string damaged(const std::string& records, Damage damage) {
    std::vector<std::string> lines = linesOf(records);
    std::vector<size_t> data;
    for (size_t i = 0; i < lines.size(); ++i)
        if (isDataRecord(lines[i])) data.push_back(i);
    if (data.empty()) return records;
    std::string& middle = lines[data[data.size() / 2]];
    std::string& last = lines[data.back()];
    switch (damage) {
        case Damage::None: break;
        case Damage::FlippedDataDigit: {
            const size_t at = dataStart(middle) + 3;
            middle[at] = otherDigit(middle[at]);
            break;
        }
        case Damage::OneByteShort: middle.erase(middle.size() - 4, 2); break;
        case Damage::CountOneShort: {
            const size_t at = middle.starts_with(':') ? 1 : 2;
            middle.replace(at, 2, appfiles::hex(std::stoul(middle.substr(at, 2), nullptr, 16) - 1, 2));
            break;
        }
        case Damage::ChecksumDigit: middle.back() = otherDigit(middle.back()); break;
        case Damage::LastDataByte: last[last.size() - 3] = otherDigit(last[last.size() - 3]); break;
    }
    return joined(lines);
}

struct ToolCase {
    const char* name;
    uint8_t generation;
    const char* fileName;
    const char* format;
    uint32_t address;
    Damage damage;
    int32_t status;
};

class ToolMadeFiles : public DriverOnSim, public ::testing::WithParamInterface<ToolCase> {};

TEST_P(ToolMadeFiles, FlashByteExactOrRefuse) {
    const ToolCase& c = GetParam();
    const Bytes image = imageOf(c.generation == 1 ? kV210 : kDi2V107, 1000, 0x5A);
    const std::string records = objcopyRecords(folder, image, c.address, c.format);
    ASSERT_FALSE(records.empty()) << "objcopy -O " << c.format;
    const std::string body = damaged(records, c.damage);
    std::string text = body;
    if (c.generation == 1) {
        text = appfiles::headerText({kV210}, appfiles::gen1Checksum(image),
                                    appfiles::gen1EndAddress(image), "\n") + "[Data]\n" + body;
    } else if (std::string(c.fileName).ends_with(".app")) {
        text = appfiles::headerText({kDi2V107}, "", "", "\n") + "[Data]\n" + body;
    }
    connect(c.generation, c.generation == 1 ? "JED-677 V2.04" : "DI2_DiagApp_V1.06");
    EXPECT_EQ(driver.AppDownload(write(c.fileName, text)), c.status);
    if (c.status != 0) {
        // Refused before the interface left its application.
        EXPECT_TRUE(sim->requests().empty());
        EXPECT_EQ(sim->appVersion(), c.generation == 1 ? "JED-677 V2.04" : "DI2_DiagApp_V1.06");
        return;
    }
    EXPECT_EQ(sim->flashedImage(), c.generation == 1 ? gen1Flashed(image) : image);
    EXPECT_EQ(sim->flashedLoadAddress(), c.address);
}

INSTANTIATE_TEST_SUITE_P(
    Objcopy, ToolMadeFiles,
    ::testing::Values(
        ToolCase{"IntelHex", 1, "a.app", "ihex", 0xA000, Damage::None, 0},
        ToolCase{"IntelHexFlippedDataDigit", 1, "a.app", "ihex", 0xA000, Damage::FlippedDataDigit,
                 kBadApp},
        ToolCase{"IntelHexRecordOneByteShort", 1, "a.app", "ihex", 0xA000, Damage::OneByteShort,
                 kBadApp},
        ToolCase{"IntelHexCountOneShort", 1, "a.app", "ihex", 0xA000, Damage::CountOneShort,
                 kBadApp},
        ToolCase{"IntelHexRecordChecksum", 1, "a.app", "ihex", 0xA000, Damage::ChecksumDigit,
                 kBadApp},
        // The header's checksum leaves the last byte out; the record's covers it.
        ToolCase{"IntelHexLastImageByte", 1, "a.app", "ihex", 0xA000, Damage::LastDataByte,
                 kBadApp},
        ToolCase{"S3Mhx", 2, "a.MHX", "srec --srec-forceS3", 0xC00000, Damage::None, 0},
        ToolCase{"S3App", 2, "a.app", "srec --srec-forceS3", 0xC00000, Damage::None, 0},
        ToolCase{"S3FlippedDataDigit", 2, "a.MHX", "srec --srec-forceS3", 0xC00000,
                 Damage::FlippedDataDigit, kBadApp},
        ToolCase{"S3RecordOneByteShort", 2, "a.MHX", "srec --srec-forceS3", 0xC00000,
                 Damage::OneByteShort, kBadApp},
        ToolCase{"S3CountOneShort", 2, "a.MHX", "srec --srec-forceS3", 0xC00000,
                 Damage::CountOneShort, kBadApp},
        ToolCase{"S3RecordChecksum", 2, "a.MHX", "srec --srec-forceS3", 0xC00000,
                 Damage::ChecksumDigit, kBadApp},
        ToolCase{"S3LastImageByte", 2, "a.MHX", "srec --srec-forceS3", 0xC00000,
                 Damage::LastDataByte, kBadApp},
        // S2 records alone have no base: above 0xFFFF they would be flashed at address 0.
        ToolCase{"S2AboveFFFF", 2, "a.MHX", "srec", 0xC00000, Damage::None, kBadApp}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DriverOnSim, Generation1FileFlashIsWrappedInTheDownloadService) {
    connect(1, "JED-677 V2.04");
    ASSERT_EQ(driver.AppDownload(write("a.app", kGen1Good)), 0);
    std::vector<uint8_t> commands;
    for (const SimRequest& r : sim->requests()) commands.push_back(r.command);
    EXPECT_EQ(commands, (std::vector<uint8_t>{0x01, 0x08, 0x03, 0x03, 0x08}));
    EXPECT_EQ(requestsOf(0x08)[0].data, Bytes{0});
    EXPECT_EQ(requestsOf(0x08)[1].data, Bytes{1});
    EXPECT_EQ(sim->appVersion(), kV210);
    EXPECT_EQ(sim->completedDownloads(), 1);
}

TEST_F(DriverOnSim, Generation0LoadsSRecordsLikeGeneration2) {
    connect(2, "");
    driver.setGeneration(0);  // frames stay 8-bit on the driver's side: only the file is read
    EXPECT_EQ(driver.AppDownload(write("a.HEX", kGen2Mhx)), kNoApp);
    EXPECT_EQ(driver.AppDownload(write("b.app", kGen1Good)), kBadApp);  // Intel HEX is not read
}

// --- flashing from memory ---------------------------------------------------------------------

struct BlockCase {
    size_t length;
    size_t blocks;
};

class Generation1Blocks : public DriverOnSim, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(Generation1Blocks, NumberedBlocksOf64PaddedWithFF) {
    connect(1, "");
    const Bytes image = imageOf("X", GetParam().length, 0x10);
    ASSERT_EQ(driver.AppDownloadFromBuf(image.data(), image.size(), 0x1234), 0);
    const std::vector<SimRequest> blocks = requestsOf(0x03);
    ASSERT_EQ(blocks.size(), GetParam().blocks);
    for (size_t i = 0; i < blocks.size(); ++i) {
        ASSERT_EQ(blocks[i].data.size(), 66u);
        EXPECT_EQ(blocks[i].data[0], (0x80 + i) >> 8);
        EXPECT_EQ(blocks[i].data[1], (0x80 + i) & 0xFF);
    }
    EXPECT_EQ(sim->flashedImage(), gen1Flashed(image));
    EXPECT_EQ(sim->flashedLoadAddress(), 0xA000u);  // the load address is not sent
}

INSTANTIATE_TEST_SUITE_P(Lengths, Generation1Blocks,
                         ::testing::Values(BlockCase{1, 1}, BlockCase{64, 1}, BlockCase{65, 2},
                                           BlockCase{128, 2}, BlockCase{130, 3},
                                           BlockCase{0x6000, 0x180}));

TEST_F(DriverOnSim, Generation1RefusesImagesItCannotHold) {
    connect(1, "JED-677 V2.04");
    const Bytes tooLong(0x6001, 0x11);
    EXPECT_EQ(driver.AppDownloadFromBuf(tooLong.data(), tooLong.size(), 0), kBadApp);
    EXPECT_EQ(driver.AppDownloadFromBuf(nullptr, 10, 0), kNoApp);
    EXPECT_EQ(driver.AppDownloadFromBuf(tooLong.data(), 0, 0), kNoApp);
    EXPECT_TRUE(sim->requests().empty());
    EXPECT_EQ(sim->appVersion(), "JED-677 V2.04");
}

TEST_F(DriverOnSim, Generation2SequenceInChunksOf128) {
    connect(2, "");
    const Bytes image = imageOf(kDi2V107, 300, 0x20);
    ASSERT_EQ(driver.AppDownloadFromBuf(image.data(), image.size(), kGen2Base), 0);
    const std::vector<SimRequest> requests = sim->requests();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[0].command, 0x10);
    EXPECT_EQ(requests[0].data, (Bytes{0x10, 0x85}));
    EXPECT_EQ(requests[1].command, 0x34);
    EXPECT_EQ(requests[1].data, (Bytes{0xC0, 0x00, 0x00, 0x00, 0x01, 0x2C}));
    for (size_t i = 2; i < 5; ++i) EXPECT_EQ(requests[i].command, 0x36);
    EXPECT_EQ(requests[2].data.size(), 128u);
    EXPECT_EQ(requests[3].data.size(), 128u);
    EXPECT_EQ(requests[4].data.size(), 44u);
    EXPECT_EQ(requests[5].command, 0x37);
    EXPECT_TRUE(requests[5].data.empty());
    EXPECT_EQ(requests[6].command, 0x10);
    EXPECT_EQ(requests[6].data, (Bytes{0x31, 0xFA, 0x02}));
    EXPECT_EQ(sim->flashedImage(), image);
    EXPECT_EQ(sim->appVersion(), kDi2V107);
}

struct SelectorCase {
    uint32_t loadAddress;
    uint8_t selector;
};

class Generation2Selector : public DriverOnSim, public ::testing::WithParamInterface<SelectorCase> {};

TEST_P(Generation2Selector, FromTheLoadAddressArea) {
    connect(2, "");
    const Bytes image(10, 0x42);
    ASSERT_EQ(driver.AppDownloadFromBuf(image.data(), image.size(), GetParam().loadAddress), 0);
    EXPECT_EQ(sim->flashSelector(), GetParam().selector);
    EXPECT_EQ(sim->flashedLoadAddress(), GetParam().loadAddress);
}

INSTANTIATE_TEST_SUITE_P(Areas, Generation2Selector,
                         ::testing::Values(SelectorCase{0x040000, 0}, SelectorCase{0x04FF00, 0},
                                           SelectorCase{0x060000, 1}, SelectorCase{0x160000, 1},
                                           SelectorCase{0x050000, 2}, SelectorCase{0xC00000, 2},
                                           SelectorCase{0x000000, 2}));

TEST_F(DriverOnSim, Generation2FirstFailingRequestEndsTheSequence) {
    connect(2, "");
    sim->injectStatusFor(0x36, 0x04, 1);
    const Bytes image(300, 0x42);
    EXPECT_EQ(driver.AppDownloadFromBuf(image.data(), image.size(), kGen2Base), 0x20000004);
    EXPECT_EQ(requestsOf(0x36).size(), 1u);  // the refused one was not carried out
    EXPECT_TRUE(requestsOf(0x37).empty());
    EXPECT_EQ(sim->appVersion(), "");  // erased, never activated
}

TEST_F(DriverOnSim, Generation2FailedActivationIsAFlashWriteError) {
    SimConfig config;
    config.generation = 2;
    config.flashCheckResult = 0x01;
    connect(config);
    const Bytes image(10, 0x42);
    EXPECT_EQ(driver.AppDownloadFromBuf(image.data(), image.size(), kGen2Base), 0x20000004);
}

TEST_F(DriverOnSim, Generation2RefusesWhatDoesNotFitIn24Bits) {
    connect(2, "");
    const Bytes image(0x100, 0x42);
    EXPECT_EQ(driver.AppDownloadFromBuf(image.data(), image.size(), 0x1000000), kBadApp);
    EXPECT_EQ(driver.AppDownloadFromBuf(image.data(), image.size(), 0xFFFF80), kBadApp);
    EXPECT_TRUE(sim->requests().empty());
    EXPECT_EQ(driver.AppDownloadFromBuf(image.data(), image.size(), 0xFFFF00), 0);
}

// The final answer is read at byte 2: a shorter one must not be taken from stale bytes.
TEST(Generation2Activation, ShortAnswerIsABadReply) {
    FakeClock clock;
    DiagDriver driver(clock);
    auto owned = std::make_unique<ScriptedLink>(true, &clock);
    ScriptedLink& link = *owned;
    driver.attachLink(std::move(owned));
    driver.setGeneration(2);
    link.onWrite = [](const Bytes& frame, ScriptedLink& peer) {
        const uint8_t command = frame[0];
        const bool activation = command == 0x10 && frame.size() > 4 && frame[3] == 0x31;
        // Stale bytes from the session answer would read as success at byte 2.
        peer.queue(frame16(command, activation ? Bytes{0x71} : Bytes{0x50, 0x85, 0x00}));
    };
    const Bytes image(10, 0x42);
    EXPECT_EQ(driver.AppDownloadFromBuf(image.data(), image.size(), kGen2Base), DIAG_ERR_BAD_REPLY);
    driver.attachLink(nullptr);
}

// --- choosing the application -------------------------------------------------------------------

struct FileSpec {
    const char* name;
    std::string version;
};

constexpr int kNone = -1;
constexpr int kBuiltIn = 100;

struct SelectionCase {
    const char* name;
    uint8_t generation;
    std::string current;
    std::vector<FileSpec> files;
    std::string builtIn;  // empty: the program carries no image
    uint8_t compare;
    uint8_t fileOnly;
    uint8_t flagIn;
    int32_t status;
    uint8_t flagOut;
    int flashed;  // kNone, the index of a file, or kBuiltIn
    uint8_t versionCheck = 'Z';
};

class Selection : public DriverOnSim, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(Selection, ChoosesTheNewestAndFlashesIt) {
    const SelectionCase& c = GetParam();
    SimConfig config;
    config.generation = c.generation;
    config.appVersion = c.current;
    config.versionCheckAnswer = c.versionCheck;
    connect(config);
    const bool gen1 = c.generation == 1;
    const size_t size = gen1 ? 150 : 300;

    std::vector<Bytes> images;
    for (size_t i = 0; i < c.files.size(); ++i) {
        images.push_back(imageOf(c.files[i].version, size, static_cast<uint8_t>(0x40 + i)));
        write(c.files[i].name, gen1 ? gen1App({c.files[i].version}, images.back())
                                    : gen2File(c.files[i].version, images.back(), kGen2Base, true));
    }
    const auto kind = gen1 ? DiagDriver::BuiltInImageKind::Jed677Generation1
                           : DiagDriver::BuiltInImageKind::Generation2;
    Bytes builtIn;
    if (!c.builtIn.empty()) {
        builtIn = imageOf(c.builtIn, size, 0xB0);
        driver.setBuiltInImage(kind, builtIn.data(), builtIn.size(), gen1 ? 0 : kGen2Base,
                               c.builtIn);
    }
    driver.selectBuiltInImage(kind);

    uint8_t flag = c.flagIn;
    EXPECT_EQ(driver.Download(folder.path(), gen1 ? "JED-677 V2" : "DI2_DiagApp_V1", flag,
                              c.compare, c.fileOnly),
              c.status);
    EXPECT_EQ(flag, c.flagOut);
    if (c.flashed == kNone) {
        EXPECT_EQ(flashRequests(), 0u);
        EXPECT_EQ(sim->appVersion(), c.current);
        return;
    }
    const Bytes& expected = c.flashed == kBuiltIn ? builtIn : images[c.flashed];
    const Bytes flashed = sim->flashedImage();
    ASSERT_GE(flashed.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), flashed.begin()));
    EXPECT_EQ(sim->appVersion(), c.flashed == kBuiltIn ? c.builtIn : c.files[c.flashed].version);
}

const std::string k204 = "JED-677 V2.04";
const std::string k201 = "JED-677 V2.01";

INSTANTIATE_TEST_SUITE_P(
    Table, Selection,
    ::testing::Values(
        SelectionCase{"NothingNewer", 1, k204, {}, "", 1, 0, 1, 0, 1, kNone},
        SelectionCase{"BuiltInSameAsInterface", 1, k204, {}, k204, 1, 0, 1, 0, 1, kNone},
        SelectionCase{"FileBeatsBuiltIn", 1, k204, {{"new.app", "JED-677 V2.10"}}, k204, 1, 0, 1,
                      0, 1, 0},
        SelectionCase{"FileOlderThanInterface", 1, k204, {{"old.app", "JED-677 V2.03"}}, "", 1, 0,
                      1, 0, 1, kNone},
        SelectionCase{"PrefixMismatchNeverChosen", 1, k201, {{"x.app", "JED-678 V9.99"}}, "", 1,
                      0, 1, 0, 1, kNone},
        SelectionCase{"InterfaceWithoutApplication", 1, "", {{"a.app", k204}}, "", 1, 0, 1, 0, 1,
                      0},
        SelectionCase{"InterfaceOlder", 1, k201, {{"a.app", k204}}, "", 1, 0, 1, 0, 1, 0},
        SelectionCase{"InterfaceRunsAnotherApplication", 1, "SAE1587 V2.03", {{"a.app", k204}},
                      "", 1, 0, 1, 0, 1, 0},
        SelectionCase{"NewestOfSeveralFilesAnyCase", 1, k201,
                      {{"a.app", k204}, {"b.APP", "JED-677 V2.12"}, {"c.App", "JED-677 V2.11"},
                       {"d.hex", "JED-677 V2.99"}},
                      "", 1, 0, 1, 0, 1, 1},
        SelectionCase{"BuiltInNewerThanFiles", 1, k201, {{"a.app", k204}}, "JED-677 V2.05", 1, 0,
                      1, 0, 1, kBuiltIn},
        SelectionCase{"FileEqualToBuiltInWins", 1, k201, {{"a.app", "JED-677 V2.05"}},
                      "JED-677 V2.05", 1, 0, 1, 0, 1, 0},
        SelectionCase{"NoCandidate", 1, "", {}, "", 1, 0, 1, kNoApp, 1, kNone},
        SelectionCase{"OnlyForeignCandidates", 1, "SAE1587 V2.03", {{"a.app", "SAE1587 V2.09"}},
                      "", 1, 0, 1, kNoApp, 1, kNone},
        SelectionCase{"AskWhenDue", 1, k201, {{"a.app", k204}}, "", 1, 0, 0, 0, 1, kNone},
        SelectionCase{"AskWhenNothingIsDue", 1, k204, {}, k204, 1, 0, 0, 0, 0, kNone},
        SelectionCase{"Compare0FlashesBuiltInEvenWhenSame", 1, k204, {}, k204, 0, 0, 1, 0, 1,
                      kBuiltIn},
        SelectionCase{"Compare0IgnoresNewerFile", 1, k201, {{"a.app", "JED-677 V2.10"}}, k204, 0,
                      0, 1, 0, 1, kBuiltIn},
        SelectionCase{"Compare0AskWhenDifferent", 1, k201, {}, k204, 0, 0, 0, 0, 1, kNone},
        SelectionCase{"Compare0AskWhenSame", 1, k204, {}, k204, 0, 0, 0, 0, 0, kNone},
        SelectionCase{"Compare0WithoutImageFlashesNothing", 1, k201, {{"a.app", k204}}, "", 0, 0,
                      1, 0, 1, kNone},
        SelectionCase{"Compare0WithoutImageIsNeverDue", 1, k201, {{"a.app", k204}}, "", 0, 0, 0,
                      0, 0, kNone},
        SelectionCase{"FileOnlyFlashesOlderFile", 1, "JED-677 V2.10", {{"a.app", k204}}, "", 1, 1,
                      1, 0, 1, 0},
        SelectionCase{"FileOnlySameAsInterface", 1, k204, {{"a.app", k204}}, "", 1, 1, 1, 0, 1,
                      kNone},
        SelectionCase{"FileOnlyWithoutFiles", 1, k204, {}, "", 1, 1, 1, kNoApp, 1, kNone},
        SelectionCase{"TrailingBlanksOfTheInterfaceCut", 1, "JED-677 V2.04 \t\n", {{"a.app", k204}},
                      "", 1, 0, 1, 0, 1, kNone},
        SelectionCase{"Gen2Current", 2, "DI2_DiagApp_V1.06   ", {}, "DI2_DiagApp_V1.06   ", 1, 0,
                      1, 0, 1, kNone},
        SelectionCase{"Gen2FileNewer", 2, "DI2_DiagApp_V1.05", {{"a.app", kDi2V107}}, "", 1, 0, 1,
                      0, 1, 0},
        SelectionCase{"Gen2InterfaceAsksForTheBuiltInImage", 2, "DI2_DiagApp_V1.06",
                      {{"a.app", kDi2V107}}, "DI2_DiagApp_V1.06   ", 1, 0, 1, 0, 1, kBuiltIn, 'N'},
        SelectionCase{"Gen2InterfaceAsksButNoImageIsCarried", 2, "DI2_DiagApp_V1.05",
                      {{"a.app", kDi2V107}}, "", 1, 0, 1, 0, 1, kNone, 'N'}),
    [](const auto& info) { return std::string(info.param.name); });

// A newer file that cannot be read stops the download; the driver names it, so the message can
// say which file to replace. A later download that reads its file (or none) names none.
TEST_F(DriverOnSim, AnUnreadableNewerFileIsNamed) {
    SimConfig config;
    config.generation = 1;
    config.appVersion = k201;
    connect(config);
    const std::filesystem::path bad = write("new.app",
                               "[Diagnostic Interface Application]\r\nVersion=JED-677 V2.10\r\n[Data]\r\n:nonsense\r\n");
    uint8_t flag = 1;
    EXPECT_EQ(driver.Download(folder.path(), "JED-677 V2", flag, 1, 0), kBadApp);
    EXPECT_EQ(driver.unreadableApplication(), bad);
    EXPECT_EQ(flashRequests(), 0u);
    std::filesystem::remove(bad);
    EXPECT_EQ(driver.Download(folder.path(), "JED-677 V2", flag, 1, 0), 0);
    EXPECT_TRUE(driver.unreadableApplication().empty());
}

TEST_F(DriverOnSim, VersionOfTheInterfaceMustFitItsBuffer) {
    connect(1, std::string(40, 'J'));
    uint8_t flag = 1;
    EXPECT_EQ(driver.Download(folder.path(), "J", flag, 1, 0), DIAG_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(flashRequests(), 0u);
}

TEST_F(DriverOnSim, Generation2WithoutAnAnswerToTheVersionCheckCompares) {
    connect(2, "DI2_DiagApp_V1.06");
    sim->injectStatusFor(0x06, 0x03);
    const Bytes image = imageOf("DI2_DiagApp_V1.06", 300, 0xB0);
    driver.setBuiltInImage(DiagDriver::BuiltInImageKind::Generation2, image.data(), image.size(),
                           kGen2Base, "DI2_DiagApp_V1.06");
    driver.selectBuiltInImage(DiagDriver::BuiltInImageKind::Generation2);
    uint8_t flag = 1;
    EXPECT_EQ(driver.Download(folder.path(), "DI2_DiagApp_V1", flag, 1, 0), 0);
    EXPECT_EQ(flashRequests(), 0u);  // the versions are equal: nothing flashed
}

TEST_F(DriverOnSim, NoImageIsCarriedByTheDriver) {
    for (auto kind : {DiagDriver::BuiltInImageKind::Jed677Generation1,
                      DiagDriver::BuiltInImageKind::SaeGeneration1,
                      DiagDriver::BuiltInImageKind::Generation2}) {
        driver.selectBuiltInImage(kind);
        EXPECT_TRUE(driver.currentImage().bytes.empty());
        EXPECT_FALSE(driver.currentImage().version.empty());
        EXPECT_EQ(driver.builtInCandidate(), "");
    }
    EXPECT_EQ(driver.builtInImage(DiagDriver::BuiltInImageKind::Generation2).loadAddress,
              0xC00000u);
    EXPECT_EQ(driver.builtInImage(DiagDriver::BuiltInImageKind::Generation2).version,
              "DI2_DiagApp_V1.06   ");
}

// --- the exported functions ---------------------------------------------------------------------

TEST(ExportedDownload, ThroughTheProcessWideDriver) {
    TempDir folder;
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    SimConfig config;
    config.appVersion = "JED-677 V2.01";
    SimInterface& sim = bus.addDevice("Diagnostic Interface #1", config);
    ASSERT_EQ(OpenDiagDriver("USB0"), 0);

    TempDir::writeFile(folder / "a.app", kGen1Good);
    uint8_t flag = 0;
    EXPECT_EQ(Download(folder.path().c_str(), "JED-677 V2", &flag, 1, 0), 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(Download(folder.path().c_str(), "JED-677 V2", nullptr, 1, 0),
              DIAG_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(AppDownload((folder / "a.app").c_str()), 0);
    EXPECT_EQ(sim.appVersion(), kV210);
    EXPECT_EQ(AppDownload(nullptr), kNoApp);
    EXPECT_EQ(AppDownloadFromBuf(nullptr, 0, 0), kNoApp);
    const Bytes image = imageOf("JED-677 V2.20", 70, 0x01);
    EXPECT_EQ(AppDownloadFromBuf(image.data(), static_cast<uint32_t>(image.size()), 0), 0);
    EXPECT_EQ(sim.appVersion(), "JED-677 V2.20");
    EXPECT_EQ(CloseDiagDriver(1), 0);
    bus.reset();
}

}  // namespace
