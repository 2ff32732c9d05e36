#pragma once
// The SAE layer's tests: a driver on a fake clock over the USB test library, with interfaces
// that carry the SAE application or get it from our own "*.app" file.

#include <string>

#include "AppFiles.h"
#include "SimUsbFixture.h"
#include "TempDir.h"

// Our own SAE application file; nothing of the interface maker's.
inline const std::string kSaeFileVersion = "SAE1587 V2.05";
inline const std::string kSaeCurrent = "SAE1587 V2.03";
inline const std::string kGen2Current = "DI2_DiagApp_V1.06   ";

class SaeUsbFixture : public SimUsbFixture {
protected:
    TempDir appFolder;

    // An interface with the SAE application current, opened and started; the time the
    // application waits for a message in vain passes on the test's clock.
    SimInterface& openSae(uint8_t generation = 1) {
        SimInterface& sim = generation == 2 ? addGen2(kGen2Current, true) : addGen1(kSaeCurrent);
        sim.setSaeClock(&clock);
        EXPECT_EQ(driver.saeOpen("USB0", appFolder.path(), 1, 0), 0);
        EXPECT_TRUE(sim.saeRunning());
        return sim;
    }
    void writeSaeFile() {
        TempDir::writeFile(appFolder / "sae.app",
                           appfiles::gen1App({kSaeFileVersion},
                                             appfiles::imageOf(kSaeFileVersion, 300, 0x5A)));
    }
};
