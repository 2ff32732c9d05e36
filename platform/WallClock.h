#pragma once
// The local date and time of day, behind an interface so texts that carry when a file was
// written can be tested on a fixed clock. (Clock.h is the steady clock for waits.)

#include <string>

struct LocalDateTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;   // 0..23
    int minute = 0;
    int second = 0;
    bool operator==(const LocalDateTime&) const = default;
};

class WallClock {
public:
    virtual ~WallClock() = default;
    virtual LocalDateTime now() const = 0;
};

// The system's local time.
class SystemWallClock final : public WallClock {
public:
    LocalDateTime now() const override;
    static const SystemWallClock& instance();
};

// Always the time it was set to.
class FixedWallClock final : public WallClock {
public:
    explicit FixedWallClock(LocalDateTime time = {}) : time_(time) {}
    LocalDateTime now() const override { return time_; }
    void set(LocalDateTime time) { time_ = time; }

private:
    LocalDateTime time_;
};

// "yyyy-mm-dd", whatever the locale.
std::string isoDateText(const LocalDateTime& time);
// The time of day in the long form of the C library's current time locale (LC_TIME, which Qt
// sets from the user's settings): "14:05:33" or "02:05:33 PM". A form with characters beyond
// ASCII, which the program's Windows-1252 files cannot be sure to hold, gives "14:05:33".
std::string localeTimeText(const LocalDateTime& time);
// The date in the locale's short form ("12/04/09" in the C locale, "04.12.2009" in a German one);
// the same fallback gives "2009-12-04".
std::string localeDateText(const LocalDateTime& time);
// The locale's short date, a blank and its long time; the same fallback ("2009-12-04 14:05:33").
std::string localeDateTimeText(const LocalDateTime& time);
