#include "WallClock.h"

#include <gtest/gtest.h>

#include <ctime>

#include "CommaLocale.h"

namespace {

const LocalDateTime kTime{2009, 12, 4, 14, 5, 33};

TEST(WallClock, TextsInTheCLocale) {
    EXPECT_EQ(isoDateText(kTime), "2009-12-04");
    EXPECT_EQ(isoDateText({987, 1, 2, 0, 0, 0}), "0987-01-02");
    EXPECT_EQ(localeTimeText(kTime), "14:05:33");
    EXPECT_EQ(localeDateText(kTime), "12/04/09");
    EXPECT_EQ(localeDateTimeText(kTime), "12/04/09 14:05:33");
}

TEST(WallClock, TextsFollowTheTimeLocaleButTheIsoDate) {
    CommaLocale german;
    if (!german.active()) GTEST_SKIP() << "no German locale";
    EXPECT_EQ(isoDateText(kTime), "2009-12-04");
    EXPECT_EQ(localeTimeText(kTime), "14:05:33");
    EXPECT_EQ(localeDateText(kTime), "04.12.2009");
    EXPECT_EQ(localeDateTimeText(kTime), "04.12.2009 14:05:33");
}

TEST(WallClock, SystemClockGivesTheLocalTime) {
    const std::time_t before = std::time(nullptr);
    const LocalDateTime now = SystemWallClock::instance().now();
    const std::time_t after = std::time(nullptr);
    std::tm tm{};
    // The clock read lies between two readings of the C library's local time.
    bool between = false;
    for (std::time_t t = before; t <= after; ++t) {
        localtime_r(&t, &tm);
        between = between || now == LocalDateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                                                   tm.tm_hour, tm.tm_min, tm.tm_sec};
    }
    EXPECT_TRUE(between);
    FixedWallClock fixed(kTime);
    EXPECT_EQ(fixed.now(), kTime);
}

}  // namespace
