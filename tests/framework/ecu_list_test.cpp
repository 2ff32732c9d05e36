// The rows of the supported-ECU list.
#include "SupportedEcuList.h"

#include <gtest/gtest.h>

namespace {

TEST(EcuListRows, TopFollowsTheScreenResolution) {
    struct Case {
        std::size_t row;
        int dpi;
        int top;
    } cases[] = {
        {0, 96, 10},  {1, 96, 28},  {2, 96, 46},   {16, 96, 298},
        {0, 120, 10}, {1, 120, 32}, {2, 120, 55},  // 18 x 1.25 x 1 = 22.5 is cut to 22
        {3, 120, 77}, {2, 144, 64}, {3, 72, 50},   // 18 x 0.75 x 3 = 40.5 is cut to 40
        {5, 100, 103},  // 18 x 100 / 96 x 5 = 93.75
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + " @ " + std::to_string(c.dpi));
        EXPECT_EQ(ecuListRowTop(c.row, c.dpi), c.top);
    }
}

}  // namespace
