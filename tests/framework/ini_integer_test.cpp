// The one integer rule of the maker's INI-style files.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "IniInteger.h"

namespace {

struct IntegerCase {
    std::string text;
    std::optional<int32_t> value;
};

class IniIntegers : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IniIntegers, ReadTheWholeText) {
    EXPECT_EQ(parseIniInteger(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IniIntegers,
    ::testing::Values(IntegerCase{"0", 0}, IntegerCase{"40", 40}, IntegerCase{"007", 7},
                      IntegerCase{"-40", -40}, IntegerCase{"+3", 3}, IntegerCase{"$1F", 31},
                      IntegerCase{"$ff", 255}, IntegerCase{"0x10", 16}, IntegerCase{"0X7fFFffFF", INT32_MAX},
                      IntegerCase{"-$10", -16}, IntegerCase{"-0x80000000", INT32_MIN},
                      IntegerCase{"2147483647", INT32_MAX}, IntegerCase{"-2147483648", INT32_MIN},
                      IntegerCase{"16", 16}, IntegerCase{"-16", -16}, IntegerCase{"+16", 16},
                      IntegerCase{"$10", 16}, IntegerCase{"0XfF", 255},
                      // Unsigned hexadecimal is the 32 bits of the number.
                      IntegerCase{"$FFFFFFFF", -1}, IntegerCase{"$80000000", INT32_MIN},
                      // Beyond 32 bits is no integer, never a wrapped one.
                      IntegerCase{"2147483648", std::nullopt}, IntegerCase{"4294967296", std::nullopt},
                      IntegerCase{"$100000000", std::nullopt}, IntegerCase{"-$FFFFFFFF", std::nullopt},
                      IntegerCase{"-0x80000001", std::nullopt},
                      IntegerCase{"99999999999999999999999", std::nullopt},
                      IntegerCase{"", std::nullopt}, IntegerCase{"-", std::nullopt},
                      IntegerCase{"$", std::nullopt}, IntegerCase{"0x", std::nullopt},
                      IntegerCase{" 5", std::nullopt}, IntegerCase{"5 ", std::nullopt},
                      IntegerCase{"5x", std::nullopt}, IntegerCase{"1.5", std::nullopt},
                      IntegerCase{"--5", std::nullopt}, IntegerCase{"+-5", std::nullopt},
                      IntegerCase{"$-5", std::nullopt}, IntegerCase{"0x+5", std::nullopt},
                      IntegerCase{"1e3", std::nullopt}, IntegerCase{"$G", std::nullopt},
                      IntegerCase{" 1", std::nullopt}, IntegerCase{"1 ", std::nullopt},
                      IntegerCase{"12a", std::nullopt}, IntegerCase{"--1", std::nullopt},
                      IntegerCase{"$-1", std::nullopt}),
    [](const auto& info) {
        std::string name = "Case" + std::to_string(info.index);
        return name;
    });

}  // namespace
