// The driver as other programs see it: the exported C names of the built library, the trace
// they export and the code rules.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DiagDr32.h"
#include "DiagDriver.h"
#include "ScriptedLink.h"

namespace {

struct TagCase {
    int32_t code;
    int32_t tag;
    int32_t expected;
};

TEST(ExportedCodes, SetErrorBitTagsOnlyInterfaceAndLayerCodes) {
    const TagCase cases[] = {
        {0x20000005, DIAG_TAG_JED677, 0x20000005},  // low byte below 0x0C
        {0x2000000B, DIAG_TAG_JED677, 0x2000000B},
        {0x2000000C, DIAG_TAG_JED677, 0x2002000C},
        {0x2000001A, DIAG_TAG_JED677, 0x2002001A},
        {0x2001002A, DIAG_TAG_JED677, 0x2001002A},  // driver family passes unchanged
        {0x2001003D, DIAG_TAG_SAE, 0x2001003D},
        {0x2000001A, DIAG_TAG_SAE, 0x2009011A},
        {5, DIAG_TAG_JED677, 5},                    // a Windows code
        {0, DIAG_TAG_JED677, 0},
        {-1, DIAG_TAG_JED677, -1},                  // negative serial codes keep their value
        {-2, DIAG_TAG_SAE, -2},
    };
    for (const TagCase& c : cases)
        EXPECT_EQ(SetErrorBit(c.code, c.tag), c.expected) << std::hex << c.code << " " << c.tag;
}

TEST(ExportedCodes, MapWin32Error) {
    const std::pair<int32_t, int32_t> cases[] = {
        {2, -1}, {5, -2}, {1121, DIAG_ERR_TIMEOUT}, {0, 0}, {31, 31}, {1167, 1167}};
    for (const auto& [code, expected] : cases) EXPECT_EQ(MapWin32Error(code), expected) << code;
}

TEST(ExportedData, CanObjectTable) {
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(_CANObj[i].identifier, 0x100u + i);
        const uint32_t flags = i == 14 ? 0x00 : (i % 2 == 0 ? 0x88 : 0x80);
        EXPECT_EQ(_CANObj[i].flags, flags) << i;
    }
    EXPECT_EQ(sizeof(DiagTrace), 22u);
    EXPECT_EQ(sizeof(_cFunction), 255u);
}

// The built libdiagdr32.so, as another program loads it: its C names, and nothing of its C++
// insides (classes, their vtables, the platform layer), which only this library may use.
TEST(ExportedData, TheLibraryExportsItsCNamesOnly) {
    void* library = dlopen(KELT_DRIVER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* name :
         {"PCRequest", "PCRequestBuf", "PCResponse", "SetErrorBit", "MapWin32Error", "_msgRequest",
          "_msgResponse", "_cFunction", "_CANObj", "OpenDiagDriver", "ScanUsbInterfaces",
          "AppDownload", "JED677OpenDiagDriver", "JED677SendData", "JED677Ident",
          // The SAE J1587 layer.
          "SAEJ1587OpenDiagDriver", "SAEJ1587CloseDiagDriver", "SAEJ1587AppVersion",
          "SAEJ1587Send", "SAEJ1587Receive", "SAEJ1587ReceiveBuf", "SAEJ1587ChangePriority",
          "SAEJ1587SetProtocolVariantStandard", "SAEJ1587SetProtocolVariantNorva",
          "SAEJ1587SetProtocolVariantIso15765", "SAEJ1587GetProtocolVariant",
          "SAEJ1587SetCutOffReceivedHeader", "SAEJ1587GetErrCode", "SAEJ1587StartTesterPresent",
          "SAEJ1587StopTesterPresent", "SAEJ1587DiagDriverVer", "SAEJ1587AppVer"})
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    // DiagDriver::instance(), DiagDriver's and UsbLink's vtables; SerialLink's lives in the
    // platform library, once per process.
    for (const char* name : {"_ZN10DiagDriver8instanceEv", "_ZTV10DiagDriver", "_ZTV7UsbLink"}) {
        void* found = dlsym(library, name);
        Dl_info info{};
        const bool fromDriver = found && dladdr(found, &info) != 0 &&
                                std::string(info.dli_fname).find("libdiagdr32") != std::string::npos;
        EXPECT_FALSE(fromDriver) << name;
    }
    Dl_info info{};
    void* serialVtable = dlsym(library, "_ZTV10SerialLink");
    ASSERT_NE(serialVtable, nullptr);
    ASSERT_NE(dladdr(serialVtable, &info), 0);
    EXPECT_NE(std::string(info.dli_fname).find("libkeltplatform"), std::string::npos) << info.dli_fname;
    dlclose(library);
}

// The exported functions drive the process-wide instance and fill the exported trace.
class ExportedRequest : public ::testing::Test {
protected:
    ScriptedLink* link = nullptr;
    void SetUp() override {
        auto owned = std::make_unique<ScriptedLink>(false);
        link = owned.get();
        DiagDriver::instance().attachLink(std::move(owned));
        DiagDriver::instance().setGeneration(1);
    }
    void TearDown() override { DiagDriver::instance().detachLink(); }
};

TEST_F(ExportedRequest, FillsTheExportedTrace) {
    Bytes request(30);
    for (size_t i = 0; i < request.size(); ++i) request[i] = static_cast<uint8_t>(i + 1);
    link->queue(frame8(0x11, {0xC0, 0xC1, 0xC2}));
    uint16_t command = 0x11;
    uint16_t length = 30;
    uint8_t buffer[DIAG_MAX_FRAME_DATA] = {};
    std::copy(request.begin(), request.end(), buffer);
    ASSERT_EQ(PCRequest(&command, &length, buffer, 1, 0, 1), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(_msgRequest.count, 20);
    EXPECT_EQ(Bytes(_msgRequest.bytes, _msgRequest.bytes + 20),
              Bytes(request.begin(), request.begin() + 20));
    EXPECT_EQ(_msgResponse.count, 3);
    EXPECT_EQ(Bytes(_msgResponse.bytes, _msgResponse.bytes + 4), (Bytes{0xC0, 0xC1, 0xC2, 0x00}));
}

TEST_F(ExportedRequest, BoundedVariantRefusesAReplyBiggerThanTheBuffer) {
    link->queue(frame8(0x11, Bytes(10, 0x33)));
    uint16_t command = 0x11;
    uint16_t length = 0;
    uint8_t buffer[8] = {};
    EXPECT_EQ(PCRequestBuf(&command, &length, buffer, 4, 1, 0, 1), DIAG_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(buffer[4], 0);
    EXPECT_EQ(_msgResponse.count, 10);
}

TEST_F(ExportedRequest, ResponseReadsOneFrame) {
    link->queue(frame8(0x06, {0x01}));
    uint16_t command = 0x06;
    uint16_t length = 0;
    uint8_t buffer[DIAG_MAX_FRAME_DATA] = {};
    EXPECT_EQ(PCResponse(&command, &length, buffer), 0);
    EXPECT_EQ(command, 0x06);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(buffer[0], 0x01);
}

TEST_F(ExportedRequest, NullArgumentsAreRefused) {
    uint16_t length = 0;
    EXPECT_NE(PCRequest(nullptr, &length, nullptr, 1, 0, 1), 0);
    EXPECT_NE(PCResponse(nullptr, nullptr, nullptr), 0);
}

}  // namespace
