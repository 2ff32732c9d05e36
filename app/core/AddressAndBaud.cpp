#include "AddressAndBaud.h"

namespace {

// Types that offer no 1200 baud: their stored code 0 is shown as 9600.
bool without1200Baud(uint32_t ecuType) { return ecuType == 0x107800 || ecuType == 0x107801; }

constexpr int kCode9600 = 3;

}  // namespace

bool hasBaudCode(uint32_t ecuType) { return ecuType != kEcuTypeWithoutBaudCode; }

BaudPreselection baudPreselectionFor(uint32_t ecuType, uint8_t code) {
    BaudPreselection p;
    if (!hasBaudCode(ecuType)) {
        p.groupEnabled = false;
        return p;
    }
    if (without1200Baud(ecuType)) {
        p.lowestEnabled = false;
        if (code == 0) {
            p.selected = kCode9600;
            return p;
        }
    }
    if (code < kBaudCodeCount)
        p.selected = code;
    else
        p.invalidCode = true;
    return p;
}
