#pragma once
// The program's busy cursor: Qt's application override cursor, so the hourglass shows over every
// window of the program while it blocks.

#include "BusyCursor.h"

class HourglassCursor final : public BusyCursor {
public:
    void push() override;
    void pop() override;
    // The one the program's windows share (it holds no state of its own).
    static HourglassCursor& application();
};
