#pragma once
// The program's busy cursor: Qt's application override cursor, so the hourglass shows over every
// window of the program while it blocks. The first push also paints the program's windows at
// once: what follows blocks the event loop, and a menu just closed or a window just shown must not
// stay a stale or black picture meanwhile.

#include "BusyCursor.h"

class HourglassCursor final : public BusyCursor {
public:
    void push() override;
    void pop() override;
    // The one the program's windows share.
    static HourglassCursor& application();

private:
    int depth_ = 0;
};

// A dialog that asks the technician while the program is busy shows the normal cursor; the
// hourglass returns when it closes.
class NormalCursorWhileAsking {
public:
    NormalCursorWhileAsking();
    ~NormalCursorWhileAsking();
    NormalCursorWhileAsking(const NormalCursorWhileAsking&) = delete;
    NormalCursorWhileAsking& operator=(const NormalCursorWhileAsking&) = delete;

private:
    bool overridden_ = false;
};
