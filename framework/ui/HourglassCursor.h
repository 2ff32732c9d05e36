#pragma once
// The program's busy cursor: Qt's application override cursor, so the hourglass shows over every
// window of the program while it blocks. The first push also paints at once what the screen is
// waiting for: what follows blocks the event loop, and nothing may stay a stale picture
// meanwhile. That is what is marked for painting in every window (a text set just before) and,
// in every window, the area of the windows hidden since the previous push (a dialog or menu just
// closed: the window system's expose for it may not have arrived yet). What did not change is not
// painted again.

#include "BusyCursor.h"

#include <memory>

class HourglassCursor final : public BusyCursor {
public:
    HourglassCursor();
    ~HourglassCursor() override;
    HourglassCursor(const HourglassCursor&) = delete;
    HourglassCursor& operator=(const HourglassCursor&) = delete;

    void push() override;
    void pop() override;
    // The one the program's windows share.
    static HourglassCursor& application();

private:
    class HiddenWindows;
    std::unique_ptr<HiddenWindows> hidden_;
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
