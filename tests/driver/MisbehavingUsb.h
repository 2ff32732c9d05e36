#pragma once
// A USB interface library that does what the driver must not take on trust: a scan that claims
// more devices than the list holds and names without their end, replies of any shape. Built as
// its own libndiusb3 (libndiusb3_misbehaving.so); a test loads it by path, reaches its state
// through MisbehavingUsbState() and keeps it loaded while the driver loads and unloads it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct MisbehavingUsb {
    using Bytes = std::vector<uint8_t>;
    // What a scan writes (as many bytes as given, from the start of the list) and returns.
    Bytes scanList;
    int32_t scanResult = 0;
    // The reply frame to each frame written; an empty one: the read times out.
    std::function<Bytes(const Bytes& frame)> answer;

    // What the driver did.
    std::vector<std::string> opened;  // device paths
    std::vector<Bytes> written;       // frames

    void reset() { *this = MisbehavingUsb{}; }
};

extern "C" MisbehavingUsb* MisbehavingUsbState(void);
