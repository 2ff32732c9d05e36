#pragma once
// The busy cursor (hourglass) shown while the program blocks for the interface. One seam for the
// whole program: the windows implement it once (HourglassCursor), tests count it.

// Shows and hides the busy cursor; pushes nest, each push is undone by one pop.
class BusyCursor {
public:
    virtual ~BusyCursor() = default;
    // Shows the hourglass, remembering the cursor shown before.
    virtual void push() = 0;
    // Puts the remembered cursor back.
    virtual void pop() = 0;
};

// The busy cursor for the duration of a scope; nothing without a cursor.
class BusyCursorScope {
public:
    explicit BusyCursorScope(BusyCursor* cursor) : cursor_(cursor) {
        if (cursor_) cursor_->push();
    }
    ~BusyCursorScope() {
        if (cursor_) cursor_->pop();
    }
    BusyCursorScope(const BusyCursorScope&) = delete;
    BusyCursorScope& operator=(const BusyCursorScope&) = delete;

private:
    BusyCursor* cursor_;
};
